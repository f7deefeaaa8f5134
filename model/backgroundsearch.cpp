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
template<typename Superseded>
std::optional<QList<int>> findIds(const QSqlDatabase &db, const Items::Search &search, const QString &term,
                                  const Superseded &superseded)
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
    while (!superseded() && query.next())
        ids.append(query.value(0).toInt());
    if (superseded())
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

template<typename Work, typename Report>
void BackgroundSearch::runLatest(Work work, Report report)
{
    const int number = ++*latest;
    const QString databasePath = QSqlDatabase::database().databaseName();
    worker.start([this, name = connectionName, databasePath, number, latest = latest, work, report] {
        // A search superseded while it waited for its turn does not run at all.
        if (number != *latest)
            return;
        auto outcome
            = work(workerConnection(name, databasePath), [number, &newest = *latest] { return number != newest; });
        if (!outcome)
            return;
        QMetaObject::invokeMethod(
            this,
            [report, outcome = std::move(*outcome), number, latest] {
                if (number == *latest)
                    report(outcome);
            },
            Qt::QueuedConnection);
    });
}

void BackgroundSearch::start(const Items::Search &search, const QString &term)
{
    runLatest([search, term](const QSqlDatabase &db,
                             const auto &superseded) { return findIds(db, search, term, superseded); },
              [this, term](const QList<int> &ids) { emit found(term, ids); });
}

void BackgroundSearch::startFullText(const QString &typed, const FullTextSearch::Scope &scope)
{
    runLatest(
        [typed, scope](const QSqlDatabase &db, const auto &superseded) -> std::optional<FullTextSearch::Result> {
            FullTextSearch::Result result = FullTextSearch::run(typed, scope, db);
            if (superseded())
                return std::nullopt;
            return result;
        },
        [this, typed](const FullTextSearch::Result &result) { emit fullTextFound(typed, result); });
}

void BackgroundSearch::cancel()
{
    ++*latest;
}
