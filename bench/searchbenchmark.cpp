#include "bench/searchbenchmark.h"

#include "app/mainwindow.h"
#include "bench/eventqueue.h"
#include "bench/windowtargets.h"
#include "views/itemviews.h"
#include "views/searchbox.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>

using namespace std::chrono_literals;

namespace {

constexpr auto KeyTimeout = 60s;
constexpr auto DrainLimit = 60s;

int shownEntries(const QListWidget &list)
{
    int shown = 0;
    for (int index = 0; index < list.count(); ++index)
        shown += list.item(index)->isHidden() ? 0 : 1;
    return shown;
}

} // namespace

SearchBenchmark::SearchBenchmark(MainWindow &window, const QString &word, int rounds, int books)
    : window(window)
    , word(word)
    , rounds(rounds)
    , books(books)
{
}

Figure SearchBenchmark::run()
{
    Figure figure(QStringLiteral("search_keystroke_ms"), QStringLiteral("search: per keystroke"), QStringLiteral("ms"),
                  1);
    const WindowTargets targets = WindowTargets::forBooks(books);
    figure.addBound(Figure::Statistic::Median, Figure::Comparison::AtMost, targets.keystrokeMedianMs);
    figure.addBound(Figure::Statistic::Maximum, Figure::Comparison::AtMost, targets.keystrokeMaxMs);

    const auto *box = window.findChild<searchbox *>();
    auto *edit = box ? box->findChild<QLineEdit *>(QStringLiteral("searchBox")) : nullptr;
    const auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    const auto *view = tabs ? qobject_cast<ItemViews *>(tabs->currentWidget()) : nullptr;
    const auto *list = view ? view->findChild<QListWidget *>(QStringLiteral("viewList")) : nullptr;
    if (!edit || !list) {
        figure.fail(QStringLiteral("the main window has no search box or no current item view"));
        return figure;
    }
    // The view may search later than the key arrives (a delay, another thread): the key is done when the
    // view has searched for what the box shows and nothing is left to do.
    const auto searched = [edit, view] { return view->searchTerms() == edit->text(); };

    for (int round = 0; round < rounds; ++round) {
        edit->clear();
        if (!EventQueue::waitUntil(searched, KeyTimeout) || !EventQueue::drain(DrainLimit)) {
            figure.fail(QStringLiteral("clearing the search box never settled"));
            return figure;
        }
        for (const QChar key : std::as_const(word)) {
            QElapsedTimer clock;
            clock.start();
            QTest::keyClick(edit, key.toLatin1());
            if (!EventQueue::waitUntil(searched, KeyTimeout) || !EventQueue::drain(DrainLimit)) {
                figure.fail(QStringLiteral("the view did not follow the key '%1' within %2 s")
                                .arg(key)
                                .arg(KeyTimeout.count()));
                return figure;
            }
            figure.addSample(clock.nsecsElapsed() / 1e6);
        }
    }
    qInfo("  \"%s\" shows %d of %d entries", qPrintable(edit->text()), shownEntries(*list), int(list->count()));
    edit->clear();
    if (!EventQueue::waitUntil(searched, KeyTimeout) || !EventQueue::drain(DrainLimit))
        figure.fail(QStringLiteral("clearing the search box never settled"));
    return figure;
}
