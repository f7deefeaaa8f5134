#include "bench/processmemory.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#ifdef __GLIBC__
#include <malloc.h>
#endif

qint64 ProcessMemory::residentBytes(qint64 pid)
{
    return statusField("VmRSS:", pid);
}

qint64 ProcessMemory::peakBytes(qint64 pid)
{
    return statusField("VmHWM:", pid);
}

bool ProcessMemory::resetPeak(qint64 pid)
{
    QFile clearRefs(processFolder(pid) + QStringLiteral("/clear_refs"));
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
    return descriptors.exists()
        ? int(descriptors.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size())
        : -1;
}

qint64 ProcessMemory::statusField(const char *name, qint64 pid)
{
    const qint64 kibibytes = statusNumber(name, pid);
    return kibibytes < 0 ? -1 : kibibytes * 1024;
}

QString ProcessMemory::processFolder(qint64 pid)
{
    return pid > 0 ? QStringLiteral("/proc/%1").arg(pid) : QStringLiteral("/proc/self");
}

qint64 ProcessMemory::statusNumber(const char *name, qint64 pid)
{
    QFile status(processFolder(pid) + QStringLiteral("/status"));
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
