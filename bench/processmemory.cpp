#include "bench/processmemory.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#ifdef __GLIBC__
#include <malloc.h>
#endif

qint64 ProcessMemory::residentBytes()
{
    return statusField("VmRSS:");
}

qint64 ProcessMemory::peakBytes()
{
    return statusField("VmHWM:");
}

bool ProcessMemory::resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

void ProcessMemory::releaseFreeHeap()
{
#ifdef __GLIBC__
    // The result only says whether anything was given back.
    malloc_trim(0);
#endif
}

int ProcessMemory::threadCount()
{
    return int(statusNumber("Threads:"));
}

int ProcessMemory::openFileCount()
{
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    return descriptors.exists() ? int(descriptors.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size())
                                : -1;
}

qint64 ProcessMemory::statusField(const char *name)
{
    const qint64 kibibytes = statusNumber(name);
    return kibibytes < 0 ? -1 : kibibytes * 1024;
}

qint64 ProcessMemory::statusNumber(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // The file has no size, so it is read to its end rather than by its length.
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.startsWith(name))
            continue;
        // "VmRSS:     123456 kB"
        const QList<QByteArray> fields = line.mid(qstrlen(name)).simplified().split(' ');
        bool valid = false;
        const qint64 number = fields.value(0).toLongLong(&valid);
        return valid ? number : -1;
    }
    return -1;
}
