#ifndef EPUBPACKAGE_H
#define EPUBPACKAGE_H

#include <QByteArray>
#include <QString>

#include "reader/packagemetadata.h"

#include <memory>
#include <optional>

class QuaZip;

// A book archive read in place, without unpacking it: the package document that META-INF/container.xml
// names, and the entries the package refers to. Every read stops at a limit, since a few kilobytes of
// archive can inflate to gigabytes.
class EpubPackage
{
public:
    explicit EpubPackage(const QString &archivePath);
    ~EpubPackage();
    Q_DISABLE_COPY_MOVE(EpubPackage)

    // Whether the archive opened and names a package document.
    bool isValid() const { return !packagePath.isEmpty(); }
    QByteArray packageDocument(qint64 maximumBytes);
    // What the package document says of the book; nothing when the archive has no readable one.
    std::optional<PackageMetadata> metadata();
    // The archive's name for a reference of the package document, which is relative to it.
    QString entryName(const QString &reference) const;
    // At most maximumBytes of the entry; empty when there is no such entry.
    QByteArray read(const QString &entryName, qint64 maximumBytes);

private:
    std::unique_ptr<QuaZip> archive;
    QString packagePath;
};

#endif // EPUBPACKAGE_H
