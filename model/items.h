#ifndef ITEMS_H
#define ITEMS_H

#include "model/records.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class LabelQuery;
class QSqlQuery;

#include <memory>
#include <optional>

// The common base of the collections that feed the item views.
class Items : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Items)

public:
    // A search statement whose placeholders :term_title and :term_desc take the search term, :aid the
    // author and :group the tag or series when one is given.
    struct Search
    {
        QString statement;
        std::optional<int> aid = {};
        std::optional<int> group = {};
    };

    explicit Items(QObject *parent = nullptr);

    // Prepares the query with the statement and binds the term, the tags and series it names, and the author.
    static void bindSearch(QSqlQuery &query, const Search &search, const QString &term);

protected:
    // Holds the shared record of a stored item under its id, read now (from the rows of a bulk read
    // when given) if nothing holds it yet.
    template<typename Record, typename... Rows>
    static Record *hold(QHash<int, std::shared_ptr<Record>> &held, int iid, const Rows &...rows)
    {
        std::shared_ptr<Record> record = Records::obtain<Record>(iid, rows...);
        held.insert(iid, record);
        return record.get();
    }

    static QList<int> searchIds(const Search &search, const QString &term);
    // The search over the items that carry the tags and series named: select ends where the conditions
    // begin, and the words' condition is left out when only labels were typed.
    static QString labelledStatement(const LabelQuery &labels, const QString &select, const QString &wordsCondition,
                                     const QString &iidColumn, int limit);
    // Item ids from column 0 of a statement without placeholders.
    static QList<int> selectIds(const QString &statement);
};

#endif // ITEMS_H
