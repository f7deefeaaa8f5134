#include "metadata/bookservicethrottle.h"

#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::seconds FirstWait = 30s;
constexpr std::chrono::seconds LongestWait = 10min;

} // namespace

BookServiceThrottle &BookServiceThrottle::instance()
{
    static BookServiceThrottle throttle;
    return throttle;
}

bool BookServiceThrottle::asksToWait(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status == 429 || status == 503;
}

bool BookServiceThrottle::noteAnswer(QNetworkReply *reply)
{
    if (!asksToWait(reply)) {
        if (reply->error() == QNetworkReply::NoError)
            refusalsInARow = 0;
        return false;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const bool paused = pausedUntil.isValid() && pausedUntil > now;
    ++refusalsInARow;
    pause = waitFor(reply->rawHeader("Retry-After"), refusalsInARow, now);
    pausedUntil = std::max(pausedUntil.isValid() ? pausedUntil : now, now.addSecs(pause.count()));
    return !paused;
}

void BookServiceThrottle::whenAllowed(QObject *context, const std::function<void()> &send)
{
    const qint64 waitMs = pausedUntil.isValid() ? QDateTime::currentDateTimeUtc().msecsTo(pausedUntil) : 0;
    if (waitMs <= 0) {
        send();
        return;
    }
    QTimer::singleShot(std::chrono::milliseconds(waitMs), context, send);
}

QString BookServiceThrottle::pauseMessage() const
{
    const qint64 seconds = pause.count();
    const qint64 minutes = (seconds + 59) / 60;
    QString span;
    if (seconds < 60)
        span = seconds == 1 ? tr("1 second") : tr("%1 seconds").arg(seconds);
    else
        span = minutes == 1 ? tr("1 minute") : tr("%1 minutes").arg(minutes);
    return tr("The book service asks us to wait %1; lookups continue by themselves.").arg(span);
}

std::chrono::seconds BookServiceThrottle::waitFor(const QByteArray &retryAfter, int refusalsInARow,
                                                  const QDateTime &now)
{
    bool isNumber = false;
    const qint64 seconds = retryAfter.trimmed().toLongLong(&isNumber);
    if (isNumber && seconds >= 0)
        return std::min(std::chrono::seconds(seconds), LongestWait);
    // An HTTP date names its zone "GMT", which the RFC 2822 reader wants as an offset.
    QString date = QString::fromLatin1(retryAfter.trimmed());
    if (date.endsWith(QLatin1String(" GMT")))
        date = date.chopped(3) + QStringLiteral("+0000");
    const QDateTime at = QDateTime::fromString(date, Qt::RFC2822Date);
    if (at.isValid())
        return std::clamp(std::chrono::seconds(now.secsTo(at)), 0s, LongestWait);
    // Without a time named: 30 s, doubled for each refusal in a row.
    const int doublings = std::clamp(refusalsInARow - 1, 0, 10);
    return std::min(FirstWait * (1 << doublings), LongestWait);
}
