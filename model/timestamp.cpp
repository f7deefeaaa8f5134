#include "model/timestamp.h"

#include <QDateTime>

quint32 Timestamp::now()
{
    return static_cast<quint32>(QDateTime::currentMSecsSinceEpoch() / 1000);
}
