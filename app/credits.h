#ifndef CREDITS_H
#define CREDITS_H

#include <QString>

// The libraries and icon sets the program is made with, and their licences, as Help > Credits shows them.
class Credits
{
public:
    static QString html();
};

#endif // CREDITS_H
