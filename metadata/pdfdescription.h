#ifndef PDFDESCRIPTION_H
#define PDFDESCRIPTION_H

#include <QString>
#include <QStringList>

// What a PDF says of itself when it is added: the title and authors its metadata proposes, and the ISBN that
// its first pages give, as a copyright page does. Plain data, so that a worker can read it.
class PdfDescription
{
public:
    static constexpr int PagesRead = 5;

    // A file that is not a readable PDF describes nothing but the title its name proposes.
    static PdfDescription read(const QString &path);

    // The ISBN when it is of that length, else empty.
    QString isbn13() const { return isbn.size() == 13 ? isbn : QString(); }
    QString isbn10() const { return isbn.size() == 10 ? isbn : QString(); }

    QString path;
    bool readable = false;
    QString title;
    QStringList authors;
    QString isbn;
};

#endif // PDFDESCRIPTION_H
