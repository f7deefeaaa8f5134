#ifndef LABELEDIT_H
#define LABELEDIT_H

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Item;

// Tags and series put on many items at once, as one transaction: either every item gets the change or none
// does. The records then show it and tell their holders, so that every view shows it at once.
class LabelEdit
{
public:
    static bool addTags(const QList<Item *> &items, const QStringList &tags);
    static bool removeTag(const QList<Item *> &items, const QString &tag);
    // The items, in this order, get the places first, first + 1, ...; an empty name takes them out of their
    // series.
    static bool setSeries(const QList<Item *> &items, const QString &name, std::optional<double> first);

    // A tag or series named anew, or merged into the one of that name; the held records of its items show it.
    static bool renameTag(int tid, const QString &current, const QString &name);
    static bool renameSeries(int sid, const QString &name);

    // The tags of the items, each once, in the order they first come.
    static QStringList tagsOf(const QList<Item *> &items);
};

#endif // LABELEDIT_H
