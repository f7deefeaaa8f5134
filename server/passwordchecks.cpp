#include "server/passwordchecks.h"

#include <boost/asio/post.hpp>

#include <utility>

PasswordChecks::PasswordChecks(boost::asio::io_context &io, int threads, int maxQueued)
    : m_io(io)
    , m_pool(std::size_t(threads))
    , m_maxQueued(maxQueued)
{
}

PasswordChecks::~PasswordChecks()
{
    m_pool.join();
}

bool PasswordChecks::check(PasswordHash hash, QString password, std::function<void(bool matches)> done)
{
    if (m_queued >= m_maxQueued)
        return false;
    ++m_queued;
    boost::asio::post(m_pool,
                      [this, hash = std::move(hash), password = std::move(password), done = std::move(done)]() mutable {
                          const bool matches = hash.matches(password);
                          boost::asio::post(m_io, [this, matches, done = std::move(done)] {
                              --m_queued;
                              done(matches);
                          });
                      });
    return true;
}
