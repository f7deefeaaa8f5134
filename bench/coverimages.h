#ifndef COVERIMAGES_H
#define COVERIMAGES_H

#include <QByteArray>
#include <QList>
#include <QString>

// A handful of distinct covers of 200 x 300 pixels, drawn and encoded as JPEG once. Every book gets a
// file of its own, because saving a book moves its cover into the data directory.
class CoverImages
{
public:
    explicit CoverImages(int variants);

    // False when no JPEG could be encoded (the image format plugin is missing).
    bool isValid() const { return !jpegs.isEmpty(); }
    // Writes the variant chosen by number (any number; they repeat) to the path.
    bool write(int number, const QString &path, QString *error) const;

private:
    static QByteArray drawCover(int variant);

    QList<QByteArray> jpegs;
};

#endif // COVERIMAGES_H
