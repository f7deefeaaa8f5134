#include "model/items.h"

#include "model/labelquery.h"

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
    const LabelQuery labels(term);
    if (search.statement.contains(QLatin1String(":term_title"))) {
        const QString pattern = u'%' + labels.words() + u'%';
        query.bindValue(QStringLiteral(":term_title"), pattern);
        query.bindValue(QStringLiteral(":term_desc"), pattern);
    }
    labels.bind(query);
    if (search.aid)
        query.bindValue(QStringLiteral(":aid"), *search.aid);
    if (search.group)
        query.bindValue(QStringLiteral(":group"), *search.group);
}

QList<int> Items::searchIds(const Search &search, const QString &term)
{
    QSqlQuery query;
    bindSearch(query, search, term);
    return idsOf(query);
}

QString Items::labelledStatement(const LabelQuery &labels, const QString &select, const QString &wordsCondition,
                                 const QString &iidColumn, int limit)
{
    QStringList conditions = labels.conditions(iidColumn);
    if (!labels.words().isEmpty())
        conditions.prepend(wordsCondition);
    return select + conditions.join(QLatin1String(" AND ")) + QStringLiteral(" LIMIT %1").arg(limit);
}

QList<int> Items::selectIds(const QString &statement)
{
    QSqlQuery query;
    query.prepare(statement);
    return idsOf(query);
}
