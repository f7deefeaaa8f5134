#ifndef UPLOADBENCHMARK_H
#define UPLOADBENCHMARK_H

#include "bench/figure.h"

#include <QList>
#include <QString>

class FileSyncManager;

// Sync of a library holding one book with a 1 GB file to the real cloud service: how much the process's
// resident memory grows while the file is checked and uploaded, from the reset peak and, as a
// cross-check, from samples every 50 ms; and how much the service's grows while it receives the file. The library is
// one of its own, so that the sync sends this one file and nothing else.
class UploadBenchmark
{
public:
    // root holds the service's data and home the book's file; both need room for a copy of the file.
    UploadBenchmark(const QString &root, const QString &home);

    QList<Figure> run();
    // The same figures, not measured for the reason given.
    static QList<Figure> skipped(const QString &why);

private:
    // Each of these returns the reason it failed, or nothing.
    QString storeBook(const QString &path) const;
    static QString upload(FileSyncManager &sync);
    QString measure(QList<Figure> &figures) const;

    QString root;
    QString home;
};

#endif // UPLOADBENCHMARK_H
