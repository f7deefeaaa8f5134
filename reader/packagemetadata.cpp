#include "reader/packagemetadata.h"

#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>

namespace {

const QLatin1String DublinCore("http://purl.org/dc/elements/1.1/");

// "opf:role" in EPUB 2, though a package may bind the prefix to any name.
QString roleOf(const QXmlStreamAttributes &attributes)
{
    for (const QXmlStreamAttribute &attribute : attributes) {
        if (attribute.name() == u"role")
            return attribute.value().toString();
    }
    return {};
}

void keepFirst(QString &field, const QString &text)
{
    if (field.isEmpty())
        field = text;
}

} // namespace

PackageMetadata PackageMetadata::read(QXmlStreamReader &package)
{
    PackageMetadata metadata;
    QHash<QString, QString> manifest;
    QString coverId;
    while (!package.atEnd()) {
        if (package.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = package.name();
        const QXmlStreamAttributes attributes = package.attributes();
        if (package.namespaceUri() == DublinCore) {
            // EPUB 3 moves the role to a refinement, so most creators carry none.
            const QString role = roleOf(attributes);
            const QString text = package.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
            if (text.isEmpty())
                continue;
            if (name == u"title")
                keepFirst(metadata.title, text);
            else if (name == u"creator" && (role.isEmpty() || role == u"aut"))
                metadata.creators << text;
            else if (name == u"identifier")
                metadata.identifiers << text;
            else if (name == u"publisher")
                keepFirst(metadata.publisher, text);
            else if (name == u"date")
                keepFirst(metadata.date, text);
            else if (name == u"description")
                keepFirst(metadata.description, text);
        } else if (name == u"meta" && attributes.value(QLatin1String("name")) == u"cover") {
            coverId = attributes.value(QLatin1String("content")).toString();
        } else if (name == u"item") {
            // Manifest addresses are URLs: "cover%20art.jpg" names "cover art.jpg".
            const QString href = QUrl::fromPercentEncoding(attributes.value(QLatin1String("href")).toUtf8());
            manifest.insert(attributes.value(QLatin1String("id")).toString(), href);
            const QStringList properties
                = attributes.value(QLatin1String("properties")).toString().split(u' ', Qt::SkipEmptyParts);
            if (properties.contains(QLatin1String("cover-image")))
                metadata.coverReference = href;
        }
    }
    if (metadata.coverReference.isEmpty() && !coverId.isEmpty())
        metadata.coverReference = manifest.value(coverId);
    return metadata;
}
