#include "model/statementcache.h"

#include <QSqlQuery>

thread_local StatementCache *StatementCache::active = nullptr;

StatementCache::StatementCache()
    : owner(active == nullptr)
{
    if (owner)
        active = this;
}

StatementCache::~StatementCache()
{
    if (owner)
        active = nullptr;
}

QSqlQuery *StatementCache::acquire(const QString &statement)
{
    if (!active)
        return nullptr;
    Entry &entry = active->entries[statement];
    if (entry.inUse)
        return nullptr;
    if (!entry.query) {
        auto query = std::make_unique<QSqlQuery>();
        // A statement that does not prepare is not kept; the caller's own query reports the error.
        if (!query->prepare(statement))
            return nullptr;
        entry.query = std::move(query);
    }
    entry.inUse = true;
    return entry.query.get();
}

void StatementCache::release(const QString &statement)
{
    if (!active)
        return;
    const auto found = active->entries.find(statement);
    if (found == active->entries.end() || !found->second.query)
        return;
    // Ends the read, so the statement holds no lock while it waits for its next use.
    found->second.query->finish();
    found->second.inUse = false;
}
