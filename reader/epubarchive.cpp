#include "reader/epubarchive.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

EpubArchive::Extraction EpubArchive::extract(const QString &archivePath, const QString &targetDir)
{
    return extract(archivePath, targetDir, Limits());
}

// Entries are taken by position, never looked up by name: a refused link may share its name with an
// accepted entry, and a lookup by name would find the link first.
EpubArchive::Extraction EpubArchive::extract(const QString &archivePath, const QString &targetDir, const Limits &limits)
{
    Extraction result;
    QuaZip archive(archivePath);
    if (!archive.open(QuaZip::mdUnzip)) {
        qWarning() << "Cannot open the archive" << archivePath;
        return result;
    }
    if (archive.getEntriesCount() > limits.entries) {
        result.tooLarge = true;
        return result;
    }
    qint64 byteBudget = qMax(limits.minimumBytes, limits.archiveSizeFactor * QFileInfo(archivePath).size());
    for (bool more = archive.goToFirstFile(); more; more = archive.goToNextFile()) {
        QuaZipFileInfo64 entry;
        if (!archive.getCurrentFileInfo(&entry) || !staysInside(entry, targetDir)) {
            qWarning() << "Refusing the archive entry" << entry.name << "of" << archivePath;
            continue;
        }
        const QString path = QDir(targetDir).filePath(entry.name);
        if (entry.name.endsWith(u'/')) {
            QDir().mkpath(path);
            continue;
        }
        switch (writeCurrentEntry(archive, path, byteBudget)) {
        case Written::Whole:
            result.files << path;
            break;
        case Written::Failed:
            break;
        case Written::OverLimit:
            qWarning() << "Stopped unpacking" << archivePath << "at its size limit";
            result.tooLarge = true;
            return result;
        }
    }
    return result;
}

EpubArchive::Written EpubArchive::writeCurrentEntry(QuaZip &archive, const QString &path, qint64 &byteBudget)
{
    QuaZipFile in(&archive);
    QFile out(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !in.open(QIODevice::ReadOnly)
        || !out.open(QIODevice::WriteOnly)) {
        qWarning() << "Cannot unpack" << path;
        return Written::Failed;
    }
    char buffer[64 * 1024];
    qint64 read = 0;
    bool complete = true;
    while (complete && byteBudget >= 0 && (read = in.read(buffer, sizeof buffer)) > 0) {
        byteBudget -= read;
        complete = out.write(buffer, read) == read;
    }
    in.close();
    if (byteBudget < 0) {
        out.remove();
        return Written::OverLimit;
    }
    complete = complete && read == 0 && in.getZipError() == UNZ_OK && out.flush();
    if (!complete) {
        qWarning() << "Cannot unpack" << path;
        out.remove();
    }
    return complete ? Written::Whole : Written::Failed;
}

bool EpubArchive::staysInside(const QuaZipFileInfo64 &entry, const QString &targetDir)
{
    if (entry.isSymbolicLink() || entry.name.isEmpty() || QDir::isAbsolutePath(entry.name))
        return false;
    const QString root = QDir::cleanPath(targetDir) + u'/';
    return QDir::cleanPath(root + entry.name).startsWith(root);
}
