#include "server/cloudreplies.h"

#include "core/cloudprotocol.h"

#include <QJsonDocument>

namespace {

HttpReply reply(int status, QByteArray contentType, QByteArray body)
{
    return HttpReply{status,
                     std::move(contentType),
                     std::move(body),
                     {{QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store")},
                      {QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff")}}};
}

} // namespace

HttpReply CloudReplies::json(const QJsonObject &object, int status)
{
    return reply(status, QByteArrayLiteral("application/json"), QJsonDocument(object).toJson(QJsonDocument::Compact));
}

HttpReply CloudReplies::error(int status, const QString &message)
{
    return json(QJsonObject{{CloudProtocol::Error, message}}, status);
}

HttpReply CloudReplies::stored()
{
    return json(QJsonObject{{CloudProtocol::Stored, CloudProtocol::True}});
}

HttpReply CloudReplies::html(const QByteArray &page)
{
    HttpReply html = reply(200, QByteArrayLiteral("text/html; charset=utf-8"), page);
    html.headers.append({QByteArrayLiteral("Content-Security-Policy"),
                         QByteArrayLiteral("default-src 'none'; style-src 'self' 'unsafe-inline'")});
    html.headers.append({QByteArrayLiteral("X-Frame-Options"), QByteArrayLiteral("DENY")});
    return html;
}

HttpReply CloudReplies::text(const QByteArray &text)
{
    return reply(200, QByteArrayLiteral("text/plain; charset=utf-8"), text);
}
