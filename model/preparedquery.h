#ifndef PREPAREDQUERY_H
#define PREPAREDQUERY_H

#include <QSqlQuery>
#include <QString>

#include <optional>

// A query on the default connection prepared with one statement: the reused one of the active
// StatementCache when there is one, else a query of its own.
class PreparedQuery
{
public:
    explicit PreparedQuery(const QString &statement);
    ~PreparedQuery();

    bool isPrepared() const { return prepared; }
    // Runs the statement; a failure inside a save is noted as its reason (SaveTransaction).
    bool exec();
    // Runs a statement whose one placeholder, :iid, takes the item's id.
    static bool execForItem(const QString &statement, int iid);
    QSqlQuery &operator*() { return *query; }
    QSqlQuery *operator->() { return query; }

private:
    Q_DISABLE_COPY_MOVE(PreparedQuery)

    QString statement;
    std::optional<QSqlQuery> own;
    QSqlQuery *query;
    bool cached;
    bool prepared;
};

#endif // PREPAREDQUERY_H
