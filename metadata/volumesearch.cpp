#include "metadata/volumesearch.h"

#include "core/boundedreply.h"
#include "core/serviceaddresses.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QVariantMap>

namespace {

QUrl searchUrl(const QString &terms)
{
    QUrl url = ServiceAddresses::booksApi();
    // Encoded whole, so "&", "#" or "+" in a title stay part of the search.
    url.setQuery(QStringLiteral("q=") + QString::fromLatin1(QUrl::toPercentEncoding(terms, ":")));
    return url;
}

} // namespace

QUrl VolumeSearch::url(const QString &isbn, const QString &keywords)
{
    if (isbn.size() >= 2)
        return searchUrl(QStringLiteral("isbn:") + isbn);
    if (keywords.size() >= 2)
        return searchUrl(keywords);
    return ServiceAddresses::booksApi();
}

void VolumeSearch::watch(QNetworkReply *reply)
{
    BoundedReply::of(reply, ReplyLimit);
}

VolumeSearch::Result VolumeSearch::read(QNetworkReply *reply)
{
    const BoundedReply *reading = BoundedReply::of(reply, ReplyLimit);
    Result result;
    result.failure = reading->failure();
    if (!result.failure.isEmpty())
        return result;
    const QVariantMap answer = QJsonDocument::fromJson(reading->body()).object().toVariantMap();
    const QVariantList items = answer.value(QStringLiteral("items")).toList();
    for (const QVariant &item : items) {
        const QVariantMap entry = item.toMap();
        const QVariantMap info = entry.value(QStringLiteral("volumeInfo")).toMap();
        const QVariant pages = info.value(QStringLiteral("pageCount"));
        result.matches.append({info.value(QStringLiteral("title")).toString(),
                               info.value(QStringLiteral("authors")).toStringList().join(QStringLiteral(", ")),
                               pages.isValid() ? pages.toString() : QString(),
                               entry.value(QStringLiteral("selfLink")).toString()});
    }
    return result;
}
