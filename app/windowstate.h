#ifndef WINDOWSTATE_H
#define WINDOWSTATE_H

#include <QList>

class QMainWindow;
class QSplitter;

// The window as the user left it: its size and place, its tool bars and docks, and its splitters, kept in
// the settings from one run to the next.
class WindowState
{
public:
    static void restore(QMainWindow &window, const QList<QSplitter *> &splitters);
    static void save(const QMainWindow &window, const QList<QSplitter *> &splitters);
};

#endif // WINDOWSTATE_H
