#ifndef SEARCHBENCHMARK_H
#define SEARCHBENCHMARK_H

#include "bench/figure.h"

#include <QString>

class MainWindow;

// Types a word into the main window's search box one key at a time, several times over, and times each
// key: the key's own handling, and the search it brings until the current view shows the result and no
// event is left to handle. A search that waits for the typing pause is timed from the end of the pause,
// since the pause is the user's, not the program's.
class SearchBenchmark
{
public:
    // books, the library's size, chooses the goals.
    SearchBenchmark(MainWindow &window, const QString &word, int rounds, int books);

    Figure run();
    // Names the figure otherwise, for keys typed while something else runs.
    void name(const QString &key, const QString &label);

private:
    MainWindow &window;
    QString word;
    int rounds;
    int books;
    QString figureKey = QStringLiteral("search_keystroke_ms");
    QString figureLabel = QStringLiteral("search: per keystroke");
};

#endif // SEARCHBENCHMARK_H
