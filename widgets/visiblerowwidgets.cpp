#include "widgets/visiblerowwidgets.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

VisibleRowWidgets::VisibleRowWidgets(QTableWidget *table, std::function<void(int row)> make)
    : QObject(table)
    , table(table)
    , make(std::move(make))
{
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this, &VisibleRowWidgets::schedule);
    // Rows come into view when others are added, removed, sorted, hidden or shown, not only by scrolling.
    const QAbstractItemModel *model = table->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &VisibleRowWidgets::schedule);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &VisibleRowWidgets::schedule);
    connect(model, &QAbstractItemModel::layoutChanged, this, &VisibleRowWidgets::schedule);
    connect(model, &QAbstractItemModel::modelReset, this, &VisibleRowWidgets::schedule);
    // Hiding or showing a row resizes its section.
    connect(table->verticalHeader(), &QHeaderView::sectionResized, this, &VisibleRowWidgets::schedule);
    table->viewport()->installEventFilter(this);
}

void VisibleRowWidgets::schedule()
{
    if (scheduled)
        return;
    scheduled = true;
    // Queued, so a burst of scroll steps or a layout that is still settling makes the widgets once.
    QMetaObject::invokeMethod(this, &VisibleRowWidgets::makeNow, Qt::QueuedConnection);
}

bool VisibleRowWidgets::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
        schedule();
    return QObject::eventFilter(watched, event);
}

void VisibleRowWidgets::makeNow()
{
    scheduled = false;
    if (!table->isVisible())
        return;
    const int first = table->rowAt(0);
    if (first < 0)
        return;
    int last = table->rowAt(table->viewport()->height() - 1);
    if (last < 0)
        last = table->rowCount() - 1;
    for (int row = first; row <= last; ++row) {
        if (!table->isRowHidden(row))
            make(row);
    }
}
