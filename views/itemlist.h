#ifndef ITEMLIST_H
#define ITEMLIST_H

#include <QList>
#include <QObject>

class CoverListEntry;
class QListWidget;
struct ViewItem;

// Shows view items in an icon list, one entry per item in the given order. Like the table's rows, the entries
// are slots: a search gives them other items instead of hiding entries, which a list of 100,000 entries would
// have to look through one by one.
class ItemList : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ItemList)

public:
    // Belongs to the list.
    explicit ItemList(QListWidget *list);

    const QList<ViewItem *> &items() const { return rows; }
    ViewItem *itemAt(int row) const { return row >= 0 && row < rows.size() ? rows.at(row) : nullptr; }
    int rowOf(const ViewItem *item) const { return int(rows.indexOf(item)); }

    // The entries show these items from now on; entries that still show the same item keep their cover.
    void setItems(const QList<ViewItem *> &items);
    void insert(int row, ViewItem *item);
    void remove(int row);
    // Draws the item's entry again, with its cover read anew.
    void refresh(const ViewItem *item);

private:
    CoverListEntry *entryAt(int row) const;

    QListWidget *list;
    QList<ViewItem *> rows;
};

#endif // ITEMLIST_H
