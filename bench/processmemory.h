#ifndef PROCESSMEMORY_H
#define PROCESSMEMORY_H

#include <QtGlobal>

// The memory of this process as Linux reports it in /proc/self/status, in bytes.
class ProcessMemory
{
public:
    // VmRSS: what is resident now; -1 when it cannot be read.
    static qint64 residentBytes();
    // VmHWM: the most that was resident since the start or the last resetPeak(); -1 when unreadable.
    static qint64 peakBytes();
    // Lowers the peak to what is resident now (writing 5 to /proc/self/clear_refs); false when refused.
    static bool resetPeak();
    // Hands the heap's free pages back to the system, so that a peak measured next starts from what the
    // process really holds.
    static void releaseFreeHeap();

private:
    static qint64 statusField(const char *name);
};

#endif // PROCESSMEMORY_H
