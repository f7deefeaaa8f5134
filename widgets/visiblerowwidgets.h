#ifndef VISIBLEROWWIDGETS_H
#define VISIBLEROWWIDGETS_H

#include <QObject>

#include <functional>

class QTableWidget;

// Makes a table's costly cell widgets only for the rows on screen: once per burst of changes that bring rows
// into view (scroll steps, resizes, rows added, removed, sorted, hidden or shown), when the event loop is back.
class VisibleRowWidgets : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VisibleRowWidgets)

public:
    // Belongs to the table. make is called for every shown row on screen; it decides whether the row
    // needs a widget.
    VisibleRowWidgets(QTableWidget *table, std::function<void(int row)> make);

    void schedule();
    // For rows that must have their widgets before the caller goes on.
    void makeNow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableWidget *table;
    std::function<void(int row)> make;
    bool scheduled = false;
};

#endif // VISIBLEROWWIDGETS_H
