#include "bench/uploadbenchmark.h"
#include "sandbox/cloudservice.h"

#include "bench/benchlogin.h"
#include "bench/eventqueue.h"
#include "bench/largefile.h"
#include "bench/libraryconnection.h"
#include "bench/processmemory.h"
#include "bench/rsssampler.h"
#include "bench/syncoutcome.h"
#include "cloud/filesyncmanager.h"
#include "model/book.h"

#include <QElapsedTimer>
#include <QStorageInfo>

using namespace std::chrono_literals;

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 FileSize = 1024 * MiB;
// Room for the multipart envelope around the file.
constexpr qint64 MaxUpload = 4 * FileSize;
// The file, the service's copy of it and some to spare.
constexpr qint64 NeededSpace = 2 * FileSize + 512 * MiB;
const QString UserName = QStringLiteral("bench");
const QString Password = QStringLiteral("bench-password");
constexpr auto UploadTimeout = 900s;

QList<Figure> figures()
{
    Figure peakGrowth(QStringLiteral("upload_peak_rss_growth_mb"), QStringLiteral("upload: peak RSS growth"),
                      QStringLiteral("MB"), 1);
    peakGrowth.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, 64);
    Figure sampledGrowth(QStringLiteral("upload_sampled_rss_growth_mb"), QStringLiteral("upload: sampled RSS growth"),
                         QStringLiteral("MB"), 1);
    Figure serviceGrowth(QStringLiteral("upload_service_peak_rss_growth_mb"),
                         QStringLiteral("upload: service peak RSS growth"), QStringLiteral("MB"), 1);
    serviceGrowth.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, 64);
    return {peakGrowth, sampledGrowth, serviceGrowth};
}

} // namespace

UploadBenchmark::UploadBenchmark(const QString &root, const QString &home)
    : root(root)
    , home(home)
{
}

QList<Figure> UploadBenchmark::run()
{
    const qint64 available = QStorageInfo(root).bytesAvailable();
    if (available < NeededSpace) {
        return skipped(
            QStringLiteral("%1 MB free below %2, %3 MB needed").arg(available / MiB).arg(root).arg(NeededSpace / MiB));
    }
    QList<Figure> measured = figures();
    const QString failure = measure(measured);
    return Figure::failedIf(measured, failure);
}

QList<Figure> UploadBenchmark::skipped(const QString &why)
{
    return Figure::skipped(figures(), why);
}

QString UploadBenchmark::measure(QList<Figure> &figures) const
{
    CloudService::Options options;
    options.maxUpload = MaxUpload;
    options.parentFolder = root;
    CloudService service(options);
    if (!service.addUser(UserName, Password) || !service.start())
        return service.errorString();
    const QString dataDir = home + QStringLiteral("/.local/share/Shelvio Upload/");
    BenchLogin::useService(service.url(), dataDir);
    const LibraryConnection library(dataDir);
    if (!library.isOpen())
        return library.errorString();

    LargeFile file(home + QStringLiteral("/Books/Large/One large book.pdf"), FileSize);
    QString error;
    QElapsedTimer clock;
    clock.start();
    if (!file.write(&error))
        return error;
    qInfo("  wrote %lld MB in %.1f s", FileSize / MiB, clock.nsecsElapsed() / 1e9);
    if (QString failure = storeBook(file.path()); !failure.isEmpty())
        return failure;
    if (QString failure = BenchLogin::logIn(UserName, Password); !failure.isEmpty())
        return failure;

    ProcessMemory::releaseFreeHeap();
    if (!ProcessMemory::resetPeak() || !ProcessMemory::resetPeak(service.processId()))
        return QStringLiteral("the peak RSS could not be reset (/proc/PID/clear_refs)");
    const qint64 before = ProcessMemory::residentBytes();
    const qint64 serviceBefore = ProcessMemory::residentBytes(service.processId());
    RssSampler sampler(50ms);
    clock.restart();
    QString failure;
    {
        // As Sync makes it: creating the dialog starts the run.
        FileSyncManager sync(nullptr);
        sync.show();
        failure = upload(sync);
    }
    sampler.stop();
    const qint64 peak = ProcessMemory::peakBytes();
    const qint64 servicePeak = ProcessMemory::peakBytes(service.processId());
    if (!failure.isEmpty())
        return failure;
    qInfo("  synced in %.1f s; RSS %.1f MB before, peak %.1f MB, %d samples; service %.1f MB before, peak %.1f MB",
          clock.nsecsElapsed() / 1e9, double(before) / MiB, double(peak) / MiB, sampler.sampleCount(),
          double(serviceBefore) / MiB, double(servicePeak) / MiB);
    figures[0].addSample(double(peak - before) / MiB);
    figures[1].addSample(double(sampler.maximumBytes() - before) / MiB);
    figures[2].addSample(double(servicePeak - serviceBefore) / MiB);
    return QString();
}

QString UploadBenchmark::storeBook(const QString &path) const
{
    Book book(nullptr, 0);
    book.setTitle(QStringLiteral("One Large Book"));
    book.addAuthor(QStringLiteral("Anna Bigfile"));
    book.addFile(path);
    return book.save() ? QString() : QStringLiteral("the book with the large file could not be stored");
}

QString UploadBenchmark::upload(FileSyncManager &sync)
{
    if (!EventQueue::waitUntil([&sync] { return !sync.isRunning(); }, UploadTimeout))
        return QStringLiteral("the upload did not finish within %1 s").arg(UploadTimeout.count());
    return SyncOutcome::failure(sync);
}
