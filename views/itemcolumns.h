#ifndef ITEMCOLUMNS_H
#define ITEMCOLUMNS_H

#include <QList>
#include <QString>

struct ViewItem;

// What each table column shows of an item and how the column orders items.
class ItemColumns
{
public:
    enum class Order { Text, Number, Date, None };
    enum class Content { Cell, Rating, Nothing };

    struct Column
    {
        int index;
        Order order;
        Content content;
        QString (*text)(const ViewItem &);
    };

    static constexpr int RatingColumn = 4;

    static const QList<Column> &books();
    static const QList<Column> &webPages();
};

#endif // ITEMCOLUMNS_H
