#include "bench/report.h"

#include <QJsonDocument>
#include <QStringList>
#include <QTextStream>

#include <algorithm>

namespace {

QString withUnit(const Figure &figure, double value)
{
    const QString number = figure.number(value);
    return figure.unit().isEmpty() ? number : number + u' ' + figure.unit();
}

// Long reasons would stretch the column past any screen; the JSON line keeps them whole.
constexpr qsizetype ReasonWidth = 60;

QString shortened(const QString &reason)
{
    return reason.size() <= ReasonWidth ? reason : reason.left(ReasonWidth - 3) + QStringLiteral("...");
}

// The median and max columns, the verdict and, for figures without a value, the reason.
QStringList cellsOf(const Figure &figure)
{
    const QString target = figure.hasTarget() ? figure.targetText() : QStringLiteral("-");
    switch (figure.status()) {
    case Figure::Status::Skipped:
        return {figure.label(), QStringLiteral("skipped: ") + shortened(figure.reason()), QString(), target,
                QStringLiteral("-")};
    case Figure::Status::Failed:
        return {figure.label(), QStringLiteral("FAILED: ") + shortened(figure.reason()), QString(), target,
                QStringLiteral("-")};
    case Figure::Status::Measured:
        break;
    }
    const Samples &samples = figure.samples();
    const QString maximum = samples.count() > 1 ? withUnit(figure, samples.maximum()) : QStringLiteral("-");
    const QString met
        = figure.hasTarget() ? (figure.isMet() ? QStringLiteral("yes") : QStringLiteral("no")) : QStringLiteral("-");
    return {figure.label(), withUnit(figure, samples.median()), maximum, target, met};
}

} // namespace

Report::Report(const QJsonObject &context)
    : context(context)
{
}

bool Report::hasFailures() const
{
    return std::any_of(figures.cbegin(), figures.cend(),
                       [](const Figure &figure) { return figure.status() == Figure::Status::Failed; });
}

void Report::print() const
{
    QTextStream out(stdout);
    out << Qt::endl;
    for (auto entry = context.constBegin(); entry != context.constEnd(); ++entry)
        out << entry.key() << ": " << entry.value().toVariant().toString() << Qt::endl;
    out << Qt::endl;
    for (const QString &line : tableLines())
        out << line << Qt::endl;
    out << Qt::endl << QJsonDocument(json()).toJson(QJsonDocument::Compact) << Qt::endl;
}

QStringList Report::tableLines() const
{
    QList<QStringList> rows{{QStringLiteral("figure"), QStringLiteral("median / value"), QStringLiteral("max"),
                             QStringLiteral("target"), QStringLiteral("met")}};
    for (const Figure &figure : figures)
        rows.append(cellsOf(figure));

    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList &row : std::as_const(rows)) {
        for (qsizetype column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    QStringList lines;
    for (const QStringList &row : std::as_const(rows)) {
        QString line;
        for (qsizetype column = 0; column < row.size(); ++column)
            line += row[column].leftJustified(widths[column] + 3);
        lines.append(line.trimmed());
    }
    return lines;
}

QJsonObject Report::json() const
{
    QJsonObject object = context;
    QJsonObject measured;
    for (const Figure &figure : figures)
        measured.insert(figure.key(), figureJson(figure));
    object.insert(QStringLiteral("figures"), measured);
    return object;
}

QJsonObject Report::figureJson(const Figure &figure)
{
    switch (figure.status()) {
    case Figure::Status::Skipped:
        return {{QStringLiteral("skipped"), figure.reason()}};
    case Figure::Status::Failed:
        return {{QStringLiteral("failed"), figure.reason()}};
    case Figure::Status::Measured:
        break;
    }
    const Samples &samples = figure.samples();
    QJsonObject object{{QStringLiteral("unit"), figure.unit()}};
    // Printed numbers, so that the line shows what the table shows.
    if (samples.count() > 1) {
        object.insert(QStringLiteral("median"), figure.number(samples.median()).toDouble());
        object.insert(QStringLiteral("max"), figure.number(samples.maximum()).toDouble());
        object.insert(QStringLiteral("samples"), samples.count());
    } else {
        object.insert(QStringLiteral("value"), figure.number(samples.median()).toDouble());
    }
    if (figure.hasTarget()) {
        object.insert(QStringLiteral("target"), figure.targetText());
        object.insert(QStringLiteral("met"), figure.isMet());
    }
    return object;
}
