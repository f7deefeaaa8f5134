#include "core/boundedreply.h"

#include "core/replystatus.h"

#include <QNetworkReply>

BoundedReply *BoundedReply::of(QNetworkReply *reply, qint64 limit)
{
    if (auto *reader = reply->findChild<BoundedReply *>(QString(), Qt::FindDirectChildrenOnly))
        return reader;
    return new BoundedReply(reply, limit);
}

BoundedReply::BoundedReply(QNetworkReply *reply, qint64 limit)
    : QObject(reply)
    , reply(reply)
    , limit(limit)
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
    if (tooLarge)
        return tr("The reply was too large.");
    return ReplyStatus::failure(reply);
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
    // One byte over the limit is enough to know.
    received += reply->read(limit + 1 - received.size());
    if (received.size() <= limit)
        return;
    tooLarge = true;
    received.clear();
    reply->abort();
}
