#include "bench/labelbenchmark.h"

#include "app/mainwindow.h"
#include "bench/eventqueue.h"
#include "views/itemviews.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QMenu>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr double TargetSeconds = 1.0;
const QString AddedTag = QStringLiteral("bench added tag");

int booksTagged()
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT count(*) FROM itemtags JOIN tags USING (tid) WHERE name = :name"));
    query.bindValue(QStringLiteral(":name"), AddedTag);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

} // namespace

LabelBenchmark::LabelBenchmark(MainWindow &window, int books)
    : window(window)
    , books(books)
{
}

Figure LabelBenchmark::run()
{
    const int selected = std::min(books, SelectedBooks);
    Figure figure(QStringLiteral("add_tags_s"), QStringLiteral("Add Tags... on %L1 books").arg(selected),
                  QStringLiteral("s"), 3);
    figure.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, TargetSeconds);

    const auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    auto *view = tabs ? qobject_cast<ItemViews *>(tabs->widget(0)) : nullptr;
    auto *table = view ? view->findChild<QTableWidget *>(QStringLiteral("viewTable")) : nullptr;
    if (view && view->currentPage() != ItemViews::TablePage)
        view->toggleView();
    if (!table || table->rowCount() < selected || view->currentPage() != ItemViews::TablePage) {
        figure.fail(QStringLiteral("the first tab does not show the library's table"));
        return figure;
    }
    table->setRangeSelected(QTableWidgetSelectionRange(0, 0, selected - 1, table->columnCount() - 1), true);
    if (!EventQueue::drain(60s)) {
        figure.fail(QStringLiteral("selecting the books never settled"));
        return figure;
    }

    // The menu and the dialog run their own event loops; the clock starts as the user accepts the tag.
    auto clock = std::make_shared<QElapsedTimer>();
    QTimer::singleShot(0, [clock] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QAction *addTags = nullptr;
        for (QAction *action : menu ? menu->actions() : QList<QAction *>()) {
            if (action->text() == QLatin1String("Add Tags..."))
                addTags = action;
        }
        if (addTags) {
            QTimer::singleShot(0, [clock] {
                if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
                    dialog->setTextValue(AddedTag);
                    clock->start();
                    dialog->accept();
                }
            });
            addTags->trigger();
        }
        if (menu)
            menu->close();
    });
    const QPoint position(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, table->viewport()->mapToGlobal(position));
    QApplication::sendEvent(table->viewport(), &event);
    if (!clock->isValid() || !EventQueue::drain(60s)) {
        figure.fail(QStringLiteral("the menu or the dialog did not open, or events kept coming"));
        return figure;
    }
    const double seconds = clock->nsecsElapsed() / 1e9;
    if (booksTagged() != selected) {
        figure.fail(QStringLiteral("%1 of the %2 books have the tag").arg(booksTagged()).arg(selected));
        return figure;
    }
    figure.addSample(seconds);
    return figure;
}
