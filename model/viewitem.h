#ifndef VIEWITEM_H
#define VIEWITEM_H

#include "model/itemseries.h"
#include "model/itemstate.h"

#include <QList>
#include <QString>
#include <QStringList>

class Item;

// The flat display form of one book or web page, kept current by its record. Views, the information
// panel and the notes editor hold pointers to it; it lives as long as its record.
struct ViewItem
{
    int iid = 0;
    QString type;
    QString title;
    QString coverFile;
    QString pageCount;
    QString datePublished;
    // A web page's short description; a book's is asked of its record when shown.
    QString description;
    QString filePath;
    QStringList filePaths;
    QString authors;
    QString publisher;
    // The record itself is the first entry.
    QList<Item *> items;
    QString url;
    QString fileSize;
    QString created;
    int rating = 0;
    ItemState state;
    QStringList tags;
    ItemSeries series;

    Item *record() const { return items.isEmpty() ? nullptr : items.constFirst(); }
};

#endif // VIEWITEM_H
