#ifndef FIGURE_H
#define FIGURE_H

#include "bench/samples.h"

#include <QList>
#include <QString>

// One measured figure: its samples, the targets it is held to, or why it was not measured.
class Figure
{
public:
    enum class Statistic { Value, Median, Maximum };
    enum class Comparison { AtMost, AtLeast };
    enum class Status { Measured, Skipped, Failed };

    struct Bound
    {
        Statistic statistic;
        Comparison comparison;
        double limit;
    };

    // key names the figure in the JSON line, label in the table; decimals is how it is printed.
    Figure(const QString &key, const QString &label, const QString &unit, int decimals);

    void addSample(double value) { measuredSamples.add(value); }
    void addBound(Statistic statistic, Comparison comparison, double limit);
    void skip(const QString &why);
    void fail(const QString &why);
    // The figures of one step, each skipped, or failed when why is not empty, for the same reason.
    static QList<Figure> skipped(QList<Figure> figures, const QString &why);
    static QList<Figure> failedIf(QList<Figure> figures, const QString &why);

    QString key() const { return figureKey; }
    QString label() const { return figureLabel; }
    QString unit() const { return figureUnit; }
    const Samples &samples() const { return measuredSamples; }
    Status status() const;
    QString reason() const { return statusReason; }

    bool hasTarget() const { return !bounds.isEmpty(); }
    bool isMet() const;
    // "median <= 30 ms, max <= 100 ms"; empty without a target.
    QString targetText() const;
    QString number(double value) const;

private:
    double statistic(Statistic which) const;

    QString figureKey;
    QString figureLabel;
    QString figureUnit;
    int decimals;
    Samples measuredSamples;
    QList<Bound> bounds;
    Status explicitStatus = Status::Measured;
    QString statusReason;
};

#endif // FIGURE_H
