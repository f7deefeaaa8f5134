#include "views/itemlist.h"

#include "model/viewitem.h"
#include "views/coverlistentry.h"

#include <QListWidget>

ItemList::ItemList(QListWidget *list)
    : QObject(list)
    , list(list)
{
}

CoverListEntry *ItemList::entryAt(int row) const
{
    return static_cast<CoverListEntry *>(list->item(row));
}

void ItemList::setItems(const QList<ViewItem *> &items)
{
    const int kept = int(std::min(rows.size(), items.size()));
    if (rows.size() > kept)
        list->model()->removeRows(kept, int(rows.size()) - kept);
    rows = items;
    for (int row = 0; row < kept; ++row) {
        CoverListEntry *entry = entryAt(row);
        if (entry->item() != rows.at(row))
            entry->show(rows.at(row));
    }
    for (int row = kept; row < rows.size(); ++row)
        list->addItem(new CoverListEntry(rows.at(row)));
    // The entries changed under the list's eyes; it draws them again.
    list->viewport()->update();
}

void ItemList::insert(int row, ViewItem *item)
{
    rows.insert(row, item);
    list->insertItem(row, new CoverListEntry(item));
}

void ItemList::remove(int row)
{
    rows.removeAt(row);
    delete list->takeItem(row);
}

void ItemList::refresh(const ViewItem *item)
{
    // An edit may have written a new cover over the old file.
    CoverListEntry::forgetCover(item->coverFile);
    const int row = rowOf(item);
    if (row < 0)
        return;
    entryAt(row)->show(item);
    list->update(list->model()->index(row, 0));
}
