#ifndef EPUBARCHIVE_H
#define EPUBARCHIVE_H

#include <QString>
#include <QStringList>

class QuaZip;
class QuaZipFileInfo64;

// Unpacks a book archive. An entry that would be written outside the target directory is refused and
// the rest is unpacked: a name that climbs out of it or is absolute, and a symbolic link, through
// which a later entry could be written anywhere. An archive that would fill the disk (a few kilobytes
// can inflate to gigabytes) is stopped at its limits.
class EpubArchive
{
public:
    struct Limits
    {
        // Unpacking stops once the bytes written pass the larger of these.
        qint64 minimumBytes = qint64(1) << 30;
        qint64 archiveSizeFactor = 200;
        qint64 entries = 20000;
    };

    struct Extraction
    {
        // The absolute paths of the files written; empty for an archive that cannot be read.
        QStringList files;
        // The archive passed a limit; what was written so far is in files.
        bool tooLarge = false;
    };

    static Extraction extract(const QString &archivePath, const QString &targetDir, const Limits &limits);
    static Extraction extract(const QString &archivePath, const QString &targetDir);

private:
    enum class Written { Whole, Failed, OverLimit };

    static bool staysInside(const QuaZipFileInfo64 &entry, const QString &targetDir);
    // Writes the archive's current entry, at most byteBudget bytes, and takes what it wrote off the budget.
    static Written writeCurrentEntry(QuaZip &archive, const QString &path, qint64 &byteBudget);
};

#endif // EPUBARCHIVE_H
