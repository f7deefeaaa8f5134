#ifndef TABTITLE_H
#define TABTITLE_H

#include <QString>

// Tab titles stay short so that many open books fit the tab bar.
class TabTitle
{
public:
    // A name of more than 10 characters becomes its first 8, ".", and its last 5:
    // "averylongname.epub" gives "averylon..epub".
    static QString forFileName(const QString &fileName);
};

#endif // TABTITLE_H
