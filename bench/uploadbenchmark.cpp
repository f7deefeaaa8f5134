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
#include "core/serviceaddresses.h"
#include "core/settings.h"
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

Figure peakGrowthFigure()
{
    Figure figure(QStringLiteral("upload_peak_rss_growth_mb"), QStringLiteral("upload: peak RSS growth"),
                  QStringLiteral("MB"), 1);
    figure.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, 64);
    return figure;
}

Figure sampledGrowthFigure()
{
    return Figure(QStringLiteral("upload_sampled_rss_growth_mb"), QStringLiteral("upload: sampled RSS growth"),
                  QStringLiteral("MB"), 1);
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
    Figure peakGrowth = peakGrowthFigure();
    Figure sampledGrowth = sampledGrowthFigure();
    const QString failure = measure(peakGrowth, sampledGrowth);
    if (!failure.isEmpty()) {
        peakGrowth.fail(failure);
        sampledGrowth.fail(failure);
    }
    return {peakGrowth, sampledGrowth};
}

QList<Figure> UploadBenchmark::skipped(const QString &why)
{
    Figure peakGrowth = peakGrowthFigure();
    Figure sampledGrowth = sampledGrowthFigure();
    peakGrowth.skip(why);
    sampledGrowth.skip(why);
    return {peakGrowth, sampledGrowth};
}

QString UploadBenchmark::measure(Figure &peakGrowth, Figure &sampledGrowth) const
{
    CloudService::Options options;
    options.maxUpload = MaxUpload;
    options.parentFolder = root;
    CloudService service(options);
    if (!service.addUser(UserName, Password) || !service.start())
        return service.errorString();
    // As a user points the program at their own service; the main window stores the address at start-up.
    qputenv("SHELVIO_CLOUD_URL", service.url().toUtf8());
    const QString dataDir = home + QStringLiteral("/.local/share/Shelvio Upload/");
    {
        Settings settings;
        settings.setValue(Settings::BaseUrl, ServiceAddresses::cloudUrl());
        settings.setValue(Settings::DataDir, dataDir);
        settings.remove(Settings::CloudToken);
    }
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
    if (!ProcessMemory::resetPeak())
        return QStringLiteral("the peak RSS could not be reset (/proc/self/clear_refs)");
    const qint64 before = ProcessMemory::residentBytes();
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
    if (!failure.isEmpty())
        return failure;
    qInfo("  synced in %.1f s; RSS %.1f MB before, peak %.1f MB, %d samples", clock.nsecsElapsed() / 1e9,
          double(before) / MiB, double(peak) / MiB, sampler.sampleCount());
    peakGrowth.addSample(double(peak - before) / MiB);
    sampledGrowth.addSample(double(sampler.maximumBytes() - before) / MiB);
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
