#include "reader/booktext.h"

#include "reader/epubpackage.h"
#include "reader/packagedocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QStringDecoder>
#include <QTextDocumentFragment>
#include <QXmlStreamReader>

namespace {

// A spine document is markup around text, rarely more than a few times its text.
constexpr qint64 MaximumEntryBytes = qint64(BookText::MaximumPartCharacters) * 8;

// UTF-8 when it is, else Latin-1, which every byte sequence is.
QString decoded(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString withoutMarkup(const QByteArray &document)
{
    return QTextDocumentFragment::fromHtml(decoded(document)).toPlainText();
}

} // namespace

BookText BookText::read(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    if (file.size() > MaximumFileBytes)
        return {State::TooLarge, {}};
    const QString suffix = file.suffix().toLower();
    if (suffix == u"pdf")
        return readPdf(path);
    if (suffix == u"epub")
        return readEpub(path);
    return readPlain(path, suffix == u"html" || suffix == u"htm");
}

QString BookText::stateName(State state)
{
    switch (state) {
    case State::Indexed:
        return QStringLiteral("indexed");
    case State::Protected:
        return QStringLiteral("protected");
    case State::TooLarge:
        return QStringLiteral("too large");
    case State::Unreadable:
        break;
    }
    return QStringLiteral("unreadable");
}

void BookText::keep(QString part)
{
    if (part.size() > MaximumPartCharacters) {
        part.truncate(MaximumPartCharacters);
        state = State::TooLarge;
    }
    parts << part;
}

BookText BookText::readPdf(const QString &path)
{
    QPdfDocument document;
    const QPdfDocument::Error error = document.load(path);
    if (error == QPdfDocument::Error::IncorrectPassword || error == QPdfDocument::Error::UnsupportedSecurityScheme)
        return {State::Protected, {}};
    if (error != QPdfDocument::Error::None || document.pageCount() < 1)
        return {};
    BookText text{State::Indexed, {}};
    for (int page = 0; page < document.pageCount(); ++page)
        text.keep(document.getAllText(page).text());
    return text;
}

BookText BookText::readEpub(const QString &path)
{
    EpubPackage package(path);
    QXmlStreamReader packageXml(package.packageDocument(MaximumEntryBytes));
    const QStringList references = PackageDocument::spineReferences(packageXml);
    QStringList documents;
    for (const QString &reference : references) {
        const QString document = package.entryName(reference);
        if (!documents.contains(document))
            documents << document;
    }
    if (documents.isEmpty())
        return {};
    BookText text{State::Indexed, {}};
    for (const QString &document : std::as_const(documents))
        text.keep(withoutMarkup(package.read(document, MaximumEntryBytes)));
    return text;
}

BookText BookText::readPlain(const QString &path, bool markup)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    BookText text{State::Indexed, {}};
    text.keep(markup ? withoutMarkup(bytes) : decoded(bytes));
    return text;
}
