#include "bench/figure.h"

#include <QStringList>

Figure::Figure(const QString &key, const QString &label, const QString &unit, int decimals)
    : figureKey(key)
    , figureLabel(label)
    , figureUnit(unit)
    , decimals(decimals)
{
}

void Figure::addBound(Statistic statistic, Comparison comparison, double limit)
{
    bounds.append({statistic, comparison, limit});
}

QList<Figure> Figure::skipped(QList<Figure> figures, const QString &why)
{
    for (Figure &figure : figures)
        figure.skip(why);
    return figures;
}

QList<Figure> Figure::failedIf(QList<Figure> figures, const QString &why)
{
    if (!why.isEmpty()) {
        for (Figure &figure : figures)
            figure.fail(why);
    }
    return figures;
}

void Figure::skip(const QString &why)
{
    explicitStatus = Status::Skipped;
    statusReason = why;
}

void Figure::fail(const QString &why)
{
    explicitStatus = Status::Failed;
    statusReason = why;
}

Figure::Status Figure::status() const
{
    // A figure nobody measured and nobody explained is a failure of the benchmark, not a value of 0.
    if (explicitStatus == Status::Measured && measuredSamples.isEmpty())
        return Status::Failed;
    return explicitStatus;
}

bool Figure::isMet() const
{
    if (status() != Status::Measured)
        return false;
    for (const Bound &bound : bounds) {
        const double value = statistic(bound.statistic);
        if (bound.comparison == Comparison::AtMost ? value > bound.limit : value < bound.limit)
            return false;
    }
    return true;
}

QString Figure::targetText() const
{
    QStringList parts;
    for (const Bound &bound : bounds) {
        QString part;
        if (bound.statistic == Statistic::Median)
            part = QStringLiteral("median ");
        else if (bound.statistic == Statistic::Maximum)
            part = QStringLiteral("max ");
        part += bound.comparison == Comparison::AtMost ? QStringLiteral("<= ") : QStringLiteral(">= ");
        part += QString::number(bound.limit);
        if (!figureUnit.isEmpty())
            part += u' ' + figureUnit;
        parts.append(part);
    }
    return parts.join(QStringLiteral(", "));
}

QString Figure::number(double value) const
{
    return QString::number(value, 'f', decimals);
}

double Figure::statistic(Statistic which) const
{
    return which == Statistic::Maximum ? measuredSamples.maximum() : measuredSamples.median();
}
