#ifndef LABELSTORE_H
#define LABELSTORE_H

#include "model/itemseries.h"

#include <QList>
#include <QString>
#include <QStringList>

// The stored tags and series of items. A name is kept once, with the spelling it was first stored in, and
// matched without regard to case; a tag or series goes with its last item.
class LabelStore
{
public:
    // White space trimmed and collapsed.
    static QString normalized(const QString &name);
    // Normalized, without empty names and without a second spelling of one.
    static QStringList normalized(const QStringList &names);

    // The statements that read the tags (iid, name; in the order given) and the series (iid, name, position)
    // of the items whose ids the set gives, such as "(:iid)".
    static QString tagsStatement(const QString &idSet);
    static QString seriesStatement(const QString &idSet);

    struct Entry
    {
        int id = 0;
        QString name;
        int books = 0;
    };
    // Every tag or series with the number of books it has, by name.
    static QList<Entry> tagEntries();
    static QList<Entry> seriesEntries();

    // Every stored name, in alphabetical order.
    static QStringList tagNames();
    static QStringList seriesNames();

    // Replace the item's links; inside the caller's transaction.
    static bool saveTags(int iid, const QStringList &tags);
    static bool saveSeries(int iid, const ItemSeries &series);
    // Takes the item's links out, with the names no other item uses.
    static bool forget(int iid);

    // The same for many items at once, a statement for each name rather than for each item.
    static bool addTags(const QList<int> &iids, const QStringList &tags);
    static bool removeTag(const QList<int> &iids, const QString &tag);
    // The items in this order get the places first, first + 1, ...; without a first place, none. An empty
    // name takes them out of their series.
    static bool setSeries(const QList<int> &iids, const QString &name, std::optional<double> first);
    // Gives the tag or series a new name; when another one has that name already, its items join that one
    // and this one goes. Inside the caller's transaction; false for an empty name.
    static bool renameTag(int tid, const QString &name);
    static bool renameSeries(int sid, const QString &name);
    // The items the tag or series has.
    static QList<int> tagItems(int tid);
    static QList<int> seriesItems(int sid);

    // The spelling the name is stored in; the name itself when it is not stored.
    static QString storedName(const QString &table, const QString &name);

private:
    static QStringList names(const QString &table);
    static QList<Entry> entries(const QString &table, const QString &links, const QString &key);
    static bool dropUnused(const QString &table, const QString &links, const QString &key, const QList<int> &ids);
    static bool rename(const QString &table, const QString &links, const QString &key, int id, const QString &name);
    static QList<int> linkedItems(const QString &links, const QString &key, int id);
    static QList<int> linkedIds(const QString &links, const QString &key, const QList<int> &iids);
};

#endif // LABELSTORE_H
