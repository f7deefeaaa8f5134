#include "model/preparedquery.h"

#include "model/savetransaction.h"
#include "model/statementcache.h"

#include <QSqlError>

PreparedQuery::PreparedQuery(const QString &statement)
    : statement(statement)
    , query(StatementCache::acquire(statement))
    , cached(query != nullptr)
    , prepared(cached)
{
    if (!cached) {
        own.emplace();
        query = &*own;
        prepared = query->prepare(statement);
    }
}

PreparedQuery::~PreparedQuery()
{
    if (cached)
        StatementCache::release(statement);
}

bool PreparedQuery::exec()
{
    if (query->exec())
        return true;
    SaveTransaction::noteFailure(query->lastError().text());
    return false;
}

bool PreparedQuery::execForItem(const QString &statement, int iid)
{
    PreparedQuery query(statement);
    query->bindValue(QStringLiteral(":iid"), iid);
    return query.exec();
}
