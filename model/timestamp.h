#ifndef TIMESTAMP_H
#define TIMESTAMP_H

#include <QtGlobal>

// The library stores times as seconds since 1970-01-01 UTC in 32 unsigned bits.
class Timestamp
{
public:
    static quint32 now();
};

#endif // TIMESTAMP_H
