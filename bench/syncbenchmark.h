#ifndef SYNCBENCHMARK_H
#define SYNCBENCHMARK_H

#include "bench/figure.h"

#include <QList>
#include <QString>

// Sync of the whole generated library to the real cloud service, under the usual desktop limit of 1,024
// open files: the time until the service holds every book's data and every file, and the most threads,
// open files and resident memory the program used on the way.
class SyncBenchmark
{
public:
    // root holds the service's data; dataDir is the generated library's.
    SyncBenchmark(const QString &root, const QString &dataDir, int books);

    QList<Figure> run();
    static QList<Figure> skipped(const QString &why);

private:
    // Each returns why it failed, or nothing.
    QString measure(QList<Figure> &figures) const;
    // What the service holds: books of the account and files in its folder.
    static QString verify(const QString &databasePath, const QString &filesFolder, int books, int contents);

    QString root;
    QString dataDir;
    int books;
};

#endif // SYNCBENCHMARK_H
