#ifndef ITEMROWS_H
#define ITEMROWS_H

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariantList>

class QSqlQuery;

// The stored rows of a set of items, read table by table for the whole set: the items, their own rows
// (books), their states, author links, authors, files, tags and series, each table in one statement. A collection
// builds its records from these instead of reading each record's rows one by one; the columns are those
// the per-record statements read, so a record comes out the same either way.
class ItemRows
{
public:
    using Row = QVariantList;

    static ItemRows read(const QList<int> &iids);

    const Row *item(int iid) const { return find(items, iid); }
    const Row *book(int iid) const { return find(books, iid); }
    const Row *state(int iid) const { return find(states, iid); }
    // The author ids linked to the item, in the order the links were stored.
    QList<int> authorIds(int iid) const { return authorLinks.value(iid); }
    const Row *author(int aid) const { return find(authors, aid); }
    // The item's tag names, in the order they were given.
    QStringList tags(int iid) const { return tagNames.value(iid); }
    // iid, name, position.
    const Row *series(int iid) const { return find(seriesRows, iid); }
    // The item's files rows, in the order they were stored.
    QList<Row> files(int iid) const { return fileRows.value(iid); }

    // The ids as one JSON array, for json_each(): a single placeholder for any number of them.
    static QString idSet(const QList<int> &iids);
    // The values of the query's current row, which has that many columns.
    static Row values(const QSqlQuery &query, int columns);

private:
    static const Row *find(const QHash<int, Row> &rows, int key);

    QHash<int, Row> items;
    QHash<int, Row> books;
    QHash<int, Row> states;
    QHash<int, Row> authors;
    QHash<int, QList<int>> authorLinks;
    QHash<int, QList<Row>> fileRows;
    QHash<int, QStringList> tagNames;
    QHash<int, Row> seriesRows;
};

#endif // ITEMROWS_H
