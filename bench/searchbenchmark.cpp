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
#include <QTimer>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr auto KeyTimeout = 60s;
constexpr auto DrainLimit = 60s;

// Notes when the typing pause ends: its timer event starts the search.
class PauseEnd : public QObject
{
public:
    void reset() { ended = false; }
    bool hasEnded() const { return ended; }
    double msSinceEnd() const { return clock.nsecsElapsed() / 1e6; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Timer) {
            ended = true;
            clock.start();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool ended = false;
    QElapsedTimer clock;
};

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
    Figure figure(figureKey, figureLabel, QStringLiteral("ms"), 1);
    const WindowTargets targets = WindowTargets::forBooks(books);
    figure.addBound(Figure::Statistic::Median, Figure::Comparison::AtMost, targets.keystrokeMedianMs);
    figure.addBound(Figure::Statistic::Maximum, Figure::Comparison::AtMost, targets.keystrokeMaxMs);

    auto *box = window.findChild<searchbox *>();
    auto *edit = box ? box->findChild<QLineEdit *>(QStringLiteral("searchBox")) : nullptr;
    const auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    const auto *view = tabs ? qobject_cast<ItemViews *>(tabs->currentWidget()) : nullptr;
    const auto *list = view ? view->findChild<QListWidget *>(QStringLiteral("viewList")) : nullptr;
    auto *pause = box ? box->findChild<QTimer *>(QStringLiteral("typingPause")) : nullptr;
    if (!edit || !list || !pause) {
        figure.fail(QStringLiteral("the main window has no search box or no current item view"));
        return figure;
    }
    PauseEnd pauseEnd;
    pause->installEventFilter(&pauseEnd);
    // The view may search later than the key arrives (a delay, another thread): the key is done when the
    // view has searched for what the box shows and nothing is left to do.
    const auto searched = [edit, view] { return view->searchTerms() == edit->text(); };

    for (int round = 0; round < rounds; ++round) {
        box->setText(QString());
        if (!EventQueue::waitUntil(searched, KeyTimeout) || !EventQueue::drain(DrainLimit)) {
            figure.fail(QStringLiteral("clearing the search box never settled"));
            return figure;
        }
        for (const QChar key : std::as_const(word)) {
            pauseEnd.reset();
            QElapsedTimer clock;
            clock.start();
            QTest::keyClick(edit, key.toLatin1());
            const double keyMs = clock.nsecsElapsed() / 1e6;
            if (!EventQueue::waitUntil(searched, KeyTimeout) || !EventQueue::drain(DrainLimit)) {
                figure.fail(QStringLiteral("the view did not follow the key '%1' within %2 s")
                                .arg(key)
                                .arg(KeyTimeout.count()));
                return figure;
            }
            // Without a pause the key searched at once, and its time holds the search.
            figure.addSample(pauseEnd.hasEnded() ? std::max(keyMs, pauseEnd.msSinceEnd()) : clock.nsecsElapsed() / 1e6);
        }
    }
    // The entries are the hits.
    qInfo("  \"%s\" shows %d entries", qPrintable(edit->text()), int(list->count()));
    box->setText(QString());
    if (!EventQueue::waitUntil(searched, KeyTimeout) || !EventQueue::drain(DrainLimit))
        figure.fail(QStringLiteral("clearing the search box never settled"));
    return figure;
}

void SearchBenchmark::name(const QString &key, const QString &label)
{
    figureKey = key;
    figureLabel = label;
}
