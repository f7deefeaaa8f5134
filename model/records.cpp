#include "model/records.h"

QHash<int, Records::Entry> &Records::entries()
{
    static QHash<int, Entry> held;
    return held;
}

std::shared_ptr<Item> Records::find(int iid)
{
    const auto entry = entries().constFind(iid);
    return entry == entries().cend() ? nullptr : entry->shared.lock();
}

void Records::forget(const Item *record)
{
    release(record->getIid(), record);
}

void Records::release(int iid, const Item *record)
{
    // The id may name a newer record by now, once this one's item was removed.
    const auto entry = entries().constFind(iid);
    if (entry != entries().cend() && entry->record == record)
        entries().erase(entry);
}
