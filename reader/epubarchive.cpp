#include "reader/epubarchive.h"

#include <JlCompress.h>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QStringList EpubArchive::extract(const QString &archivePath, const QString &targetDir)
{
    QuaZip archive(archivePath);
    if (!archive.open(QuaZip::mdUnzip)) {
        qWarning() << "Cannot open the archive" << archivePath;
        return {};
    }
    bool refusedAny = false;
    for (bool more = archive.goToFirstFile(); more; more = archive.goToNextFile()) {
        QuaZipFileInfo64 entry;
        if (!archive.getCurrentFileInfo(&entry) || !staysInside(entry, targetDir)) {
            qWarning() << "Refusing the archive entry" << entry.name << "of" << archivePath;
            refusedAny = true;
        }
    }
    if (refusedAny)
        return extractAccepted(archive, targetDir);
    archive.close();
    return JlCompress::extractDir(archivePath, targetDir);
}

// Entries are taken by position, never looked up by name: a refused link may share its name with an
// accepted entry, and a lookup by name would find the link first.
QStringList EpubArchive::extractAccepted(QuaZip &archive, const QString &targetDir)
{
    QStringList written;
    for (bool more = archive.goToFirstFile(); more; more = archive.goToNextFile()) {
        QuaZipFileInfo64 entry;
        if (!archive.getCurrentFileInfo(&entry) || !staysInside(entry, targetDir))
            continue;
        const QString path = QDir(targetDir).filePath(entry.name);
        if (entry.name.endsWith(u'/'))
            QDir().mkpath(path);
        else if (writeCurrentEntry(archive, path))
            written << path;
    }
    return written;
}

bool EpubArchive::writeCurrentEntry(QuaZip &archive, const QString &path)
{
    QuaZipFile in(&archive);
    QFile out(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !in.open(QIODevice::ReadOnly)
        || !out.open(QIODevice::WriteOnly)) {
        qWarning() << "Cannot unpack" << path;
        return false;
    }
    char buffer[64 * 1024];
    qint64 read = 0;
    bool complete = true;
    while (complete && (read = in.read(buffer, sizeof buffer)) > 0)
        complete = out.write(buffer, read) == read;
    in.close();
    complete = complete && read == 0 && in.getZipError() == UNZ_OK && out.flush();
    if (!complete) {
        qWarning() << "Cannot unpack" << path;
        out.remove();
    }
    return complete;
}

bool EpubArchive::staysInside(const QuaZipFileInfo64 &entry, const QString &targetDir)
{
    if (entry.isSymbolicLink() || entry.name.isEmpty() || QDir::isAbsolutePath(entry.name))
        return false;
    const QString root = QDir::cleanPath(targetDir) + u'/';
    return QDir::cleanPath(root + entry.name).startsWith(root);
}
