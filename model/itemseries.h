#ifndef ITEMSERIES_H
#define ITEMSERIES_H

#include <QString>

#include <optional>

// The series an item belongs to, and its place there: 2.5 for a novella between volumes 2 and 3.
struct ItemSeries
{
    // Empty: in no series.
    QString name;
    std::optional<double> position;

    bool isEmpty() const { return name.isEmpty(); }
    bool operator==(const ItemSeries &other) const = default;
};

#endif // ITEMSERIES_H
