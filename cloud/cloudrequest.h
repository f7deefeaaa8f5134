#ifndef CLOUDREQUEST_H
#define CLOUDREQUEST_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <utility>


// Addresses and replies of the cloud service.
class CloudRequest
{
public:
    using Query = QList<std::pair<QString, QString>>;

    // The base address, the path, "?" and the query items in order. Every value is percent-encoded: a
    // password with "&", "+", "#" or a space must reach the service as typed.
    static QUrl url(const QString &baseUrl, const QString &path, const Query &query);
    // A reply's body up to its first NUL byte, parsed as a JSON object; empty for anything else.
    static QVariantMap jsonObject(QByteArray body);
};

#endif // CLOUDREQUEST_H
