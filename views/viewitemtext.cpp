#include "views/viewitemtext.h"

#include "model/book.h"
#include "model/viewitem.h"

#include <QCoreApplication>
#include <QDateTime>

namespace {

QString shortened(const QString &text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    // Never end on the first half of a surrogate pair.
    qsizetype cut = length;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QStringLiteral("...");
}

// A book's description comes from its record, which may have left it in the database until now; a web
// page's display item holds its short form.
QString descriptionOf(const ViewItem &item)
{
    if (item.type == QLatin1String("Book") && item.record())
        return static_cast<const Book *>(item.record())->getDescription();
    return item.description;
}

QString toolTipDescription(const QString &description)
{
    return shortened(description, 400);
}

// For the single-quoted attribute of the panel's cover image as well as for element text.
QString escapedAttribute(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;"));
}

} // namespace

QString ViewItemText::listTitle(const QString &title)
{
    return shortened(title, 20);
}

QString ViewItemText::bookToolTip(const ViewItem &item)
{
    const QString description = descriptionOf(item);
    if (description.isEmpty())
        return {};
    return QStringLiteral("<h4>") + item.title.toHtmlEscaped() + QStringLiteral("</h4><p>")
        + item.datePublished.toHtmlEscaped() + QStringLiteral(", ") + item.pageCount.toHtmlEscaped() + u' '
        + QCoreApplication::translate("ItemViews", "pages") + QStringLiteral("</p>") + labelLines(item)
        + QStringLiteral("<p>") + toolTipDescription(description) + QStringLiteral("</p>");
}

QString ViewItemText::webPageToolTip(const ViewItem &item)
{
    QString toolTip = QStringLiteral("<h4>") + item.title.toHtmlEscaped() + QStringLiteral("</h4><p>")
        + item.datePublished.toHtmlEscaped() + QStringLiteral("</p>") + labelLines(item);
    if (!item.description.isEmpty())
        toolTip += QStringLiteral("<p>") + toolTipDescription(item.description) + QStringLiteral("</p>");
    return toolTip;
}

QString ViewItemText::informationPanel(const ViewItem &item, const std::optional<ReadingPositions::Position> &readTo)
{
    const QString progress = readTo ? QStringLiteral("<p>")
            + QCoreApplication::translate("ViewItemText", "Read to page %1 of %2")
                  .arg(readTo->page + 1)
                  .arg(readTo->pages)
            + QStringLiteral("</p>")
                                    : QString();
    return QStringLiteral("<h3>") + item.title.toHtmlEscaped() + QStringLiteral("</h3><p>")
        + item.pageCount.toHtmlEscaped() + QStringLiteral(" Pages</p>") + progress + stateLines(item.state)
        + QStringLiteral("<img align='right' src='") + escapedAttribute(item.coverFile) + QStringLiteral("'><p>")
        + descriptionOf(item) + QStringLiteral("</p>");
}

QString ViewItemText::tagsText(const QStringList &tags)
{
    return tags.join(QStringLiteral(", "));
}

QString ViewItemText::seriesText(const ItemSeries &series)
{
    if (!series.position || series.isEmpty())
        return series.name;
    return series.name + QStringLiteral(" [") + QString::number(*series.position) + u']';
}

QString ViewItemText::labelLines(const ViewItem &item)
{
    QString lines;
    if (!item.tags.isEmpty()) {
        lines += QStringLiteral("<p>")
            + QCoreApplication::translate("ViewItemText", "Tags: %1").arg(tagsText(item.tags).toHtmlEscaped())
            + QStringLiteral("</p>");
    }
    if (!item.series.isEmpty()) {
        lines += QStringLiteral("<p>")
            + QCoreApplication::translate("ViewItemText", "Series: %1").arg(seriesText(item.series).toHtmlEscaped())
            + QStringLiteral("</p>");
    }
    return lines;
}

QString ViewItemText::stateLines(const ItemState &state)
{
    QStringList lines;
    if (!state.readDate.isEmpty())
        lines << QCoreApplication::translate("ViewItemText", "Read on %1").arg(state.readDate);
    if (state.want)
        lines << QCoreApplication::translate("ViewItemText", "Wanted");
    if (state.own) {
        lines << (state.location.isEmpty()
                      ? QCoreApplication::translate("ViewItemText", "Own")
                      : QCoreApplication::translate("ViewItemText", "Own: %1").arg(state.location));
    }
    if (!state.language.isEmpty())
        lines << state.language;
    QString html;
    for (const QString &line : std::as_const(lines))
        html += QStringLiteral("<p>") + line.toHtmlEscaped() + QStringLiteral("</p>");
    return html;
}

QString ViewItemText::createdText(const QString &seconds)
{
    bool isNumber = false;
    const qint64 value = seconds.toLongLong(&isNumber);
    if (!isNumber)
        return seconds;
    return QDateTime::fromSecsSinceEpoch(value).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
