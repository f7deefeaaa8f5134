#ifndef SCANBENCHMARK_H
#define SCANBENCHMARK_H

#include "bench/figure.h"

#include <QString>

class MainWindow;

// "Adding multiple books" on a folder of new PDFs against the stored library: the time until the dialog's
// table lists every one of them.
class ScanBenchmark
{
public:
    ScanBenchmark(MainWindow &window, const QString &folder, int files);

    Figure run();

private:
    MainWindow &window;
    QString folder;
    int files;
};

#endif // SCANBENCHMARK_H
