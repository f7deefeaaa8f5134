#ifndef HTTPEXCHANGE_H
#define HTTPEXCHANGE_H

#include "server/httpreply.h"

#include <QByteArrayView>

#include <functional>

// What a service does with one accepted request: takes its body piece by piece as it arrives, then
// answers. The HTTP layer never holds more of a body than one piece.
class HttpExchange
{
public:
    // Must be called on the I/O thread, at most once.
    using Responder = std::function<void(HttpReply)>;

    virtual ~HttpExchange() = default;

    // The most body bytes this request may carry; a longer body is refused with 413 unread.
    virtual quint64 bodyLimit() const = 0;
    // False stops reading the body; finish() then answers why.
    virtual bool consume(QByteArrayView bytes) = 0;
    // After the whole body, or after consume() refused a piece; may answer later.
    virtual void finish(Responder respond) = 0;
};

#endif // HTTPEXCHANGE_H
