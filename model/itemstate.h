#ifndef ITEMSTATE_H
#define ITEMSTATE_H

#include <QString>

// What the reader notes about an item beside its bibliographic data: its language, whether they own a
// printed copy and where it stands, when they read it, and whether they want it. Stored in itemstates.
struct ItemState
{
    QString language;
    bool own = false;
    QString location;
    // "yyyy-MM-dd"; empty when not read.
    QString readDate;
    bool want = false;

    bool isEmpty() const { return language.isEmpty() && !own && location.isEmpty() && readDate.isEmpty() && !want; }
    bool operator==(const ItemState &other) const = default;
};

#endif // ITEMSTATE_H
