#include "core/boundedreply.h"

#include "core/replystatus.h"
#include "core/requestpolicy.h"

#include <QNetworkReply>

#include <algorithm>
#include <cmath>

void BoundedReply::attach(QNetworkReply *reply, qint64 limit, std::chrono::milliseconds idleTimeout)
{
    new BoundedReply(reply, limit, idleTimeout);
}

BoundedReply *BoundedReply::of(QNetworkReply *reply)
{
    if (auto *reader = reply->findChild<BoundedReply *>(QString(), Qt::FindDirectChildrenOnly))
        return reader;
    constexpr RequestPolicy::Kind kind = RequestPolicy::Kind::ServiceReply;
    return new BoundedReply(reply, RequestPolicy::sizeLimit(kind), RequestPolicy::idleTimeout(kind));
}

BoundedReply::BoundedReply(QNetworkReply *reply, qint64 limit, std::chrono::milliseconds idleTimeout)
    : QObject(reply)
    , reply(reply)
    , limit(limit)
    , idleTimeout(idleTimeout)
{
    connect(reply, &QNetworkReply::metaDataChanged, this, &BoundedReply::refuseAnnouncedSize);
    connect(reply, &QNetworkReply::readyRead, this, &BoundedReply::take);
    // Connected before the owner's handler, so the last bytes are taken before it runs.
    connect(reply, &QNetworkReply::finished, this, &BoundedReply::take);
    if (reply->isFinished())
        take();
}

QString BoundedReply::failure() const
{
    if (cancelled)
        return tr("The request was cancelled.");
    if (tooLarge)
        return tr("The reply was too large.");
    switch (reply->error()) {
    case QNetworkReply::OperationCanceledError: {
        // Nobody here cancelled it: the transfer timeout did.
        const auto seconds = qint64(std::ceil(idleTimeout.count() / 1000.0));
        return seconds == 1 ? tr("The service did not answer within 1 second.")
                            : tr("The service did not answer within %1 seconds.").arg(seconds);
    }
    case QNetworkReply::TooManyRedirectsError:
        return tr("Too many redirects.");
    case QNetworkReply::InsecureRedirectError:
        return notAllowed();
    default: {
        // Redirects within the web are followed, so one that reaches us leads somewhere else.
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 300 && status < 400)
            return notAllowed();
        return ReplyStatus::failure(reply);
    }
    }
}

QString BoundedReply::notAllowed()
{
    return tr("The server sent the request on to an address that is not allowed.");
}

void BoundedReply::cancel()
{
    cancelled = true;
    reply->abort();
}

void BoundedReply::refuseAnnouncedSize()
{
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (tooLarge || !announced.isValid() || announced.toLongLong() <= limit)
        return;
    tooLarge = true;
    reply->abort();
}

void BoundedReply::take()
{
    if (tooLarge)
        return;
    // One byte over the limit is enough to know. Only what has arrived is asked for: read(n) reserves n bytes
    // first, which for every reply would be the whole limit.
    const qint64 wanted = std::min(limit + 1 - qint64(received.size()), reply->bytesAvailable());
    if (wanted > 0)
        received += reply->read(wanted);
    if (received.size() <= limit)
        return;
    tooLarge = true;
    received.clear();
    reply->abort();
}
