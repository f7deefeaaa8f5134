#include "reader/extractiondirectory.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

QString ExtractionDirectory::privateRoot()
{
#ifdef Q_OS_UNIX
    return QDir::tempPath() + QStringLiteral("/shelvio-") + QString::number(::getuid());
#else
    // Elsewhere the temporary directory already belongs to the user alone.
    return QDir::tempPath();
#endif
}

QString ExtractionDirectory::forDigest(const QString &digest)
{
    const QString root = privateRoot();
    if (digest.isEmpty() || !ensurePrivateRoot(root))
        return {};
    const QString directory = root + QStringLiteral("/Shelvio/") + digest;
    if (!QDir().mkpath(directory)) {
        qWarning() << "Cannot create the extraction directory" << directory;
        return {};
    }
    return directory;
}

bool ExtractionDirectory::ensurePrivateRoot(const QString &root)
{
#ifdef Q_OS_UNIX
    // Fails harmlessly when the directory exists; what exists is checked below either way.
    QDir().mkdir(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QFileInfo info(root);
    if (info.isSymLink() || !info.isDir()) {
        qWarning() << "Refusing" << root << "for unpacking books: it is not a directory";
        return false;
    }
    if (info.ownerId() != ::getuid()) {
        qWarning() << "Refusing" << root << "for unpacking books: it belongs to another user";
        return false;
    }
    const QFileDevice::Permissions shared = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (info.permissions() & shared) {
        qWarning() << "Refusing" << root << "for unpacking books: other users may enter it";
        return false;
    }
    return true;
#else
    return QDir().mkpath(root);
#endif
}
