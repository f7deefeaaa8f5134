#include "model/labelstore.h"

#include "model/itemrows.h"
#include "model/preparedquery.h"

#include <QSet>

namespace {

// The name's row, made when the name is new; the stored spelling wins over this one.
bool storeName(const QString &table, const QString &name)
{
    PreparedQuery query(QStringLiteral("INSERT OR IGNORE INTO %1 (name) VALUES (:name)").arg(table));
    query->bindValue(QStringLiteral(":name"), name);
    return query.exec();
}

} // namespace

QString LabelStore::normalized(const QString &name)
{
    return name.simplified();
}

QStringList LabelStore::normalized(const QStringList &names)
{
    QStringList kept;
    QSet<QString> seen;
    for (const QString &name : names) {
        const QString simple = normalized(name);
        if (!simple.isEmpty() && !seen.contains(simple.toCaseFolded())) {
            seen.insert(simple.toCaseFolded());
            kept.append(simple);
        }
    }
    return kept;
}

QString LabelStore::tagsStatement(const QString &idSet)
{
    return QStringLiteral("SELECT itemtags.iid, tags.name FROM itemtags JOIN tags ON tags.tid = itemtags.tid WHERE "
                          "itemtags.iid IN %1 ORDER BY itemtags.rowid")
        .arg(idSet);
}

QString LabelStore::seriesStatement(const QString &idSet)
{
    return QStringLiteral("SELECT itemseries.iid, series.name, itemseries.position FROM itemseries JOIN series ON "
                          "series.sid = itemseries.sid WHERE itemseries.iid IN %1")
        .arg(idSet);
}

QList<LabelStore::Entry> LabelStore::tagEntries()
{
    return entries(QStringLiteral("tags"), QStringLiteral("itemtags"), QStringLiteral("tid"));
}

QList<LabelStore::Entry> LabelStore::seriesEntries()
{
    return entries(QStringLiteral("series"), QStringLiteral("itemseries"), QStringLiteral("sid"));
}

QList<LabelStore::Entry> LabelStore::entries(const QString &table, const QString &links, const QString &key)
{
    // The books counted are those the entry's tab shows; a name only web pages carry counts none.
    PreparedQuery query(QStringLiteral("SELECT %1.%3, %1.name, count(books.iid) FROM %1 JOIN %2 ON %2.%3 = %1.%3 "
                                       "LEFT JOIN books ON books.iid = %2.iid GROUP BY %1.%3 ORDER BY %1.name")
                            .arg(table, links, key));
    QList<Entry> found;
    if (query.exec()) {
        while (query->next())
            found.append({query->value(0).toInt(), query->value(1).toString(), query->value(2).toInt()});
    }
    return found;
}

QStringList LabelStore::tagNames()
{
    return names(QStringLiteral("tags"));
}

QStringList LabelStore::seriesNames()
{
    return names(QStringLiteral("series"));
}

QStringList LabelStore::names(const QString &table)
{
    PreparedQuery query(QStringLiteral("SELECT name FROM %1 ORDER BY name").arg(table));
    QStringList names;
    if (query.exec()) {
        while (query->next())
            names.append(query->value(0).toString());
    }
    return names;
}

bool LabelStore::saveTags(int iid, const QStringList &tags)
{
    const QList<int> before = linkedIds(QStringLiteral("itemtags"), QStringLiteral("tid"), {iid});
    bool stored = PreparedQuery::execForItem(QStringLiteral("DELETE FROM itemtags WHERE iid = :iid"), iid);
    stored = addTags({iid}, tags) && stored;
    return dropUnused(QStringLiteral("tags"), QStringLiteral("itemtags"), QStringLiteral("tid"), before) && stored;
}

bool LabelStore::saveSeries(int iid, const ItemSeries &series)
{
    return setSeries({iid}, series.name, series.position);
}

bool LabelStore::forget(int iid)
{
    const bool untagged = saveTags(iid, {});
    return saveSeries(iid, {}) && untagged;
}

bool LabelStore::addTags(const QList<int> &iids, const QStringList &tags)
{
    bool stored = true;
    const QString items = ItemRows::idSet(iids);
    PreparedQuery link(QStringLiteral("INSERT OR IGNORE INTO itemtags (iid, tid) SELECT value, (SELECT tid FROM tags "
                                      "WHERE name = :name) FROM json_each(:iids)"));
    for (const QString &tag : normalized(tags)) {
        stored = storeName(QStringLiteral("tags"), tag) && stored;
        link->bindValue(QStringLiteral(":name"), tag);
        link->bindValue(QStringLiteral(":iids"), items);
        stored = link.exec() && stored;
    }
    return stored;
}

bool LabelStore::removeTag(const QList<int> &iids, const QString &tag)
{
    PreparedQuery tid(QStringLiteral("SELECT tid FROM tags WHERE name = :name"));
    tid->bindValue(QStringLiteral(":name"), normalized(tag));
    if (!tid.exec())
        return false;
    if (!tid->next())
        return true;
    const int id = tid->value(0).toInt();
    PreparedQuery unlink(
        QStringLiteral("DELETE FROM itemtags WHERE tid = :tid AND iid IN (SELECT value FROM json_each(:iids))"));
    unlink->bindValue(QStringLiteral(":tid"), id);
    unlink->bindValue(QStringLiteral(":iids"), ItemRows::idSet(iids));
    return unlink.exec() && dropUnused(QStringLiteral("tags"), QStringLiteral("itemtags"), QStringLiteral("tid"), {id});
}

