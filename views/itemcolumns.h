#ifndef ITEMCOLUMNS_H
#define ITEMCOLUMNS_H

#include <QList>
#include <QString>

struct ViewItem;

// What each table column shows of an item and how the column orders items.
class ItemColumns
{
public:
    enum class Order { Text, Number, Date };
    enum class Content { Cell, Rating };

    struct Column
    {
        int index;
        Order order;
        Content content;
        QString (*text)(const ViewItem &);
        // What the column orders by when it is not the text shown.
        QString (*orderText)(const ViewItem &) = nullptr;

        QString sortText(const ViewItem &item) const { return orderText ? orderText(item) : text(item); }
    };

    static constexpr int RatingColumn = 4;
    static constexpr int SeriesColumn = 6;

    static const QList<Column> &books();
    static const QList<Column> &webPages();
};

#endif // ITEMCOLUMNS_H
