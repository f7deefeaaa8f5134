#include "widgets/pdfthumbnail.h"

#include <QImage>
#include <QPainter>
#include <QPdfDocument>

bool PdfThumbnail::write(const QString &pdfPath, const QString &jpegPath, int height)
{
    QPdfDocument document;
    if (document.load(pdfPath) != QPdfDocument::Error::None || document.pageCount() < 1)
        return false;
    const QSizeF pageSize = document.pagePointSize(0);
    if (pageSize.isEmpty())
        return false;
    const QSize renderSize(RenderWidth, qRound(RenderWidth * pageSize.height() / pageSize.width()));
    const QImage page = document.render(0, renderSize);
    if (page.isNull())
        return false;

    // A page leaves its background transparent, which a JPEG would turn black.
    QImage opaque(page.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter(&opaque).drawImage(0, 0, page);
    return opaque.scaledToHeight(height, Qt::SmoothTransformation).save(jpegPath, nullptr, JpegQuality);
}
