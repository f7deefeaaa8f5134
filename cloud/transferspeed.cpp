#include "cloud/transferspeed.h"

#include <QtGlobal>

qint64 TransferSpeed::bytesPerSecond(qint64 bytes, qint64 elapsedMilliseconds)
{
    // Within the first millisecond the speed is not known yet; count it as one.
    return bytes * 1000 / qMax<qint64>(1, elapsedMilliseconds);
}

QString TransferSpeed::text(qint64 bytesPerSecond)
{
    if (bytesPerSecond < 1024)
        return QString::number(bytesPerSecond) + QStringLiteral("bytes/sec");
    if (bytesPerSecond < 1048576)
        return QString::number(bytesPerSecond >> 10) + QStringLiteral("kB/s");
    return QString::number(bytesPerSecond >> 20) + QStringLiteral("MB/s");
}
