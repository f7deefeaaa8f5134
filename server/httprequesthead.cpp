#include "server/httprequesthead.h"

QByteArray HttpRequestHead::header(QByteArrayView name) const
{
    for (const auto &[key, value] : headers) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QString HttpRequestHead::queryValue(QLatin1StringView key) const
{
    return query.queryItemValue(key, QUrl::FullyDecoded);
}
