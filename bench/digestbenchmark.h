#ifndef DIGESTBENCHMARK_H
#define DIGESTBENCHMARK_H

#include "bench/figure.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The MD5 digest of every file an import reads, as the program computes it, against md5sum over the same
// files in the same run. Both read from the page cache: every file is read once before either runs.
class DigestBenchmark
{
public:
    explicit DigestBenchmark(const QStringList &paths);

    // The program's and md5sum's throughput and their ratio.
    QList<Figure> run();

private:
    // Total bytes, or -1 after saying which file could not be read.
    qint64 warmUp() const;
    // The digests md5sum reports, by path; empty, with the reason, when it could not run.
    QHash<QString, QString> md5sumDigests(QString *error) const;

    QStringList paths;
};

#endif // DIGESTBENCHMARK_H
