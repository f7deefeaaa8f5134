#ifndef BUFFEREDEXCHANGE_H
#define BUFFEREDEXCHANGE_H

#include "server/httpexchange.h"

#include <QByteArray>

// A request whose body is small enough to hold whole (a book's JSON, a form, or none at all), handed
// to `handler` once it has arrived.
class BufferedExchange : public HttpExchange
{
public:
    using Handler = std::function<void(const QByteArray &body, Responder respond)>;

    BufferedExchange(quint64 limit, Handler handler);

    quint64 bodyLimit() const override { return m_limit; }
    bool consume(QByteArrayView bytes) override;
    void finish(Responder respond) override;

private:
    quint64 m_limit;
    Handler m_handler;
    QByteArray m_body;
    bool m_tooLarge = false;
};

#endif // BUFFEREDEXCHANGE_H
