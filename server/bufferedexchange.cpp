#include "server/bufferedexchange.h"

#include "server/cloudreplies.h"

#include <utility>

BufferedExchange::BufferedExchange(quint64 limit, Handler handler)
    : m_limit(limit)
    , m_handler(std::move(handler))
{
}

bool BufferedExchange::consume(QByteArrayView bytes)
{
    // The HTTP layer enforces the limit; this only keeps the buffer from ever passing it.
    if (quint64(m_body.size()) + quint64(bytes.size()) > m_limit) {
        m_tooLarge = true;
        return false;
    }
    m_body.append(bytes);
    return true;
}

void BufferedExchange::finish(Responder respond)
{
    if (m_tooLarge) {
        respond(CloudReplies::error(413, QStringLiteral("The request exceeds the service's limit.")));
        return;
    }
    m_handler(m_body, std::move(respond));
}
