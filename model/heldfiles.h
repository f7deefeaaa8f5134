#ifndef HELDFILES_H
#define HELDFILES_H

#include <QHash>
#include <QSet>
#include <QString>

class File;

// What the library holds of its files, read once for a check of many (a folder scan): each stored path,
// and each size with its first bytes. holds() answers as File::isDuplicate() does, without a statement.
class HeldFiles
{
public:
    // Reads the stored files; a failed read holds nothing, as a failed duplicate check finds nothing.
    static HeldFiles read();

    // The same path (ASCII letters in any case, as LIKE compares), or the same size and first bytes.
    bool holds(const File &file) const;

private:
    static QString folded(const QString &path);

    QSet<QString> paths;
    QSet<std::pair<qint64, QString>> contents;
};

#endif // HELDFILES_H
