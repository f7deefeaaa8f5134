#ifndef RECORDS_H
#define RECORDS_H

#include "model/item.h"

#include <QHash>

#include <memory>

// The one record of each item that anything in the program holds. Tabs, dialogs and runs share it, so a
// change made through one reaches every holder by the record's own signals, and the record is released
// with its last holder. Used on the UI thread only.
class Records
{
public:
    // The held record of a stored item, or one read now: from the rows of a bulk read when given.
    template<typename Record, typename... Rows>
    static std::shared_ptr<Record> obtain(int iid, const Rows &...rows)
    {
        if (std::shared_ptr<Record> held = std::dynamic_pointer_cast<Record>(find(iid)))
            return held;
        return hold(std::make_unique<Record>(nullptr, iid, rows...));
    }

    // A record just stored becomes the one of its id. When that id is held already, the held record
    // reads itself again and is the one returned.
    template<typename Record>
    static std::shared_ptr<Record> adopt(std::unique_ptr<Record> record)
    {
        if (std::shared_ptr<Record> held = std::dynamic_pointer_cast<Record>(find(record->getIid()))) {
            held->reload();
            return held;
        }
        return hold(std::move(record));
    }

    static std::shared_ptr<Item> find(int iid);
    static bool isHeld(int iid) { return entries().contains(iid); }
    // How many records are held now.
    static qsizetype count() { return entries().size(); }
    // The item's rows are gone: its id names no record any more, while its holders let it go.
    static void forget(const Item *record);

private:
    struct Entry
    {
        const Item *record = nullptr;
        std::weak_ptr<Item> shared;
    };

    template<typename Record>
    static std::shared_ptr<Record> hold(std::unique_ptr<Record> record)
    {
        const int iid = record->getIid();
        std::shared_ptr<Record> shared(record.release(), [iid](Record *released) {
            release(iid, released);
            delete released;
        });
        entries().insert(iid, {shared.get(), shared});
        return shared;
    }

    static void release(int iid, const Item *record);
    static QHash<int, Entry> &entries();
};

#endif // RECORDS_H
