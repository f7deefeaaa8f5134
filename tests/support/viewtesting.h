#ifndef VIEWTESTING_H
#define VIEWTESTING_H

#include <QString>

class QTableWidget;
class QWidget;

// Reading what a tab's item views show.
class ViewTesting
{
public:
    // The table of the view, with cells for the rows on screen: a table makes them when the event loop is back,
    // and only those are made here, so that other queued work, such as a test's answer to a dialog, waits.
    static QTableWidget *table(const QWidget &view);
    // Whether the view shows an item of that title, on screen or not: the icon list's entries read their items
    // whenever asked.
    static bool shows(const QWidget &view, const QString &title);
};

#endif // VIEWTESTING_H
