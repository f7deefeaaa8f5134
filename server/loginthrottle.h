#ifndef LOGINTHROTTLE_H
#define LOGINTHROTTLE_H

#include <QHash>
#include <QString>

#include <chrono>

// Failed logins per account and per client address: each failure doubles the wait before the next
// attempt from either is looked at, from one second up to five minutes; a success clears both.
class LoginThrottle
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds firstDelay{1000};
    static constexpr std::chrono::milliseconds longestDelay{5 * 60 * 1000};

    // Whether an attempt for this account or from this address must not be looked at yet.
    bool isBlocked(const QString &account, const QString &address, Clock::time_point now = Clock::now()) const;
    // Records a failure and returns how long both now wait.
    std::chrono::milliseconds failed(const QString &account, const QString &address,
                                     Clock::time_point now = Clock::now());
    void succeeded(const QString &account, const QString &address);

private:
    struct Record
    {
        int failures = 0;
        Clock::time_point blockedUntil;
    };

    static std::chrono::milliseconds delayAfter(int failures);
    // Records idle for an hour are dropped, so names and addresses made up by the million cost no memory.
    void forgetIdle(Clock::time_point now);

    QHash<QString, Record> m_accounts;
    QHash<QString, Record> m_addresses;
    qsizetype m_sizeAtLastSweep = 0;
};

#endif // LOGINTHROTTLE_H
