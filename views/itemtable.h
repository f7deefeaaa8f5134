#ifndef ITEMTABLE_H
#define ITEMTABLE_H

#include "views/itemcolumns.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <array>

class QTableWidget;
class Rating;
class TableCell;
class VisibleRowWidgets;
struct ViewItem;

// Shows view items in a table, one row per item in the given order. Rows are slots: a row holds cells only
// while it is on screen or was shortly before, and a search or a sort gives the rows other items instead of
// hiding rows, so a table of 100,000 items holds the cells of a few screens.
class ItemTable : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ItemTable)

public:
    // Belongs to the table.
    ItemTable(QTableWidget *table, const QList<ItemColumns::Column> &columns);

    const QList<ViewItem *> &items() const { return rows; }
    ViewItem *itemAt(int row) const { return row >= 0 && row < rows.size() ? rows.at(row) : nullptr; }
    int rowOf(const ViewItem *item) const { return int(rows.indexOf(item)); }

    // The rows show these items from now on; rows that still show the same item are not touched.
    void setItems(const QList<ViewItem *> &items);
    void insert(int row, ViewItem *item);
    void remove(int row);
    // Draws the item's row again if it has cells.
    void refresh(const ViewItem *item);

signals:
    void ratingSet(int iid, int rating);

private:
    struct Cells
    {
        std::array<TableCell *, 9> cells{};
        Rating *rating = nullptr;
        const ViewItem *item = nullptr;
    };

    void fill(int row);
    void render(Cells &cells, const ViewItem &item);
    void shiftRows(int from, int by);
    // Cells of rows far from the screen go, so that scrolling through a large table does not keep them all.
    void dropOffScreenCells();

    QTableWidget *table;
    const QList<ItemColumns::Column> &columns;
    QList<ViewItem *> rows;
    QHash<int, Cells> filled;
    VisibleRowWidgets *visibleRows = nullptr;
};

#endif // ITEMTABLE_H
