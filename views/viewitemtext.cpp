#include "views/viewitemtext.h"

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
    if (item.description.isEmpty())
        return {};
    return QStringLiteral("<h4>") + item.title.toHtmlEscaped() + QStringLiteral("</h4><p>")
        + item.datePublished.toHtmlEscaped() + QStringLiteral(", ") + item.pageCount.toHtmlEscaped() + u' '
        + QCoreApplication::translate("ItemViews", "pages") + QStringLiteral("</p><p>")
        + toolTipDescription(item.description) + QStringLiteral("</p>");
}

QString ViewItemText::webPageToolTip(const ViewItem &item)
{
    QString toolTip = QStringLiteral("<h4>") + item.title.toHtmlEscaped() + QStringLiteral("</h4><p>")
        + item.datePublished.toHtmlEscaped() + QStringLiteral("</p>");
    if (!item.description.isEmpty())
        toolTip += QStringLiteral("<p>") + toolTipDescription(item.description) + QStringLiteral("</p>");
    return toolTip;
}

QString ViewItemText::informationPanel(const ViewItem &item)
{
    return QStringLiteral("<h3>") + item.title.toHtmlEscaped() + QStringLiteral("</h3><p>")
        + item.pageCount.toHtmlEscaped() + QStringLiteral(" Pages</p>") + stateLines(item.state)
        + QStringLiteral("<img align='right' src='") + escapedAttribute(item.coverFile) + QStringLiteral("'><p>")
        + item.description + QStringLiteral("</p>");
}

QString ViewItemText::stateLines(const ItemState &state)
{
    QStringList lines;
    if (!state.readDate.isEmpty())
        lines << QCoreApplication::translate("ViewItemText", "Read on %1").arg(state.readDate);
    if (state.want)
        lines << QCoreApplication::translate("ViewItemText", "Wanted");
    if (state.own) {
        lines << (state.location.isEmpty() ? QCoreApplication::translate("ViewItemText", "Own")
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
