#include "bench/openbenchmark.h"

#include "app/mainwindow.h"
#include "app/startup.h"
#include "bench/eventqueue.h"
#include "bench/libraryconnection.h"
#include "bench/paintwatcher.h"
#include "bench/processmemory.h"
#include "bench/windowtargets.h"
#include "views/itemviews.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTableWidget>

using namespace std::chrono_literals;

namespace {

constexpr auto PaintTimeout = 300s;
constexpr double MiB = 1024.0 * 1024.0;

} // namespace

OpenBenchmark::OpenBenchmark(int books, int repeats)
    : books(books)
    , repeats(repeats)
{
}

OpenBenchmark::~OpenBenchmark()
{
    closeWindow();
}

QList<Figure> OpenBenchmark::run()
{
    Figure open(QStringLiteral("open_s"), QStringLiteral("open: icons drawn"), QStringLiteral("s"), 3);
    const WindowTargets targets = WindowTargets::forBooks(books);
    open.addBound(Figure::Statistic::Maximum, Figure::Comparison::AtMost, targets.openSeconds);
    Figure table(QStringLiteral("open_table_s"), QStringLiteral("open: table drawn"), QStringLiteral("s"), 3);
    Figure peak(QStringLiteral("open_peak_rss_mb"), QStringLiteral("open: peak RSS"), QStringLiteral("MB"), 1);
    peak.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, targets.openPeakMegabytes);

    // What generating the library left in the heap is not the program's; without the reset the peak is
    // that of the whole run so far.
    ProcessMemory::releaseFreeHeap();
    if (!ProcessMemory::resetPeak())
        qWarning("The peak RSS could not be reset; it includes the generation of the library");

    for (int run = 0; run < repeats; ++run) {
        const Start start = startOnce();
        if (!start.failure.isEmpty()) {
            open.fail(start.failure);
            table.fail(start.failure);
            if (run == 0)
                peak.fail(start.failure);
            break;
        }
        if (run == 0)
            peak.addSample(ProcessMemory::peakBytes() / MiB);
        open.addSample(start.iconSeconds);
        table.addSample(start.tableSeconds);
        qInfo("  start %d: table %.3f s, icons %.3f s", run + 1, start.tableSeconds, start.iconSeconds);
    }
    return {open, table, peak};
}

std::unique_ptr<MainWindow> OpenBenchmark::takeWindow()
{
    return std::move(window);
}

OpenBenchmark::Start OpenBenchmark::startOnce()
{
    closeWindow();
    Start start;
    QElapsedTimer clock;
    clock.start();

    if (!Startup::prepare()) {
        start.failure = QStringLiteral("the library could not be opened");
        return start;
    }
    window = std::make_unique<MainWindow>();
    auto *view = window->findChild<ItemViews *>();
    auto *list = view ? view->findChild<QListWidget *>(QStringLiteral("viewList")) : nullptr;
    auto *table = view ? view->findChild<QTableWidget *>(QStringLiteral("viewTable")) : nullptr;
    auto *iconView = window->findChild<QAction *>(QStringLiteral("actionView"));
    if (!list || !table || !iconView) {
        start.failure = QStringLiteral("the main window has no Books tab with a table and an icon view");
        return start;
    }
    const auto holdsEveryBook = [this, list, table] { return list->count() == books && table->rowCount() == books; };
    // Both belong to the viewports they watch.
    const auto *tablePaints = new PaintWatcher(table->viewport(), holdsEveryBook);
    const auto *listPaints = new PaintWatcher(list->viewport(), holdsEveryBook);

    // The program starts on the table; the user then switches to the icons.
    window->show();
    if (!EventQueue::waitUntil([tablePaints] { return tablePaints->paintCount() > 0; }, PaintTimeout)) {
        start.failure = QStringLiteral("the table was not drawn with all %1 books within %2 s (%3 rows)")
                            .arg(books)
                            .arg(PaintTimeout.count())
                            .arg(table->rowCount());
        return start;
    }
    start.tableSeconds = clock.nsecsElapsed() / 1e9;
    iconView->trigger();
    if (!EventQueue::waitUntil([listPaints] { return listPaints->paintCount() > 0; }, PaintTimeout)) {
        start.failure = QStringLiteral("the icon view was not drawn with all %1 books within %2 s (%3 entries)")
                            .arg(books)
                            .arg(PaintTimeout.count())
                            .arg(list->count());
        return start;
    }
    start.iconSeconds = clock.nsecsElapsed() / 1e9;
    delete tablePaints;
    delete listPaints;
    return start;
}

void OpenBenchmark::closeWindow()
{
    if (!window)
        return;
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The next window adds the default connection again.
    LibraryConnection::removeDefault();
}
