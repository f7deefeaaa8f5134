#ifndef CLOUDREPLIES_H
#define CLOUDREPLIES_H

#include "server/httpreply.h"

#include <QJsonObject>
#include <QString>

// The cloud service's replies in the protocol's forms. None may be kept by a cache: they carry tokens
// and account data.
class CloudReplies
{
public:
    static HttpReply json(const QJsonObject &object, int status = 200);
    // {"error": message}
    static HttpReply error(int status, const QString &message);
    // {"stored": "true"}
    static HttpReply stored();
    // A page of the web root, which no other site may frame and which loads nothing from elsewhere.
    static HttpReply html(const QByteArray &page);
    static HttpReply text(const QByteArray &text);
};

#endif // CLOUDREPLIES_H
