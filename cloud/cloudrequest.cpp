#include "cloud/cloudrequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QVariantMap>

QUrl CloudRequest::url(const QString &baseUrl, const QString &path, const Query &query)
{
    QStringList items;
    items.reserve(query.size());
    for (const auto &[name, value] : query)
        items << name + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
    return QUrl(baseUrl + path + u'?' + items.join(u'&'));
}

QVariantMap CloudRequest::jsonObject(QByteArray body)
{
    const qsizetype nul = body.indexOf('\0');
    if (nul >= 0)
        body.truncate(nul);
    return QJsonDocument::fromJson(body).object().toVariantMap();
}
