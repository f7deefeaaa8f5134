#ifndef STATEMENTCACHE_H
#define STATEMENTCACHE_H

#include <QString>

#include <memory>
#include <unordered_map>

class QSqlQuery;

// While it lives, queries made with PreparedQuery on this thread prepare each statement once and reuse it,
// so a loop over many records does not parse the same statements for each. Scoped to such a loop: a
// prepared statement must not outlive the connection it was made on. An inner cache leaves the work to
// the outer one.
class StatementCache
{
public:
    StatementCache();
    ~StatementCache();

    // The prepared query of the active cache, or nullptr without one or while that query is in use.
    static QSqlQuery *acquire(const QString &statement);
    static void release(const QString &statement);

private:
    Q_DISABLE_COPY_MOVE(StatementCache)

    struct Entry
    {
        std::unique_ptr<QSqlQuery> query;
        bool inUse = false;
    };

    std::unordered_map<QString, Entry> entries;
    bool owner;

    static thread_local StatementCache *active;
};

#endif // STATEMENTCACHE_H
