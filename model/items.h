#ifndef ITEMS_H
#define ITEMS_H

#include "model/recordstore.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// The common base of the collections that feed the item views.
class Items : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Items)

public:
    explicit Items(QObject *parent = nullptr);

protected:
    // Loads a stored record that outlives the collection and remembers it under its id; with the rows
    // of a bulk read, from those.
    template<typename Record, typename... Rows>
    Record *loadKept(QHash<int, Record *> &known, int iid, const Rows &...rows)
    {
        Record *record = RecordStore::keep(std::make_unique<Record>(this, iid, rows...));
        known.insert(iid, record);
        return record;
    }

    // Item ids from a statement whose placeholders :term_title and :term_desc take the search term, and
    // :aid the author when one is given.
    static QList<int> searchIds(const QString &statement, const QString &term, std::optional<int> aid = {});
    // Item ids from column 0 of a statement without placeholders.
    static QList<int> selectIds(const QString &statement);
};

#endif // ITEMS_H
