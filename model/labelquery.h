#ifndef LABELQUERY_H
#define LABELQUERY_H

#include <QString>
#include <QStringList>

class QSqlQuery;

// What was typed into the search box, read for the words that name a tag or a series: tag:history,
// series:"The Expanse". Each restricts the hits to the items that carry it; the rest are the words searched for.
class LabelQuery
{
public:
    explicit LabelQuery(const QString &typed);

    bool isRestricted() const { return !tags.isEmpty() || !series.isEmpty(); }
    // What is searched for in the titles and descriptions: all that was typed when nothing restricts it.
    QString words() const { return rest; }
    // A condition on the item id column for each restriction, for the placeholders that bind() fills.
    QStringList conditions(const QString &iidColumn) const;
    void bind(QSqlQuery &query) const;

private:
    QStringList tags;
    QStringList series;
    QString rest;
};

#endif // LABELQUERY_H
