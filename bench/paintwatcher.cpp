#include "bench/paintwatcher.h"

#include <QEvent>
#include <QWidget>

#include <utility>

PaintWatcher::PaintWatcher(QWidget *widget, std::function<bool()> condition)
    : QObject(widget)
    , condition(std::move(condition))
{
    widget->installEventFilter(this);
}

bool PaintWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && condition())
        ++paints;
    return QObject::eventFilter(watched, event);
}
