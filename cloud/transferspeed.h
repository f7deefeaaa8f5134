#ifndef TRANSFERSPEED_H
#define TRANSFERSPEED_H

#include <QString>

// The speed of a transfer as the sync dialog shows it: "512bytes/sec", "3kB/s", "12MB/s".
class TransferSpeed
{
public:
    static qint64 bytesPerSecond(qint64 bytes, qint64 elapsedMilliseconds);
    static QString text(qint64 bytesPerSecond);
};

#endif // TRANSFERSPEED_H
