#include "model/labeledit.h"

#include "model/item.h"
#include "model/labelstore.h"
#include "model/records.h"
#include "model/savetransaction.h"
#include "model/statementcache.h"

namespace {

// Stores the change for the items' ids in one transaction; only then do the records take it and tell of it.
template<typename Store, typename Apply>
bool storeThenApply(const QList<Item *> &items, Store store, Apply apply)
{
    QList<int> iids;
    iids.reserve(items.size());
    for (const Item *item : items)
        iids.append(item->getIid());
    {
        const StatementCache statements;
        SaveTransaction transaction;
        if (!store(iids) || !transaction.commit())
            return false;
    }
    for (Item *item : items) {
        apply(*item);
        item->announceChange();
    }
    return true;
}

// The records held of the items, which are the ones to show a change; the rest read it when they are read.
QList<std::shared_ptr<Item>> heldRecords(const QList<int> &iids)
{
    QList<std::shared_ptr<Item>> held;
    for (const int iid : iids) {
        if (std::shared_ptr<Item> record = Records::find(iid))
            held.append(std::move(record));
    }
    return held;
}

QList<Item *> pointers(const QList<std::shared_ptr<Item>> &records)
{
    QList<Item *> items;
    items.reserve(records.size());
    for (const std::shared_ptr<Item> &record : records)
        items.append(record.get());
    return items;
}

// Renames in the store, then gives the held records of the items the name as it is now stored.
template<typename Rename, typename Apply>
bool renameThenApply(const QList<int> &iids, const QString &table, const QString &name, Rename rename, Apply apply)
{
    const QList<std::shared_ptr<Item>> held = heldRecords(iids);
    QString spelled;
    return storeThenApply(
        pointers(held),
        [&](const QList<int> &) {
            if (!rename())
                return false;
            spelled = LabelStore::storedName(table, name);
            return true;
        },
        [&](Item &item) { apply(item, spelled); });
}

} // namespace

bool LabelEdit::addTags(const QList<Item *> &items, const QStringList &tags)
{
    const QStringList added = LabelStore::normalized(tags);
    QStringList spelled;
    return storeThenApply(
        items,
        [&added, &spelled](const QList<int> &iids) {
            if (!LabelStore::addTags(iids, added))
                return false;
            for (const QString &tag : added)
                spelled.append(LabelStore::storedName(QStringLiteral("tags"), tag));
            return true;
        },
        [&spelled](Item &item) { item.setTags(item.getTags() + spelled); });
}

bool LabelEdit::removeTag(const QList<Item *> &items, const QString &tag)
{
    return storeThenApply(
        items, [&tag](const QList<int> &iids) { return LabelStore::removeTag(iids, tag); },
        [removed = LabelStore::normalized(tag)](Item &item) {
            QStringList tags = item.getTags();
            tags.removeIf([&removed](const QString &kept) { return kept.compare(removed, Qt::CaseInsensitive) == 0; });
            item.setTags(tags);
        });
}

bool LabelEdit::setSeries(const QList<Item *> &items, const QString &name, std::optional<double> first)
{
    QString spelled;
    return storeThenApply(
        items,
        [&](const QList<int> &iids) {
            if (!LabelStore::setSeries(iids, name, first))
                return false;
            spelled = LabelStore::storedName(QStringLiteral("series"), name);
            return true;
        },
        [&spelled, position = first](Item &item) mutable {
            item.setSeries({spelled, position});
            if (position)
                *position += 1;
        });
}

bool LabelEdit::renameTag(int tid, const QString &current, const QString &name)
{
    return renameThenApply(
        LabelStore::tagItems(tid), QStringLiteral("tags"), name,
        [tid, &name] { return LabelStore::renameTag(tid, name); },
        [&current](Item &item, const QString &spelled) {
            QStringList tags = item.getTags();
            for (QString &tag : tags) {
                if (tag.compare(current, Qt::CaseInsensitive) == 0)
                    tag = spelled;
            }
            // An item that had both names keeps the tag once.
            item.setTags(LabelStore::normalized(tags));
        });
}

bool LabelEdit::renameSeries(int sid, const QString &name)
{
    return renameThenApply(
        LabelStore::seriesItems(sid), QStringLiteral("series"), name,
        [sid, &name] { return LabelStore::renameSeries(sid, name); },
        [](Item &item, const QString &spelled) {
            item.setSeries({spelled, item.getSeries().position});
        });
}

QStringList LabelEdit::tagsOf(const QList<Item *> &items)
{
    QStringList tags;
    for (const Item *item : items)
        tags += item->getTags();
    return LabelStore::normalized(tags);
}
