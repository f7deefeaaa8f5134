#include "metadata/filedescription.h"

#include "metadata/isbntext.h"
#include "metadata/pdfproposal.h"
#include "reader/epubpackage.h"

#include <QFileInfo>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace {

// The ISBN an identifier is: "9780306406157", "978-0-306-40615-7" or "urn:isbn:9780306406157".
QString isbnOf(const QString &identifier)
{
    static const QRegularExpression prefix(QStringLiteral("^(urn:)?isbn:?\\s*"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString digits = identifier.simplified().remove(prefix).remove(u'-').remove(u' ').toUpper();
    return IsbnText::isValid(digits) ? digits : QString();
}

} // namespace

FileDescription FileDescription::read(const QString &path)
{
    FileDescription description;
    description.path = path;
    const QFileInfo file(path);
    const QString suffix = file.suffix().toLower();
    if (suffix == u"pdf")
        description.readPdf();
    else if (suffix == u"epub")
        description.readEpub();
    description.title = PdfProposal::title(description.title, file.fileName(), file.suffix());
    return description;
}

void FileDescription::readPdf()
{
    QPdfDocument document;
    readable = document.load(path) == QPdfDocument::Error::None;
    if (!readable)
        return;
    title = document.metaData(QPdfDocument::MetaDataField::Title).toString();
    authors = PdfProposal::authors(document.metaData(QPdfDocument::MetaDataField::Author).toString());
    const int pages = std::min(document.pageCount(), PagesRead);
    for (int page = 0; page < pages && isbn.isEmpty(); ++page)
        isbn = IsbnText::find(document.getAllText(page).text());
}

void FileDescription::readEpub()
{
    EpubPackage package(path);
    const std::optional<PackageMetadata> metadata = package.metadata();
    readable = metadata.has_value();
    if (!readable)
        return;
    title = metadata->title;
    authors = metadata->creators;
    for (const QString &identifier : metadata->identifiers) {
        isbn = isbnOf(identifier);
        if (!isbn.isEmpty())
            break;
    }
    publisher = metadata->publisher;
    published = metadata->date;
    // The library keeps descriptions as plain text; packages often hold markup.
    description = Qt::mightBeRichText(metadata->description)
        ? QTextDocumentFragment::fromHtml(metadata->description).toPlainText()
        : metadata->description;
}
