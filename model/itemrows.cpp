#include "model/itemrows.h"

#include "model/labelstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtDebug>

#include <functional>
#include <utility>

namespace {

// The ids go in as one JSON array, so that each statement keeps a single placeholder for any number of them.
const QString IdSet = QStringLiteral("(SELECT value FROM json_each(:iids))");

void readEach(const QString &statement, const QString &iids, const std::function<void(ItemRows::Row)> &take)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(statement);
    query.bindValue(QStringLiteral(":iids"), iids);
    if (!query.exec()) {
        qWarning().noquote() << "Cannot read the items' rows:" << query.lastError().text();
        return;
    }
    const int columns = query.record().count();
    while (query.next())
        take(ItemRows::values(query, columns));
}

} // namespace

ItemRows ItemRows::read(const QList<int> &iids)
{
    ItemRows rows;
    const QString ids = idSet(iids);
    const auto byColumn = [](QHash<int, Row> &into, int column) {
        return [&into, column](Row row) { into.insert(row.at(column).toInt(), std::move(row)); };
    };

    readEach(QStringLiteral("SELECT * FROM items WHERE iid IN ") + IdSet, ids, byColumn(rows.items, 0));
    // The description stays behind (see Book::getDescription): in a large library it would be most of
    // the memory the records hold.
    readEach(QStringLiteral("SELECT bid, title, pageCount, datePublished, NULL, iid, publisher, isbn10, isbn13 FROM "
                            "books WHERE iid IN ")
                 + IdSet,
             ids, byColumn(rows.books, 5));
    readEach(QStringLiteral("SELECT language, own, location, readDate, want, iid FROM itemstates WHERE iid IN ")
                 + IdSet,
             ids, byColumn(rows.states, 5));
    readEach(QStringLiteral("SELECT * FROM items_authors WHERE iid IN ") + IdSet + QStringLiteral(" ORDER BY rowid"),
             ids, [&rows](const Row &row) { rows.authorLinks[row.at(0).toInt()].append(row.at(1).toInt()); });
    readEach(QStringLiteral("SELECT * FROM authors WHERE aid IN (SELECT aid FROM items_authors WHERE iid IN ") + IdSet
                 + u')',
             ids, byColumn(rows.authors, 0));
    readEach(QStringLiteral("SELECT * FROM files WHERE iid IN ") + IdSet + QStringLiteral(" ORDER BY fid"), ids,
             [&rows](Row row) { rows.fileRows[row.at(8).toInt()].append(std::move(row)); });
    // Many items share each tag and series: one string per name keeps a large library's memory down.
    QSet<QString> names;
    const auto shared = [&names](const QVariant &name) { return *names.insert(name.toString()); };
    readEach(LabelStore::tagsStatement(IdSet), ids,
             [&rows, &shared](const Row &row) { rows.tagNames[row.at(0).toInt()].append(shared(row.at(1))); });
    readEach(LabelStore::seriesStatement(IdSet), ids, [&rows, &shared](Row row) {
        row[1] = shared(row.at(1));
        rows.seriesRows.insert(row.at(0).toInt(), std::move(row));
    });
    return rows;
}

QString ItemRows::idSet(const QList<int> &iids)
{
    QJsonArray array;
    for (const int iid : iids)
        array.append(iid);
    return QString::fromLatin1(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

ItemRows::Row ItemRows::values(const QSqlQuery &query, int columns)
{
    Row row;
    row.reserve(columns);
    for (int column = 0; column < columns; ++column)
        row.append(query.value(column));
    return row;
}

const ItemRows::Row *ItemRows::find(const QHash<int, Row> &rows, int key)
{
    const auto it = rows.constFind(key);
    return it == rows.cend() ? nullptr : &*it;
}
