#include "server/loginthrottle.h"

#include <algorithm>

namespace {

constexpr std::chrono::hours idleRecord{1};

bool blocked(const auto &records, const QString &key, LoginThrottle::Clock::time_point now)
{
    const auto it = records.constFind(key);
    return it != records.cend() && now < it->blockedUntil;
}

} // namespace

bool LoginThrottle::isBlocked(const QString &account, const QString &address, Clock::time_point now) const
{
    return blocked(m_accounts, account, now) || blocked(m_addresses, address, now);
}

std::chrono::milliseconds LoginThrottle::failed(const QString &account, const QString &address, Clock::time_point now)
{
    forgetIdle(now);
    Record &byAccount = m_accounts[account];
    Record &byAddress = m_addresses[address];
    const std::chrono::milliseconds delay
        = std::max(delayAfter(++byAccount.failures), delayAfter(++byAddress.failures));
    byAccount.blockedUntil = byAddress.blockedUntil = now + delay;
    return delay;
}

void LoginThrottle::succeeded(const QString &account, const QString &address)
{
    m_accounts.remove(account);
    m_addresses.remove(address);
}

std::chrono::milliseconds LoginThrottle::delayAfter(int failures)
{
    // Past nine doublings the wait is at its cap anyway; stopping there keeps the shift small.
    const int doublings = std::clamp(failures - 1, 0, 9);
    return std::min(firstDelay * (1 << doublings), longestDelay);
}

void LoginThrottle::forgetIdle(Clock::time_point now)
{
    // Sweeping only when the records have doubled keeps each failure's cost constant on average.
    const qsizetype size = m_accounts.size() + m_addresses.size();
    if (size < 2 * std::max<qsizetype>(m_sizeAtLastSweep, 512))
        return;
    for (auto *records : {&m_accounts, &m_addresses})
        records->removeIf([now](const auto &entry) { return entry.value().blockedUntil + idleRecord < now; });
    m_sizeAtLastSweep = m_accounts.size() + m_addresses.size();
}
