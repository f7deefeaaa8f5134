#include "reader/packagedocument.h"

#include "reader/bookfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>

QStringList PackageDocument::spine(const QString &bookDirectory)
{
    const BookFolder book(bookDirectory);
    const QString path = packagePath(bookDirectory, book);
    if (path.isEmpty())
        return {};
    QFile package(path);
    if (!package.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&package);
    const QStringList documents = readSpine(xml, QFileInfo(path).absolutePath(), book);
    return xml.hasError() ? QStringList() : documents;
}

QString PackageDocument::packagePath(const QString &bookDirectory, const BookFolder &book)
{
    QFile container(bookDirectory + QStringLiteral("/META-INF/container.xml"));
    if (!container.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&container);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rootfile") {
            const QString fullPath = xml.attributes().value(QLatin1String("full-path")).toString();
            if (fullPath.isEmpty())
                return {};
            // The name is relative to the book's root and must not lead out of it.
            const QString path = QDir::cleanPath(bookDirectory + u'/' + fullPath);
            return book.contains(path) ? path : QString();
        }
    }
    return {};
}

QStringList PackageDocument::readSpine(QXmlStreamReader &xml, const QString &packageDirectory, const BookFolder &book)
{
    QHash<QString, QString> manifest;
    QStringList documents;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"item") {
            // Manifest addresses are URLs: "chapter%201.html" names "chapter 1.html".
            const QString href = QUrl::fromPercentEncoding(attributes.value(QLatin1String("href")).toUtf8());
            manifest.insert(attributes.value(QLatin1String("id")).toString(), href);
        } else if (xml.name() == u"itemref") {
            const QString href = manifest.value(attributes.value(QLatin1String("idref")).toString());
            if (href.isEmpty())
                continue;
            const QString document = QDir::cleanPath(packageDirectory + u'/' + href);
            if (!documents.contains(document) && QFileInfo(document).isFile() && book.contains(document))
                documents << document;
        }
    }
    return documents;
}
