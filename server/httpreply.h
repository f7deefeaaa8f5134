#ifndef HTTPREPLY_H
#define HTTPREPLY_H

#include <QByteArray>
#include <QList>

#include <utility>

// A response as a service hands it to the HTTP layer, which adds the framing headers.
struct HttpReply
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
};

#endif // HTTPREPLY_H
