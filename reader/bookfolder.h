#ifndef BOOKFOLDER_H
#define BOOKFOLDER_H

#include <QString>

// The folder a book lives in. The paths a book names itself (chapters, contents entries, pages it links
// to) are trusted only while they stay inside: one that climbs out, or leads out through a symbolic
// link, names a file of someone else's choosing.
class BookFolder
{
public:
    explicit BookFolder(const QString &path);

    // Whether the path, with every link in it followed, lies inside the folder; a path that does not
    // exist (yet) is judged by the part of it that does.
    bool contains(const QString &path) const;

private:
    static QString resolved(const QString &path);

    QString root;
};

#endif // BOOKFOLDER_H
