#ifndef EPUBARCHIVE_H
#define EPUBARCHIVE_H

#include <QString>
#include <QStringList>

class QuaZip;
class QuaZipFileInfo64;

// Unpacks a book archive. An entry that would be written outside the target directory is refused and
// the rest is unpacked: a name that climbs out of it or is absolute, and a symbolic link, through
// which a later entry could be written anywhere.
class EpubArchive
{
public:
    // The absolute paths of the files written; empty for an archive that cannot be read.
    static QStringList extract(const QString &archivePath, const QString &targetDir);

private:
    static bool staysInside(const QuaZipFileInfo64 &entry, const QString &targetDir);
    static QStringList extractAccepted(QuaZip &archive, const QString &targetDir);
    static bool writeCurrentEntry(QuaZip &archive, const QString &path);
};

#endif // EPUBARCHIVE_H
