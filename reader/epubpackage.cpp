#include "reader/epubpackage.h"

#include "reader/packagedocument.h"

#include <QDir>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

// container.xml names one file; anything longer is not one.
constexpr qint64 MaximumContainerBytes = 64 * 1024;
// A package document is a few kilobytes; a long description makes it a few hundred.
constexpr qint64 MaximumPackageBytes = 4 << 20;

} // namespace

EpubPackage::EpubPackage(const QString &archivePath)
    : archive(std::make_unique<QuaZip>(archivePath))
{
    if (!archive->open(QuaZip::mdUnzip))
        return;
    QXmlStreamReader container(read(QStringLiteral("META-INF/container.xml"), MaximumContainerBytes));
    const QString rootFile = PackageDocument::rootFile(container);
    if (!rootFile.isEmpty())
        packagePath = QDir::cleanPath(rootFile);
}

EpubPackage::~EpubPackage() = default;

QByteArray EpubPackage::packageDocument(qint64 maximumBytes)
{
    return isValid() ? read(packagePath, maximumBytes) : QByteArray();
}

std::optional<PackageMetadata> EpubPackage::metadata()
{
    if (!isValid())
        return std::nullopt;
    QXmlStreamReader xml(packageDocument(MaximumPackageBytes));
    PackageMetadata metadata = PackageMetadata::read(xml);
    if (xml.hasError())
        return std::nullopt;
    return metadata;
}

QString EpubPackage::entryName(const QString &reference) const
{
    const QString folder = QFileInfo(packagePath).path();
    return QDir::cleanPath(folder == u"." ? reference : folder + u'/' + reference);
}

QByteArray EpubPackage::read(const QString &entryName, qint64 maximumBytes)
{
    if (!archive->isOpen() || !archive->setCurrentFile(entryName))
        return {};
    QuaZipFile file(archive.get());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(maximumBytes);
}
