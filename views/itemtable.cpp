#include "views/itemtable.h"

#include "model/itemroles.h"
#include "model/viewitem.h"
#include "views/tablecell.h"
#include "views/viewitemtext.h"
#include "widgets/rating.h"
#include "widgets/visiblerowwidgets.h"

#include <QSignalBlocker>
#include <QTableWidget>

namespace {

// A few screens' worth of rows keep their cells.
constexpr int KeptRows = 300;

} // namespace

ItemTable::ItemTable(QTableWidget *table, const QList<ItemColumns::Column> &columns)
    : QObject(table)
    , table(table)
    , columns(columns)
{
    visibleRows = new VisibleRowWidgets(table, [this](int row) { fill(row); });
}

void ItemTable::setItems(const QList<ViewItem *> &items)
{
    // Rows past the new end go, and their cells and widgets with them.
    filled.removeIf([&items](QHash<int, Cells>::iterator entry) { return entry.key() >= items.size(); });
    rows = items;
    if (table->rowCount() != rows.size())
        table->setRowCount(int(rows.size()));
    for (auto entry = filled.begin(); entry != filled.end(); ++entry) {
        const ViewItem *item = rows.at(entry.key());
        if (entry->item != item)
            render(*entry, *item);
    }
    // Rows that came on screen get their cells before the table is drawn.
    visibleRows->makeNow();
}

void ItemTable::insert(int row, ViewItem *item)
{
    table->insertRow(row);
    rows.insert(row, item);
    shiftRows(row, 1);
    visibleRows->makeNow();
}

void ItemTable::remove(int row)
{
    // The table deletes the row's cells and widget.
    filled.remove(row);
    table->removeRow(row);
    rows.removeAt(row);
    shiftRows(row + 1, -1);
}

void ItemTable::refresh(const ViewItem *item)
{
    for (Cells &cells : filled) {
        if (cells.item == item)
            render(cells, *item);
    }
}

void ItemTable::shiftRows(int from, int by)
{
    QHash<int, Cells> moved;
    moved.reserve(filled.size());
    for (auto entry = filled.cbegin(); entry != filled.cend(); ++entry)
        moved.insert(entry.key() >= from ? entry.key() + by : entry.key(), entry.value());
    filled = std::move(moved);
}

void ItemTable::fill(int row)
{
    if (row >= rows.size() || filled.contains(row))
        return;
    if (filled.size() >= KeptRows)
        dropOffScreenCells();
    Cells cells;
    for (const ItemColumns::Column &column : columns) {
        if (column.content == ItemColumns::Content::Cell) {
            cells.cells.at(size_t(column.index)) = new TableCell;
        } else if (column.content == ItemColumns::Content::Rating) {
            cells.rating = new Rating(table, 0);
            connect(cells.rating, &Rating::ratingSet, this, &ItemTable::ratingSet);
        }
    }
    // Written before the cells are placed, so that placing them is the only change the table hears of.
    render(cells, *rows.at(row));
    for (const ItemColumns::Column &column : columns) {
        if (TableCell *cell = cells.cells.at(size_t(column.index)))
            table->setItem(row, column.index, cell);
    }
    if (cells.rating)
        table->setCellWidget(row, ItemColumns::RatingColumn, cells.rating);
    filled.insert(row, cells);
}

void ItemTable::render(Cells &cells, const ViewItem &item)
{
    cells.item = &item;
    for (const ItemColumns::Column &column : columns) {
        if (TableCell *cell = cells.cells.at(size_t(column.index)))
            cell->setText(column.text(item));
    }
    TableCell *title = cells.cells.at(0);
    title->setToolTipSource(&item, item.type == QLatin1String("Book") ? &ViewItemText::bookToolTip
                                                                       : &ViewItemText::webPageToolTip);
    // An empty value clears a role a refresh no longer needs.
    title->setData(FilePathRole, item.filePath.isEmpty() ? QVariant() : QVariant(item.filePath));
    title->setData(ItemIdRole, item.iid);
    title->setData(UrlRole, item.url.isEmpty() ? QVariant() : QVariant(item.url));
    if (cells.rating) {
        // Showing the stored rating must not store it again.
        const QSignalBlocker blocker(cells.rating);
        cells.rating->setIid(item.iid);
        cells.rating->setRating(item.rating);
    }
}

void ItemTable::dropOffScreenCells()
{
    const int first = table->rowAt(0);
    int last = table->rowAt(table->viewport()->height() - 1);
    if (last < 0)
        last = table->rowCount() - 1;
    // A screen above and below stays, so that scrolling back a little finds its cells.
    const int margin = std::max(last - first + 1, 1);
    filled.removeIf([&](QHash<int, Cells>::iterator entry) {
        const int row = entry.key();
        if (row >= first - margin && row <= last + margin)
            return false;
        for (const ItemColumns::Column &column : columns) {
            if (entry->cells.at(size_t(column.index)))
                delete table->takeItem(row, column.index);
        }
        if (entry->rating)
            table->removeCellWidget(row, ItemColumns::RatingColumn);
        return true;
    });
}
