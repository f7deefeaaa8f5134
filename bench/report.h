#ifndef REPORT_H
#define REPORT_H

#include "bench/figure.h"

#include <QJsonObject>
#include <QList>
#include <QString>

// The result of a run on standard output: a table for people, then the same figures as one line of
// JSON for scripts.
class Report
{
public:
    // What the figures were measured on, printed above the table and kept in the JSON object.
    explicit Report(const QJsonObject &context);

    void add(const Figure &figure) { figures.append(figure); }
    void add(const QList<Figure> &more) { figures.append(more); }
    // True when a figure could not be measured (skipped ones do not count).
    bool hasFailures() const;

    void print() const;

private:
    QStringList tableLines() const;
    QJsonObject json() const;
    static QJsonObject figureJson(const Figure &figure);

    QJsonObject context;
    QList<Figure> figures;
};

#endif // REPORT_H
