#ifndef HTTPREQUESTHEAD_H
#define HTTPREQUESTHEAD_H

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QUrlQuery>

#include <optional>
#include <utility>

// A request's line and headers, as they are known before any byte of its body has been read.
struct HttpRequestHead
{
    QByteArray method;
    // Percent-decoded, starting with "/".
    QString path;
    QUrlQuery query;
    QList<std::pair<QByteArray, QByteArray>> headers;
    // The peer, or with a trusted proxy in front the client it names.
    QString clientAddress;
    std::optional<quint64> contentLength;
    bool chunked = false;

    // The first header of that name, whatever its case; empty when there is none.
    QByteArray header(QByteArrayView name) const;
    // The client percent-encodes its values; older clients do not, and their values come through as sent.
    QString queryValue(QLatin1StringView key) const;
    bool hasBody() const { return chunked || contentLength.value_or(0) > 0; }
};

#endif // HTTPREQUESTHEAD_H
