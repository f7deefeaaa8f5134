#ifndef PAINTWATCHER_H
#define PAINTWATCHER_H

#include <QObject>

#include <functional>

class QWidget;

// Counts the paint events a widget gets while a condition holds. The filter sees each event just before
// the widget paints, so the painting is over once the event loop call that delivered it returns.
// Belongs to the widget.
class PaintWatcher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PaintWatcher)

public:
    PaintWatcher(QWidget *widget, std::function<bool()> condition);

    int paintCount() const { return paints; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<bool()> condition;
    int paints = 0;
};

#endif // PAINTWATCHER_H
