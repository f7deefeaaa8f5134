#include "bench/syncbenchmark.h"

#include "bench/benchlogin.h"
#include "bench/eventqueue.h"
#include "bench/filelimit.h"
#include "bench/libraryconnection.h"
#include "bench/processmemory.h"
#include "bench/rsssampler.h"
#include "bench/syncoutcome.h"
#include "cloud/filesyncmanager.h"
#include "sandbox/cloudservice.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace std::chrono_literals;

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr auto SyncTimeout = 1800s;
// What a desktop session gives a program by default.
constexpr int DesktopFileLimit = 1024;
const QString UserName = QStringLiteral("bench-sync");
const QString Password = QStringLiteral("bench-sync-password");
const QString ServiceConnection = QStringLiteral("bench-sync-service");

QList<Figure> syncFigures()
{
    Figure seconds(QStringLiteral("sync_seconds"), QStringLiteral("sync: whole library"), QStringLiteral("s"), 1);
    seconds.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, 60);
    Figure threads(QStringLiteral("sync_peak_threads"), QStringLiteral("sync: peak threads"), QString(), 0);
    threads.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, 20);
    Figure files(QStringLiteral("sync_extra_open_files"), QStringLiteral("sync: open files beyond idle"), QString(), 0);
    files.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, 64);
    Figure memory(QStringLiteral("sync_peak_rss_growth_mb"), QStringLiteral("sync: peak RSS growth"),
                  QStringLiteral("MB"), 1);
    memory.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, 100);
    return {seconds, threads, files, memory};
}

} // namespace

SyncBenchmark::SyncBenchmark(const QString &root, const QString &dataDir, int books)
    : root(root)
    , dataDir(dataDir)
    , books(books)
{
}

QList<Figure> SyncBenchmark::skipped(const QString &why)
{
    return Figure::skipped(syncFigures(), why);
}

QList<Figure> SyncBenchmark::run()
{
    QList<Figure> figures = syncFigures();
    const QString failure = measure(figures);
    return Figure::failedIf(figures, failure);
}

QString SyncBenchmark::measure(QList<Figure> &figures) const
{
    CloudService::Options options;
    options.parentFolder = root;
    CloudService service(options);
    if (!service.addUser(UserName, Password) || !service.start())
        return service.errorString();
    BenchLogin::useService(service.url(), dataDir);
    const LibraryConnection library(dataDir);
    if (!library.isOpen())
        return library.errorString();
    if (QString failure = BenchLogin::logIn(UserName, Password); !failure.isEmpty())
        return failure;
    QSqlQuery contents;
    if (!contents.exec(QStringLiteral("SELECT COUNT(DISTINCT fileMd5) FROM files JOIN books ON books.iid = files.iid"))
        || !contents.next())
        return QStringLiteral("the library's files could not be counted");
    const int distinctContents = contents.value(0).toInt();

    const FileLimit limit(DesktopFileLimit);
    if (!limit.isApplied())
        return QStringLiteral("the limit of open files could not be lowered to %1").arg(DesktopFileLimit);
    ProcessMemory::releaseFreeHeap();
    if (!ProcessMemory::resetPeak())
        return QStringLiteral("the peak RSS could not be reset (/proc/self/clear_refs)");
    const qint64 before = ProcessMemory::residentBytes();
    const int idleFiles = ProcessMemory::openFileCount();
    RssSampler sampler(50ms);
    QElapsedTimer clock;
    clock.start();
    QString failure;
    {
        // As Sync makes it: creating the dialog starts the run.
        FileSyncManager sync(nullptr);
        sync.show();
        if (!EventQueue::waitUntil([&sync] { return !sync.isRunning(); }, SyncTimeout))
            failure = QStringLiteral("the sync did not finish within %1 s").arg(SyncTimeout.count());
        else
            failure = SyncOutcome::failure(sync);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    sampler.stop();
    if (!failure.isEmpty())
        return failure;
    if (QString missing
        = verify(service.databasePath(), service.dataDirectory() + QStringLiteral("/files"), books, distinctContents);
        !missing.isEmpty())
        return missing;
    qInfo("  %d books and %d files in %.1f s; peak %d threads, %d open files (%d idle), RSS %.1f MB before", books,
          distinctContents, seconds, sampler.maximumThreads(), sampler.maximumOpenFiles(), idleFiles,
          double(before) / MiB);
    figures[0].addSample(seconds);
    figures[1].addSample(sampler.maximumThreads());
    figures[2].addSample(sampler.maximumOpenFiles() - idleFiles);
    figures[3].addSample(double(ProcessMemory::peakBytes() - before) / MiB);
    return QString();
}

QString SyncBenchmark::verify(const QString &databasePath, const QString &filesFolder, int books, int contents)
{
    int storedBooks = -1;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), ServiceConnection);
        database.setDatabaseName(databasePath);
        QSqlQuery query(database);
        if (database.open() && query.exec(QStringLiteral("SELECT COUNT(*) FROM books")) && query.next())
            storedBooks = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(ServiceConnection);
    int storedFiles = 0;
    for (QDirIterator entry(filesFolder, QDir::Files, QDirIterator::Subdirectories); entry.hasNext(); entry.next())
        ++storedFiles;
    if (storedBooks != books || storedFiles != contents) {
        return QStringLiteral("the service holds %1 of %2 books and %3 of %4 files")
            .arg(storedBooks)
            .arg(books)
            .arg(storedFiles)
            .arg(contents);
    }
    return QString();
}
