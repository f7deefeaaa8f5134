#ifndef LABELBENCHMARK_H
#define LABELBENCHMARK_H

#include "bench/figure.h"

class MainWindow;

// "Add Tags..." from the first tab's context menu on its first 10,000 books (all of a smaller library):
// the time from accepting the tag until every view shows it and no event is left to handle.
class LabelBenchmark
{
public:
    static constexpr int SelectedBooks = 10000;

    LabelBenchmark(MainWindow &window, int books);

    Figure run();

private:
    MainWindow &window;
    int books;
};

#endif // LABELBENCHMARK_H
