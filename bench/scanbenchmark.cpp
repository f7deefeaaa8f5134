#include "bench/scanbenchmark.h"

#include "app/mainwindow.h"
#include "bench/eventqueue.h"
#include "bench/windowtargets.h"
#include "metadata/multiselect.h"

#include <QElapsedTimer>
#include <QTableWidget>

#include <memory>

using namespace std::chrono_literals;

ScanBenchmark::ScanBenchmark(MainWindow &window, const QString &folder, int files)
    : window(window)
    , folder(folder)
    , files(files)
{
}

Figure ScanBenchmark::run()
{
    Figure figure(QStringLiteral("folder_scan_s"), QStringLiteral("folder scan"), QStringLiteral("s"), 3);
    figure.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, WindowTargets::forBooks(files).scanSeconds);

    QElapsedTimer clock;
    clock.start();
    // As the Add menu makes it, minus the folder dialog; it goes before the window does.
    const auto dialog = std::make_unique<MultiSelect>(&window);
    dialog->scanFolder(folder);
    const auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    if (!EventQueue::drain(60s)) {
        figure.fail(QStringLiteral("events kept coming after the scan"));
        return figure;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    const int rows = table ? table->rowCount() : 0;
    if (rows != files) {
        figure.fail(QStringLiteral("the table lists %1 of the %2 new files").arg(rows).arg(files));
        return figure;
    }
    figure.addSample(seconds);
    return figure;
}
