#include "model/items.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

QList<int> idsOf(QSqlQuery &query)
{
    QList<int> ids;
    // A failing statement yields no ids; the collections report nothing more.
    if (query.exec()) {
        while (query.next())
            ids.append(query.value(0).toInt());
    }
    return ids;
}

} // namespace

Items::Items(QObject *parent)
    : QObject(parent)
{
}

void Items::bindSearch(QSqlQuery &query, const Search &search, const QString &term)
{
    query.prepare(search.statement);
    const QString pattern = u'%' + term + u'%';
    query.bindValue(QStringLiteral(":term_title"), pattern);
    query.bindValue(QStringLiteral(":term_desc"), pattern);
    if (search.aid)
        query.bindValue(QStringLiteral(":aid"), *search.aid);
}

QList<int> Items::searchIds(const Search &search, const QString &term)
{
    QSqlQuery query;
    bindSearch(query, search, term);
    return idsOf(query);
}

QList<int> Items::selectIds(const QString &statement)
{
    QSqlQuery query;
    query.prepare(statement);
    return idsOf(query);
}
