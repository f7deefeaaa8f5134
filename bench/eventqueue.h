#ifndef EVENTQUEUE_H
#define EVENTQUEUE_H

#include <chrono>
#include <functional>

// Runs the event loop of the main thread for the measurements, which drive the program from outside an
// event loop of their own.
class EventQueue
{
public:
    // Delivers events until none is waiting, without waiting for timers that are not due; false when
    // events still kept coming at the limit.
    static bool drain(std::chrono::milliseconds limit);
    // Delivers events, waiting for more, until the condition holds; false when the time ran out first.
    static bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout);
};

#endif // EVENTQUEUE_H
