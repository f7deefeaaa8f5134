#include "metadata/filecover.h"

#include "core/readableformats.h"
#include "core/settings.h"
#include "model/book.h"
#include "reader/epubpackage.h"
#include "widgets/pdfthumbnail.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

namespace {

// Cover images are a few hundred kilobytes; no more of an entry is read than this.
constexpr qint64 MaximumCoverBytes = 32 << 20;
constexpr int JpegQuality = 85;

} // namespace

bool FileCover::supply(Book &book)
{
    const QString cover = book.getCoverFile();
    const bool hasOwnCover = !cover.isEmpty() && !cover.startsWith(u':') && QFileInfo::exists(cover);
    const QString file = book.getMainFilePath();
    if (hasOwnCover || file.isEmpty())
        return false;
    const QString image = Settings().value(Settings::DataDir).toString() + QStringLiteral("coverfile-fromfile-tmp.jpg");
    const bool written = ReadableFormats::isPdf(file)
        ? PdfThumbnail::write(file, image, PdfThumbnail::BookHeight)
        : QFileInfo(file).suffix().compare(QLatin1String("epub"), Qt::CaseInsensitive) == 0
            && writeEpubCover(file, image);
    if (written)
        book.setCoverFile(image);
    return written;
}

bool FileCover::writeEpubCover(const QString &epubPath, const QString &jpegPath)
{
    EpubPackage package(epubPath);
    const std::optional<PackageMetadata> metadata = package.metadata();
    if (!metadata || metadata->coverReference.isEmpty())
        return false;
    QByteArray bytes = package.read(package.entryName(metadata->coverReference), MaximumCoverBytes);
    QBuffer buffer(&bytes);
    // The reader's allocation limit keeps a hostile image's claimed size from exhausting memory.
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (image.isNull())
        return false;
    if (image.height() > PdfThumbnail::BookHeight)
        image = image.scaledToHeight(PdfThumbnail::BookHeight, Qt::SmoothTransformation);
    return image.save(jpegPath, "JPEG", JpegQuality);
}
