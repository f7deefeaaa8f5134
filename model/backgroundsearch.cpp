#include "model/backgroundsearch.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The worker's own connection to the library, opened at its first search and kept for the next.
QSqlDatabase workerConnection(const QString &name, const QString &databasePath)
{
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (db.databaseName() != databasePath) {
        db.close();
        db.setDatabaseName(databasePath);
    }
    if (!db.isOpen() && !db.open())
        qDebug() << "search connection not opened:" << db.lastError().text();
    return db;
}

// Nothing when the search was superseded or failed; a failure is told in the debug output.
std::optional<QList<int>> findIds(const QSqlDatabase &db, const Items::Search &search, const QString &term,
                                  int number, const std::atomic_int &latest)
{
    if (!db.isOpen())
        return std::nullopt;
    QSqlQuery query(db);
    Items::bindSearch(query, search, term);
    if (!query.exec()) {
        qDebug() << "search failed:" << query.lastError().text();
        return std::nullopt;
    }
    QList<int> ids;
    while (number == latest && query.next())
        ids.append(query.value(0).toInt());
    if (number != latest)
        return std::nullopt;
    return ids;
}

} // namespace

BackgroundSearch::BackgroundSearch(QObject *parent)
    : QObject(parent)
    , connectionName(QStringLiteral("background-search-%1").arg(quintptr(this)))
{
    // One thread that stays, so that its connection serves every search.
    worker.setMaxThreadCount(1);
    worker.setExpiryTimeout(-1);
}

BackgroundSearch::~BackgroundSearch()
{
    cancel();
    // The connection is closed in the thread that used it.
    worker.start([name = connectionName] {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    });
    worker.waitForDone();
}

void BackgroundSearch::start(const Items::Search &search, const QString &term)
{
    const int number = ++*latest;
    const QString databasePath = QSqlDatabase::database().databaseName();
    worker.start([this, name = connectionName, databasePath, search, term, number, latest = latest] {
        // A search superseded while it waited for its turn does not run at all.
        if (number != *latest)
            return;
        const std::optional<QList<int>> ids
            = findIds(workerConnection(name, databasePath), search, term, number, *latest);
        if (!ids)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, term, ids = *ids, number, latest] {
                if (number == *latest)
                    emit found(term, ids);
            },
            Qt::QueuedConnection);
    });
}

void BackgroundSearch::cancel()
{
    ++*latest;
}
