#include "reader/tableofcontents.h"

#include "reader/bookfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QXmlStreamReader>

namespace {

// The part of a target before its anchor, decoded: "ch%201.html#s2" names the file "ch 1.html".
QString filePart(const QString &target)
{
    return QUrl::fromPercentEncoding(target.section(u'#', 0, 0).toUtf8());
}

} // namespace

TableOfContents::TableOfContents(const QString &ncxPath, const BookFolder &book)
    : base(QFileInfo(ncxPath).absolutePath())
{
    QFile ncx(ncxPath);
    if (!ncx.open(QIODevice::ReadOnly))
        return;
    QXmlStreamReader xml(&ncx);
    read(xml);
    // A document that is not well-formed yields no entries at all rather than some of them.
    if (xml.hasError())
        entries.clear();
    entries.removeIf([this, &book](const Entry &entry) { return !book.contains(chapterFile(entry)); });
}

void TableOfContents::read(QXmlStreamReader &xml)
{
    if (!xml.readNextStartElement() || xml.name() != u"ncx")
        return;
    QList<NavPoint> topLevel;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"docTitle") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"text")
                    docTitle = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                else
                    xml.skipCurrentElement();
            }
        } else if (xml.name() == u"navMap") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"navPoint")
                    topLevel << readNavPoint(xml);
                else
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!xml.hasError())
        makeEntries(topLevel);
}

TableOfContents::NavPoint TableOfContents::readNavPoint(QXmlStreamReader &xml)
{
    NavPoint point;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"navLabel") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"text")
                    point.labels << xml.readElementText(QXmlStreamReader::IncludeChildElements);
                else
                    xml.skipCurrentElement();
            }
        } else if (xml.name() == u"content") {
            point.targets << xml.attributes().value(QLatin1String("src")).toString();
            xml.skipCurrentElement();
        } else if (xml.name() == u"navPoint") {
            point.children << readNavPoint(xml);
        } else {
            xml.skipCurrentElement();
        }
    }
    return point;
}

void TableOfContents::makeEntries(const QList<NavPoint> &topLevel)
{
    QStringList labels;
    QStringList targets;
    for (const NavPoint &point : topLevel) {
        labels << point.labels;
        targets << point.targets;
    }
    // Labels and targets are paired by position across all top-level points; when the counts differ
    // the pairs cannot be trusted, and there are no entries.
    if (labels.size() != targets.size() || labels.isEmpty())
        return;
    qsizetype index = 0;
    for (const NavPoint &point : topLevel) {
        for (qsizetype i = 0; i < point.targets.size(); ++i, ++index)
            entries << Entry{labels.at(index), targets.at(index), 0};
        appendNested(point.children, 1);
    }
}

void TableOfContents::appendNested(const QList<NavPoint> &points, int depth)
{
    for (const NavPoint &point : points) {
        if (!point.targets.isEmpty())
            entries << Entry{point.labels.value(0), point.targets.first(), depth};
        appendNested(point.children, depth + 1);
    }
}

QString TableOfContents::chapterFile(const Entry &entry) const
{
    return QDir::cleanPath(base + u'/' + filePart(entry.target));
}

QStringList TableOfContents::chapterFiles() const
{
    QStringList files;
    files.reserve(entries.size());
    for (const Entry &entry : entries)
        files << chapterFile(entry);
    return files;
}

QString TableOfContents::html() const
{
    QStringList links;
    links.reserve(entries.size());
    for (const Entry &entry : entries) {
        links << QStringLiteral("&nbsp;").repeated(4 * entry.depth)
                + QStringLiteral("<a style=\"padding-bottom: 2px; clear:both; padding-bottom: 4px;\" href=\"")
                + entry.target.toHtmlEscaped() + QStringLiteral("\">") + entry.label.toHtmlEscaped()
                + QStringLiteral("</a>");
    }
    return QStringLiteral("<html><head></head><body><strong>TABLE OF CONTENTS</strong><br/>")
        + links.join(QStringLiteral("<br>")) + QStringLiteral("</body></html>");
}

QString TableOfContents::styleSheet()
{
    return QStringLiteral(
        "body{ margin: 0; padding: 0; line-height: 20px; background-color: #F9F2E6; border: 1px solid #F2E4C6; "
        "-webkit-touch-callout: none; -webkit-user-select: none; user-select: none;  }\n a{  line-height: 20px; "
        "-webkit-touch-callout: none; -webkit-user-select: none; user-select: none; padding-bottom: 20px; "
        "text-decoration: none; color: #000000; margin: 0; padding-bottom: 10px; }");
}
