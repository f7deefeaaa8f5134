#include "bench/rsssampler.h"

#include "bench/processmemory.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

RssSampler::RssSampler(std::chrono::milliseconds interval)
    : thread([this, interval](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any wakeUp;
        std::unique_lock lock(mutex);
        while (!stop.stop_requested()) {
            sample();
            // Returns at once when a stop is asked for, not at the end of the interval.
            wakeUp.wait_for(lock, stop, interval, [] { return false; });
        }
    })
{
}

RssSampler::~RssSampler()
{
    stop();
}

void RssSampler::stop()
{
    if (!thread.joinable())
        return;
    thread.request_stop();
    thread.join();
}

void RssSampler::sample()
{
    const qint64 resident = ProcessMemory::residentBytes();
    if (resident > maximum.load())
        maximum.store(resident);
    threads.store(std::max(threads.load(), ProcessMemory::threadCount()));
    openFiles.store(std::max(openFiles.load(), ProcessMemory::openFileCount()));
    ++samples;
}
