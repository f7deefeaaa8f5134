#ifndef ITEMCOUNTTEXT_H
#define ITEMCOUNTTEXT_H

#include <QString>

// What the status bar says of a tab: "10,000 books, 3 selected", or while a search is on "12 of 10,000
// books match".
class ItemCountText
{
public:
    static QString summary(bool webPages, int total, int shown, int selected, bool searching);
};

#endif // ITEMCOUNTTEXT_H
