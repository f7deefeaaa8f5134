#ifndef PASSWORDCHECKS_H
#define PASSWORDCHECKS_H

#include "server/passwordhash.h"

#include <QString>

#include <boost/asio/io_context.hpp>
#include <boost/asio/thread_pool.hpp>

#include <functional>

// Password checks on worker threads: a key derivation takes a tenth of a second on purpose, which on
// the I/O thread would stall every other client. The queue is bounded, so a flood of logins costs
// the service a few threads and nothing more.
class PasswordChecks
{
public:
    PasswordChecks(boost::asio::io_context &io, int threads, int maxQueued);
    ~PasswordChecks();

    // `done` runs on the I/O thread with the result; false, with nothing queued, when the queue is full.
    bool check(PasswordHash hash, QString password, std::function<void(bool matches)> done);

private:
    boost::asio::io_context &m_io;
    boost::asio::thread_pool m_pool;
    int m_maxQueued;
    // Touched on the I/O thread only.
    int m_queued = 0;
};

#endif // PASSWORDCHECKS_H
