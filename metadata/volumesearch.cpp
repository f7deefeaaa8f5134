#include "metadata/volumesearch.h"

#include "core/boundedreply.h"
#include "core/serviceaddresses.h"

#include <QCoreApplication>
#include <QJsonArray>
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

VolumeSearch::Result VolumeSearch::read(QNetworkReply *reply)
{
    const BoundedReply *reading = BoundedReply::of(reply);
    Result result;
    result.failure = reading->failure();
    if (!result.failure.isEmpty())
        return result;
    const QJsonDocument document = QJsonDocument::fromJson(reading->body());
    const QJsonObject answer = document.object();
    const QJsonValue items = answer.value(QStringLiteral("items"));
    // Either volumes, or the count that says there are none.
    const bool wellFormed = document.isObject()
        && (items.isArray() || (items.isUndefined() && answer.value(QStringLiteral("totalItems")).isDouble()));
    if (!wellFormed) {
        result.failure = unreadable(reply);
        return result;
    }
    const QJsonArray volumes = items.toArray();
    for (const QJsonValue &item : volumes) {
        if (!item.isObject()) {
            result.failure = unreadable(reply);
            result.matches.clear();
            return result;
        }
        const QVariantMap entry = item.toObject().toVariantMap();
        const QVariantMap info = entry.value(QStringLiteral("volumeInfo")).toMap();
        const QVariant pages = info.value(QStringLiteral("pageCount"));
        result.matches.append({info.value(QStringLiteral("title")).toString(),
                               info.value(QStringLiteral("authors")).toStringList().join(QStringLiteral(", ")),
                               pages.isValid() ? pages.toString() : QString(),
                               entry.value(QStringLiteral("selfLink")).toString()});
    }
    return result;
}

QString VolumeSearch::unreadable(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    return QCoreApplication::translate("VolumeSearch", "The reply could not be read. The server answered %1.")
        .arg((QString::number(status) + u' ' + reason).trimmed());
}
