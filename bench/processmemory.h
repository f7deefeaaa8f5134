#ifndef PROCESSMEMORY_H
#define PROCESSMEMORY_H

#include <QString>

// The memory of this process (or, given its id, of another one) as Linux reports it in /proc/PID/status,
// in bytes, and the threads and open files that the same place tells.
class ProcessMemory
{
public:
    // VmRSS: what is resident now; -1 when it cannot be read.
    static qint64 residentBytes(qint64 pid = 0);
    // VmHWM: the most that was resident since the start or the last resetPeak(); -1 when unreadable.
    static qint64 peakBytes(qint64 pid = 0);
    // Lowers the peak to what is resident now (writing 5 to /proc/PID/clear_refs); false when refused.
    static bool resetPeak(qint64 pid = 0);
    // Hands the heap's free pages back to the system, so that a peak measured next starts from what the
    // process really holds.
    static void releaseFreeHeap();
    // The threads of the process, and the files (sockets, pipes) it holds open; -1 when unreadable.
    static int threadCount();
    static int openFileCount();

private:
    // The first number after the name; -1 when there is none.
    static qint64 statusNumber(const char *name, qint64 pid = 0);
    static qint64 statusField(const char *name, qint64 pid);
    // /proc/self, or /proc/PID for another process.
    static QString processFolder(qint64 pid);
};

#endif // PROCESSMEMORY_H
