#ifndef OPENBENCHMARK_H
#define OPENBENCHMARK_H

#include "bench/figure.h"

#include <QList>
#include <QString>

#include <memory>

class MainWindow;

// Starts the main window on the stored library as the program does, several times, and times each start
// until the Books tab holds every book and its icon view has drawn its first screen; the memory figure is
// the process peak after the first start. Records of a window stay alive until the process ends (they are
// kept for the whole run), so only the first start shows the memory a real start needs.
class OpenBenchmark
{
public:
    OpenBenchmark(int books, int repeats);
    ~OpenBenchmark();

    QList<Figure> run();
    // The window of the last start, for the figures that follow; null when none could be made.
    std::unique_ptr<MainWindow> takeWindow();

private:
    // Seconds until the table was drawn and until the icons were, or the reason it never happened.
    struct Start
    {
        double tableSeconds = 0;
        double iconSeconds = 0;
        QString failure;
    };

    Start startOnce();
    void closeWindow();

    int books;
    int repeats;
    std::unique_ptr<MainWindow> window;
};

#endif // OPENBENCHMARK_H
