#include "metadata/pdfdescription.h"

#include "metadata/isbntext.h"
#include "metadata/pdfproposal.h"

#include <QFileInfo>
#include <QPdfDocument>
#include <QPdfSelection>

PdfDescription PdfDescription::read(const QString &path)
{
    const QFileInfo file(path);
    PdfDescription description;
    description.path = path;
    QPdfDocument document;
    description.readable = document.load(path) == QPdfDocument::Error::None;
    const QString metadataTitle
        = description.readable ? document.metaData(QPdfDocument::MetaDataField::Title).toString() : QString();
    description.title = PdfProposal::title(metadataTitle, file.fileName(), file.suffix());
    if (!description.readable)
        return description;
    description.authors = PdfProposal::authors(document.metaData(QPdfDocument::MetaDataField::Author).toString());
    const int pages = std::min(document.pageCount(), PagesRead);
    for (int page = 0; page < pages && description.isbn.isEmpty(); ++page)
        description.isbn = IsbnText::find(document.getAllText(page).text());
    return description;
}
