#include "model/labelquery.h"

#include "model/labelstore.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace {

QString placeholder(const char *kind, qsizetype index)
{
    return QStringLiteral(":%1%2").arg(QLatin1String(kind)).arg(index);
}

} // namespace

LabelQuery::LabelQuery(const QString &typed)
{
    static const QRegularExpression restriction(QStringLiteral(R"re((?:^|\s)(tag|series):(?:"([^"]*)"?|(\S+)))re"),
                                                QRegularExpression::CaseInsensitiveOption);
    QString remaining = typed;
    QRegularExpressionMatchIterator matches = restriction.globalMatch(typed);
    // From the last, so that the earlier places stay where they were.
    QList<QRegularExpressionMatch> found;
    while (matches.hasNext())
        found.prepend(matches.next());
    for (const QRegularExpressionMatch &match : std::as_const(found)) {
        const QString name = LabelStore::normalized(match.hasCaptured(2) ? match.captured(2) : match.captured(3));
        if (!name.isEmpty())
            (match.captured(1).compare(QLatin1String("tag"), Qt::CaseInsensitive) == 0 ? tags : series).prepend(name);
        remaining.remove(match.capturedStart(), match.capturedLength());
    }
    rest = found.isEmpty() ? typed : remaining.simplified();
}

QStringList LabelQuery::conditions(const QString &iidColumn) const
{
    QStringList conditions;
    for (qsizetype index = 0; index < tags.size(); ++index) {
        conditions << QStringLiteral("%1 IN (SELECT itemtags.iid FROM itemtags JOIN tags ON tags.tid = itemtags.tid "
                                     "WHERE tags.name = %2)")
                          .arg(iidColumn, placeholder("tag", index));
    }
    for (qsizetype index = 0; index < series.size(); ++index) {
        conditions << QStringLiteral("%1 IN (SELECT itemseries.iid FROM itemseries JOIN series ON series.sid = "
                                     "itemseries.sid WHERE series.name = %2)")
                          .arg(iidColumn, placeholder("series", index));
    }
    return conditions;
}

void LabelQuery::bind(QSqlQuery &query) const
{
    for (qsizetype index = 0; index < tags.size(); ++index)
        query.bindValue(placeholder("tag", index), tags.at(index));
    for (qsizetype index = 0; index < series.size(); ++index)
        query.bindValue(placeholder("series", index), series.at(index));
}
