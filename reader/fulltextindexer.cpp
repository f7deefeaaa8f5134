#include "reader/fulltextindexer.h"

#include "core/readableformats.h"
#include "model/fulltextrows.h"
#include "reader/booktext.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// Often enough for the status bar, seldom enough to cost nothing.
constexpr int ProgressIntervalMs = 250;
// The window's writes get their turn between the indexer's.
constexpr int BusyTimeoutMs = 5000;

struct Indexed
{
    qint64 size = -1;
    qint64 modified = -1;
};

// A file read and waiting to be written with others, in one short transaction.
struct Read
{
    int fid = 0;
    qint64 size = 0;
    qint64 modified = 0;
    BookText text;
};

// The worker yields to the window and its searches when both want the processor, yet goes on when the machine
// is busy with other work too.
void lowerWorkerPriority()
{
#ifdef Q_OS_LINUX
    constexpr int Niceness = 10;
    if (setpriority(PRIO_PROCESS, id_t(gettid()), Niceness) != 0)
        qDebug() << "full-text indexing keeps its priority:" << qt_error_string(errno);
#endif
}

QSqlDatabase indexerConnection(const QString &name, const QString &databasePath)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(databasePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open())
        qDebug() << "full-text index connection not opened:" << db.lastError().text();
    return db;
}

bool exec(QSqlQuery &query)
{
    if (query.exec())
        return true;
    qDebug() << "full-text index not written:" << query.lastError().text();
    return false;
}

} // namespace

// One pass over the library's files, in the worker.
struct FullTextIndexer::Pass
{
    QSqlDatabase db;
    QList<Read> waiting;
    int waitingParts = 0;

    // Files that left the library leave the index.
    void forgetRemovedFiles()
    {
        QSqlQuery gone(db);
        if (!gone.exec(QStringLiteral("SELECT fid FROM fulltextfiles WHERE fid NOT IN (SELECT fid FROM files)")))
            return;
        QList<int> fids;
        while (gone.next())
            fids << gone.value(0).toInt();
        gone.finish();
        db.transaction();
        for (int fid : std::as_const(fids))
            FullTextRows::forget(db, fid);
        db.commit();
    }

    QHash<int, Indexed> indexedFiles()
    {
        QHash<int, Indexed> indexed;
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("SELECT fid, size, modified FROM fulltextfiles"))) {
            while (query.next())
                indexed.insert(query.value(0).toInt(), {query.value(1).toLongLong(), query.value(2).toLongLong()});
        }
        return indexed;
    }

    QList<std::pair<int, QString>> libraryFiles()
    {
        QList<std::pair<int, QString>> files;
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("SELECT fid, filePath FROM files ORDER BY fid"))) {
            while (query.next()) {
                const QString path = query.value(1).toString();
                if (ReadableFormats::canRead(path))
                    files.append({query.value(0).toInt(), path});
            }
        }
        return files;
    }

    bool write()
    {
        if (waiting.isEmpty())
            return true;
        db.transaction();
        QSqlQuery part(db);
        part.prepare(QStringLiteral("INSERT INTO fulltext (rowid, fid, part, body) VALUES (:row, :fid, :part, :body)"));
        QSqlQuery entry(db);
        entry.prepare(QStringLiteral("INSERT OR REPLACE INTO fulltextfiles (fid, size, modified, parts, state) "
                                     "VALUES (:fid, :size, :modified, :parts, :state)"));
        bool written = true;
        for (const Read &read : std::as_const(waiting)) {
            written = written && FullTextRows::forget(db, read.fid);
            const qsizetype parts = qMin<qsizetype>(read.text.parts.size(), FullTextRows::PartsPerFile - 1);
            for (int number = 1; written && number <= parts; ++number) {
                part.bindValue(QStringLiteral(":row"), FullTextRows::row(read.fid, number));
                part.bindValue(QStringLiteral(":fid"), read.fid);
                part.bindValue(QStringLiteral(":part"), number);
                part.bindValue(QStringLiteral(":body"), read.text.parts.at(number - 1));
                written = exec(part);
            }
            entry.bindValue(QStringLiteral(":fid"), read.fid);
            entry.bindValue(QStringLiteral(":size"), read.size);
            entry.bindValue(QStringLiteral(":modified"), read.modified);
            entry.bindValue(QStringLiteral(":parts"), parts);
            entry.bindValue(QStringLiteral(":state"), BookText::stateName(read.text.state));
            written = written && exec(entry);
        }
        waiting.clear();
        waitingParts = 0;
        // A failed write leaves these files unmarked, to be read again by the next pass.
        if (!written) {
            db.rollback();
            return false;
        }
        return db.commit();
    }
};

FullTextIndexer::FullTextIndexer(QObject *parent, const QString &databasePath)
    : QObject(parent)
    , connectionName(QStringLiteral("fulltext-indexer-%1").arg(quintptr(this)))
    , databasePath(databasePath.isEmpty() ? QSqlDatabase::database().databaseName() : databasePath)
{
    worker.setMaxThreadCount(1);
}

FullTextIndexer::~FullTextIndexer()
{
    *stopping = true;
    worker.waitForDone();
}

void FullTextIndexer::start()
{
    *stopping = false;
    if (running) {
        again = true;
        return;
    }
    running = true;
    worker.start([this] { runPasses(); });
}

void FullTextIndexer::pause()
{
    *stopping = true;
}

bool FullTextIndexer::clear()
{
    QSqlQuery query;
    return query.exec(QStringLiteral("DELETE FROM fulltext"))
        && query.exec(QStringLiteral("DELETE FROM fulltextfiles"));
}

void FullTextIndexer::runPasses()
{
    lowerWorkerPriority();
    {
        Pass pass{indexerConnection(connectionName, databasePath), {}, 0};
        do {
            again = false;
            pass.forgetRemovedFiles();
            const QHash<int, Indexed> indexed = pass.indexedFiles();
            const QList<std::pair<int, QString>> files = pass.libraryFiles();
            const int total = int(files.size());
            QElapsedTimer sinceReport;
            sinceReport.start();
            report(0, total);
            for (int done = 0; done < total && !*stopping; ++done) {
                const auto &[fid, path] = files.at(done);
                const QFileInfo file(path);
                const qint64 modified = file.lastModified().toSecsSinceEpoch();
                const Indexed known = indexed.value(fid);
                if (known.size != file.size() || known.modified != modified) {
                    pass.waiting.append({fid, file.size(), modified, BookText::read(path)});
                    pass.waitingParts += int(pass.waiting.constLast().text.parts.size());
                    if (pass.waitingParts >= PartsPerTransaction)
                        pass.write();
                }
                if (sinceReport.elapsed() >= ProgressIntervalMs) {
                    report(done + 1, total);
                    sinceReport.restart();
                }
            }
            pass.write();
            if (!*stopping)
                report(total, total);
        } while (again && !*stopping);
        pass.db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    QMetaObject::invokeMethod(
        this,
        [this] {
            running = false;
            // A start asked for just as the pass ended.
            if (again && !*stopping) {
                again = false;
                start();
                return;
            }
            emit finished();
        },
        Qt::QueuedConnection);
}

void FullTextIndexer::report(int done, int total)
{
    QMetaObject::invokeMethod(
        this, [this, done, total] { emit progress(done, total); }, Qt::QueuedConnection);
}
