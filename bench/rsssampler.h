#ifndef RSSSAMPLER_H
#define RSSSAMPLER_H

#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <thread>

// Reads the resident memory, the threads and the open files of the process at a fixed interval on a thread
// of its own, so that the samples go on while the main thread is busy, and keeps the largest of each.
// Sampling starts at construction.
class RssSampler
{
public:
    explicit RssSampler(std::chrono::milliseconds interval);
    ~RssSampler();

    void stop();
    qint64 maximumBytes() const { return maximum.load(); }
    int maximumThreads() const { return threads.load(); }
    int maximumOpenFiles() const { return openFiles.load(); }
    int sampleCount() const { return samples.load(); }

private:
    Q_DISABLE_COPY_MOVE(RssSampler)

    void sample();

    std::atomic<qint64> maximum = 0;
    std::atomic<int> threads = 0;
    std::atomic<int> openFiles = 0;
    std::atomic<int> samples = 0;
    std::jthread thread;
};

#endif // RSSSAMPLER_H
