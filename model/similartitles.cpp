#include "model/similartitles.h"

#include "model/likepattern.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

// More candidates than are shown, so that the ranking has something to choose from.
constexpr int Candidates = 500;

} // namespace

QStringList SimilarTitles::words(const QString &title)
{
    static const QRegularExpression separators(QStringLiteral("[^\\w]+"));
    QStringList found;
    for (const QString &word : title.toLower().split(separators, Qt::SkipEmptyParts)) {
        if (word.size() >= 3 && !found.contains(word))
            found << word;
    }
    return found;
}

QStringList SimilarTitles::of(const QString &title, int limit)
{
    const QStringList wanted = words(title);
    if (wanted.isEmpty())
        return {};
    QStringList conditions;
    for (int index = 0; index < wanted.size(); ++index)
        conditions << QStringLiteral("title LIKE :word%1 ESCAPE '\\'").arg(index);
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT DISTINCT title FROM books WHERE ") + conditions.join(QStringLiteral(" OR "))
                  + QStringLiteral(" LIMIT %1").arg(Candidates));
    for (int index = 0; index < wanted.size(); ++index)
        query.bindValue(QStringLiteral(":word%1").arg(index), u'%' + LikePattern::exact(wanted.at(index)) + u'%');
    QList<std::pair<int, QString>> ranked;
    if (query.exec()) {
        while (query.next()) {
            const QString candidate = query.value(0).toString();
            const QStringList shared = words(candidate);
            const auto count = std::count_if(wanted.cbegin(), wanted.cend(),
                                             [&shared](const QString &word) { return shared.contains(word); });
            if (count > 0)
                ranked.append({int(count), candidate});
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QStringList titles;
    for (const auto &entry : std::as_const(ranked).mid(0, limit))
        titles << entry.second;
    return titles;
}
