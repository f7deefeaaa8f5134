#include "reader/epubarchive.h"

#include <JlCompress.h>
#include <quazip.h>
#include <quazipfileinfo.h>

#include <QDebug>
#include <QDir>

QStringList EpubArchive::extract(const QString &archivePath, const QString &targetDir)
{
    QuaZip archive(archivePath);
    if (!archive.open(QuaZip::mdUnzip)) {
        qWarning() << "Cannot open the archive" << archivePath;
        return {};
    }
    QStringList accepted;
    bool refusedAny = false;
    for (bool more = archive.goToFirstFile(); more; more = archive.goToNextFile()) {
        QuaZipFileInfo64 entry;
        if (archive.getCurrentFileInfo(&entry) && staysInside(entry, targetDir)) {
            accepted << entry.name;
        } else {
            qWarning() << "Refusing the archive entry" << entry.name << "of" << archivePath;
            refusedAny = true;
        }
    }
    archive.close();

    if (!refusedAny)
        return JlCompress::extractDir(archivePath, targetDir);
    return JlCompress::extractFiles(archivePath, accepted, targetDir);
}

bool EpubArchive::staysInside(const QuaZipFileInfo64 &entry, const QString &targetDir)
{
    if (entry.isSymbolicLink() || entry.name.isEmpty() || QDir::isAbsolutePath(entry.name))
        return false;
    const QString root = QDir::cleanPath(targetDir) + u'/';
    return QDir::cleanPath(root + entry.name).startsWith(root);
}
