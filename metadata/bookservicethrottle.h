#ifndef BOOKSERVICETHROTTLE_H
#define BOOKSERVICETHROTTLE_H

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QNetworkReply;

// The volumes service asks clients that call it too fast to wait (429 or 503, mostly with Retry-After).
// Every lookup of the program then waits: until the time the service named, capped at 10 minutes, or
// without one 30 s, doubling with each refusal in a row up to 10 minutes. Lookups go on by themselves.
class BookServiceThrottle : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookServiceThrottle)

public:
    static BookServiceThrottle &instance();

    // Notes how the service answered. True when the answer asks to wait and starts a new pause, which the
    // caller tells the user about (pauseMessage()); a pause under way is told once.
    bool noteAnswer(QNetworkReply *reply);
    // Whether the answer asked to wait.
    static bool asksToWait(QNetworkReply *reply);
    // Runs send now, or when the pause is over; not at all once context is gone.
    void whenAllowed(QObject *context, const std::function<void()> &send);

    QString pauseMessage() const;
    // How long to wait after the refusals in a row so far (1 for the first), given the Retry-After value.
    static std::chrono::seconds waitFor(const QByteArray &retryAfter, int refusalsInARow, const QDateTime &now);

private:
    BookServiceThrottle() = default;

    QDateTime pausedUntil;
    std::chrono::seconds pause{0};
    int refusalsInARow = 0;
};

#endif // BOOKSERVICETHROTTLE_H