bool LabelStore::setSeries(const QList<int> &iids, const QString &name, std::optional<double> first)
{
    const QList<int> before = linkedIds(QStringLiteral("itemseries"), QStringLiteral("sid"), iids);
    PreparedQuery unlink(QStringLiteral("DELETE FROM itemseries WHERE iid IN (SELECT value FROM json_each(:iids))"));
    unlink->bindValue(QStringLiteral(":iids"), ItemRows::idSet(iids));
    bool stored = unlink.exec();
    const QString series = normalized(name);
    if (!series.isEmpty()) {
        stored = storeName(QStringLiteral("series"), series) && stored;
        PreparedQuery link(QStringLiteral("INSERT INTO itemseries (iid, sid, position) SELECT :iid, sid, :position "
                                          "FROM series WHERE name = :name"));
        for (qsizetype index = 0; index < iids.size(); ++index) {
            link->bindValue(QStringLiteral(":iid"), iids.at(index));
            link->bindValue(QStringLiteral(":position"), first ? QVariant(*first + double(index)) : QVariant());
            link->bindValue(QStringLiteral(":name"), series);
            stored = link.exec() && stored;
        }
    }
    return dropUnused(QStringLiteral("series"), QStringLiteral("itemseries"), QStringLiteral("sid"), before) && stored;
}

bool LabelStore::renameTag(int tid, const QString &name)
{
    return rename(QStringLiteral("tags"), QStringLiteral("itemtags"), QStringLiteral("tid"), tid, name);
}

bool LabelStore::renameSeries(int sid, const QString &name)
{
    return rename(QStringLiteral("series"), QStringLiteral("itemseries"), QStringLiteral("sid"), sid, name);
}

QList<int> LabelStore::tagItems(int tid)
{
    return linkedItems(QStringLiteral("itemtags"), QStringLiteral("tid"), tid);
}

QList<int> LabelStore::seriesItems(int sid)
{
    return linkedItems(QStringLiteral("itemseries"), QStringLiteral("sid"), sid);
}

bool LabelStore::rename(const QString &table, const QString &links, const QString &key, int id, const QString &name)
{
    const QString renamed = normalized(name);
    if (renamed.isEmpty())
        return false;
    PreparedQuery other(QStringLiteral("SELECT %1 FROM %2 WHERE name = :name AND %1 <> :id").arg(key, table));
    other->bindValue(QStringLiteral(":name"), renamed);
    other->bindValue(QStringLiteral(":id"), id);
    if (!other.exec())
        return false;
    if (!other->next()) {
        // Only the spelling may change, "history" to "History".
        PreparedQuery update(QStringLiteral("UPDATE %1 SET name = :name WHERE %2 = :id").arg(table, key));
        update->bindValue(QStringLiteral(":name"), renamed);
        update->bindValue(QStringLiteral(":id"), id);
        return update.exec();
    }
    const int kept = other->value(0).toInt();
    other->finish();
    // An item that had both keeps one link; the other goes with the merged name.
    PreparedQuery merge(QStringLiteral("UPDATE OR IGNORE %1 SET %2 = :kept WHERE %2 = :id").arg(links, key));
    merge->bindValue(QStringLiteral(":kept"), kept);
    merge->bindValue(QStringLiteral(":id"), id);
    PreparedQuery unlink(QStringLiteral("DELETE FROM %1 WHERE %2 = :id").arg(links, key));
    unlink->bindValue(QStringLiteral(":id"), id);
    return merge.exec() && unlink.exec() && dropUnused(table, links, key, {id});
}

QList<int> LabelStore::linkedItems(const QString &links, const QString &key, int id)
{
    PreparedQuery query(QStringLiteral("SELECT iid FROM %1 WHERE %2 = :id").arg(links, key));
    query->bindValue(QStringLiteral(":id"), id);
    QList<int> iids;
    if (query.exec()) {
        while (query->next())
            iids.append(query->value(0).toInt());
    }
    return iids;
}

QString LabelStore::storedName(const QString &table, const QString &name)
{
    PreparedQuery query(QStringLiteral("SELECT name FROM %1 WHERE name = :name").arg(table));
    query->bindValue(QStringLiteral(":name"), normalized(name));
    return query.exec() && query->next() ? query->value(0).toString() : normalized(name);
}

QList<int> LabelStore::linkedIds(const QString &links, const QString &key, const QList<int> &iids)
{
    PreparedQuery query(
        QStringLiteral("SELECT DISTINCT %1 FROM %2 WHERE iid IN (SELECT value FROM json_each(:iids))").arg(key, links));
    query->bindValue(QStringLiteral(":iids"), ItemRows::idSet(iids));
    QList<int> ids;
    if (query.exec()) {
        while (query->next())
            ids.append(query->value(0).toInt());
    }
    return ids;
}

bool LabelStore::dropUnused(const QString &table, const QString &links, const QString &key, const QList<int> &ids)
{
    PreparedQuery drop(
        QStringLiteral("DELETE FROM %1 WHERE %2 = :id AND NOT EXISTS (SELECT 1 FROM %3 WHERE %3.%2 = %1.%2)")
            .arg(table, key, links));
    bool dropped = true;
    for (const int id : ids) {
        drop->bindValue(QStringLiteral(":id"), id);
        dropped = drop.exec() && dropped;
    }
    return dropped;
}
