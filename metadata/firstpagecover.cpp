#include "metadata/firstpagecover.h"

#include "core/readableformats.h"
#include "core/settings.h"
#include "model/book.h"
#include "widgets/pdfthumbnail.h"

#include <QFileInfo>

bool FirstPageCover::supply(Book &book)
{
    const QString cover = book.getCoverFile();
    const bool hasOwnCover = !cover.isEmpty() && !cover.startsWith(u':') && QFileInfo::exists(cover);
    const QString pdf = book.getMainFilePath();
    if (hasOwnCover || !ReadableFormats::isPdf(pdf))
        return false;
    const QString page = Settings().value(Settings::DataDir).toString() + QStringLiteral("coverfile-firstpage-tmp.jpg");
    if (!PdfThumbnail::write(pdf, page, PdfThumbnail::BookHeight))
        return false;
    book.setCoverFile(page);
    return true;
}
