#include "views/itemcolumns.h"

#include "model/viewitem.h"
#include "views/viewitemtext.h"

namespace {

using Order = ItemColumns::Order;
using Content = ItemColumns::Content;

QString nothing(const ViewItem &)
{
    return {};
}

} // namespace

const QList<ItemColumns::Column> &ItemColumns::books()
{
    // Books have no tags or series to show: those columns get no cells, which cost memory in a large library.
    static const QList<Column> columns = {
        {0, Order::Text, Content::Cell, [](const ViewItem &item) { return item.title; }},
        {1, Order::Text, Content::Cell, [](const ViewItem &item) { return item.authors; }},
        {2, Order::Date, Content::Cell, [](const ViewItem &item) { return item.datePublished; }},
        {3, Order::Number, Content::Cell, [](const ViewItem &item) { return item.fileSize; }},
        {RatingColumn, Order::Number, Content::Rating, [](const ViewItem &item) { return QString::number(item.rating); }},
        {5, Order::None, Content::Nothing, &nothing},
        {6, Order::None, Content::Nothing, &nothing},
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
