#ifndef SERVICEBENCHMARK_H
#define SERVICEBENCHMARK_H

#include "bench/figure.h"

#include <QList>
#include <QString>

// The real cloud service facing clients that do not play fair: how much its memory grows while eight
// unauthenticated 200 MB bodies arrive at once, and how long a normal request takes while 1,100 idle
// connections are open against a service held to the desktop's 1,024 open files.
class ServiceBenchmark
{
public:
    // root holds the services' data directories.
    explicit ServiceBenchmark(const QString &root);

    QList<Figure> run();
    // The same figures, not measured for the reason given.
    static QList<Figure> skipped(const QString &why);

private:
    // Each of these returns the reason it failed, or nothing.
    QString measureRefusedBodies(Figure &growth) const;
    QString measureIdleConnections(Figure &latency) const;

    QString root;
};

#endif // SERVICEBENCHMARK_H
