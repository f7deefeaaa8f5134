#include "views/itemcolumns.h"

#include "model/viewitem.h"
#include "views/viewitemtext.h"

namespace {

using Order = ItemColumns::Order;
using Content = ItemColumns::Content;

// By name, then by place: the place in thousandths, which the numeric text order takes whole (2.5 before 2.25
// would be read digit by digit).
QString seriesOrder(const ViewItem &item)
{
    if (item.series.isEmpty())
        return {};
    return item.series.name + u'\t' + QString::number(qRound64(item.series.position.value_or(0) * 1000));
}

} // namespace

const QList<ItemColumns::Column> &ItemColumns::books()
{
    static const QList<Column> columns = {
        {0, Order::Text, Content::Cell, [](const ViewItem &item) { return item.title; }},
        {1, Order::Text, Content::Cell, [](const ViewItem &item) { return item.authors; }},
        {2, Order::Date, Content::Cell, [](const ViewItem &item) { return item.datePublished; }},
        {3, Order::Number, Content::Cell, [](const ViewItem &item) { return item.fileSize; }},
        {RatingColumn, Order::Number, Content::Rating,
         [](const ViewItem &item) { return QString::number(item.rating); }},
        {5, Order::Text, Content::Cell, [](const ViewItem &item) { return ViewItemText::tagsText(item.tags); }},
        {SeriesColumn, Order::Text, Content::Cell,
         [](const ViewItem &item) { return ViewItemText::seriesText(item.series); }, &seriesOrder},
        {7, Order::Text, Content::Cell, [](const ViewItem &item) { return item.publisher; }},
        {8, Order::Date, Content::Cell, [](const ViewItem &item) { return item.datePublished; }},
    };
    return columns;
}

const QList<ItemColumns::Column> &ItemColumns::webPages()
{
    static const QList<Column> columns = {
        {0, Order::Text, Content::Cell, [](const ViewItem &item) { return item.title; }},
        {1, Order::Text, Content::Cell, [](const ViewItem &item) { return item.url; }},
        {2, Order::Date, Content::Cell, [](const ViewItem &item) { return ViewItemText::createdText(item.created); }},
        {3, Order::Text, Content::Cell, [](const ViewItem &item) { return item.description; }},
    };
    return columns;
}
