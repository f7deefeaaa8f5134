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

QString PackageDocument::rootFile(QXmlStreamReader &container)
{
    while (!container.atEnd()) {
        if (container.readNext() == QXmlStreamReader::StartElement && container.name() == u"rootfile")
            return container.attributes().value(QLatin1String("full-path")).toString();
    }
    return {};
}

QStringList PackageDocument::spineReferences(QXmlStreamReader &package)
{
    QHash<QString, QString> manifest;
    QStringList references;
    while (!package.atEnd()) {
        if (package.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = package.attributes();
        if (package.name() == u"item") {
            // Manifest addresses are URLs: "chapter%201.html" names "chapter 1.html".
            const QString href = QUrl::fromPercentEncoding(attributes.value(QLatin1String("href")).toUtf8());
            manifest.insert(attributes.value(QLatin1String("id")).toString(), href);
        } else if (package.name() == u"itemref") {
            const QString href = manifest.value(attributes.value(QLatin1String("idref")).toString());
            if (!href.isEmpty())
                references << href;
        }
    }
    return references;
}

QString PackageDocument::packagePath(const QString &bookDirectory, const BookFolder &book)
{
    QFile container(bookDirectory + QStringLiteral("/META-INF/container.xml"));
    if (!container.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&container);
    const QString fullPath = rootFile(xml);
    if (fullPath.isEmpty())
        return {};
    // The name is relative to the book's root and must not lead out of it.
    const QString path = QDir::cleanPath(bookDirectory + u'/' + fullPath);
    return book.contains(path) ? path : QString();
}

QStringList PackageDocument::readSpine(QXmlStreamReader &xml, const QString &packageDirectory, const BookFolder &book)
{
    QStringList documents;
    const QStringList references = spineReferences(xml);
    for (const QString &href : references) {
        const QString document = QDir::cleanPath(packageDirectory + u'/' + href);
        if (!documents.contains(document) && QFileInfo(document).isFile() && book.contains(document))
            documents << document;
    }
    return documents;
}
