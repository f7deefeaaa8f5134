#ifndef ITEMORDER_H
#define ITEMORDER_H

#include "views/itemcolumns.h"

#include <QList>
#include <QSet>
#include <QString>

struct ViewItem;

// A view's items in the order of one table column, as a reader expects it: text by the language's rules (case
// and accents aside, numbers in numeric order: "Chapter 2" before "chapter 10"), numbers and dates by their
// values. Equal items keep the order they had, so sorting by one column and then another nests the two.
class ItemOrder
{
public:
    explicit ItemOrder(const QList<ItemColumns::Column> &columns);

    const QList<ViewItem *> &items() const { return sorted; }
    int column() const { return sortColumn; }
    Qt::SortOrder order() const { return sortOrder; }

    void assign(QList<ViewItem *> items);
    void sort(int column, Qt::SortOrder order);
    // Where the item belongs among items in this order: after its equals.
    qsizetype insertionPoint(const QList<ViewItem *> &inOrder, const ViewItem *item) const;
    void insert(ViewItem *item);
    void remove(const ViewItem *item);
    // Puts an item whose data changed where it now belongs; says whether it moved.
    bool reposition(ViewItem *item);
    // The items that are in the set, in this order.
    QList<ViewItem *> filtered(const QSet<ViewItem *> &shown) const;

    // The key of a date or time written with its largest unit first ("2005", "2005-11-15", "2026-03-14 09:30"):
    // its digits in place; -1 for text without a year.
    static double dateKey(const QString &text);
    // Lower case, without accents: what the text comparison looks at.
    static QString folded(const QString &text);

private:
    const ItemColumns::Column *orderingColumn() const;
    double numberKey(const ViewItem &item) const;
    bool lessThan(const ViewItem &first, const ViewItem &second) const;
    // In this order, ascending or descending.
    bool before(const ViewItem &first, const ViewItem &second) const;
    template<typename Key, typename MakeKey>
    void sortBy(MakeKey makeKey);

    const QList<ItemColumns::Column> &columns;
    QList<ViewItem *> sorted;
    int sortColumn = 0;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
};

#endif // ITEMORDER_H
