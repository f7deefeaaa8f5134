#include "server/httpconnection.h"

#include "server/httprequesthead.h"
#include "server/httpservice.h"

#include <QUrl>

#include <boost/asio/write.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include <netinet/in.h>
#include <netinet/tcp.h>

#include <algorithm>
#include <limits>
#include <utility>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

// A request line and headers of the protocol's kind take a few hundred bytes; the query carries them all.
constexpr std::uint32_t headerLimit = 16 * 1024;
// Bytes read ahead while parsing, and the piece of a body handed on at a time.
constexpr std::size_t readAheadLimit = 64 * 1024;
constexpr qsizetype pieceSize = 64 * 1024;
// After a refusal the rest of an unread body is read and dropped for a while (held in no buffer), since
// many clients read the reply only once they have sent the whole body, and a close with unread bytes
// resets the connection and takes the reply with it. Past these bounds the connection goes anyway.
constexpr std::chrono::seconds lingerTime{10};
constexpr quint64 lingerBytes = 256 * 1024 * 1024;

QString addressText(const asio::ip::address &address)
{
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return QString::fromStdString(asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string());
    return QString::fromStdString(address.to_string());
}

QString endpointAddress(const tcp::socket &socket, bool local)
{
    beast::error_code error;
    const tcp::endpoint endpoint = local ? socket.local_endpoint(error) : socket.remote_endpoint(error);
    return error ? QString() : addressText(endpoint.address());
}

QByteArrayView view(beast::string_view text)
{
    return QByteArrayView(text.data(), qsizetype(text.size()));
}

// The host part of a Host header: without its port, and an IPv6 literal without its brackets.
QByteArrayView hostName(QByteArrayView host)
{
    if (host.startsWith('[')) {
        const qsizetype end = host.indexOf(']');
        return end < 0 ? QByteArrayView() : host.sliced(1, end - 1);
    }
    const qsizetype colon = host.indexOf(':');
    return colon < 0 ? host : host.first(colon);
}

} // namespace

HttpConnection::HttpConnection(tcp::socket socket, HttpService &service, const HttpLimits &limits)
    : m_stream(std::move(socket))
    , m_service(service)
    , m_limits(limits)
    , m_peerAddress(endpointAddress(m_stream.socket(), false))
    , m_localAddress(endpointAddress(m_stream.socket(), true))
    , m_buffer(readAheadLimit)
{
    beast::error_code ignored;
    // A reply goes out in one write; it must not wait for the acknowledgement of the one before.
    m_stream.socket().set_option(tcp::no_delay(true), ignored);
}

HttpConnection::~HttpConnection() = default;

void HttpConnection::start()
{
    readHead();
}

void HttpConnection::close()
{
    if (!m_open)
        return;
    m_open = false;
    beast::error_code ignored;
    m_stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
    m_stream.close();
}

void HttpConnection::waitForRequest()
{
    m_awaitingHead = true;
    if (m_buffer.size() > 0) {
        readHead();
        return;
    }
    m_stream.expires_after(m_limits.idleTimeout);
    m_stream.async_read_some(m_buffer.prepare(512),
                             [self = shared_from_this()](beast::error_code error, std::size_t size) {
                                 if (error)
                                     return self->close();
                                 self->m_buffer.commit(size);
                                 self->readHead();
                             });
}

void HttpConnection::readHead()
{
    m_awaitingHead = true;
    m_exchange.reset();
    m_parser.emplace();
    m_parser->header_limit(headerLimit);
    // The service sets the body's limit once it knows the route. (This Beast compares lengths against
    // an unset limit as if it were zero, so "no limit" has to be the largest value.)
    m_parser->body_limit(std::numeric_limits<std::uint64_t>::max());
    m_stream.expires_after(m_limits.headerTimeout);
    http::async_read_header(m_stream, m_buffer, *m_parser,
                            [self = shared_from_this()](beast::error_code error, std::size_t) { self->onHead(error); });
}

void HttpConnection::onHead(beast::error_code error)
{
    if (!m_open)
        return;
    acknowledgeAtOnce();
    if (error == http::error::header_limit)
        return refuse(431, "The request's head is too large.");
    if (error == http::error::bad_content_length || error == http::error::bad_transfer_encoding)
        return refuse(400, "The body's length is malformed or announced twice.");
    if (error == http::error::end_of_stream || error == beast::error::timeout || error == asio::error::eof
        || error == asio::error::connection_reset || error == asio::error::operation_aborted)
        return close();
    if (error)
        return refuse(400, "The request is malformed.");
    m_awaitingHead = false;
    begin();
}

void HttpConnection::begin()
{
    const auto &request = m_parser->get();
    if (!isAllowedHost(view(request[http::field::host])))
        return refuse(421, "This service does not answer for that host.");
    // Only "chunked" says where a request's body ends; anything else would leave it to guesswork.
    if (request.count(http::field::transfer_encoding) > 0 && !m_parser->chunked())
        return refuse(400, "The body's transfer encoding is not chunked.");

    const HttpRequestHead head = requestHead();
    HttpService::Routing routing = m_service.begin(head);
    if (auto *reply = std::get_if<HttpReply>(&routing))
        return respond(std::move(*reply), head.hasBody() || !request.keep_alive());
    m_exchange = std::move(std::get<std::unique_ptr<HttpExchange>>(routing));

    const quint64 limit = m_exchange->bodyLimit();
    if (head.contentLength.value_or(0) > limit)
        return refuse(413, "The body exceeds this request's limit.");
    if (m_parser->is_done())
        return finish();
    m_parser->body_limit(limit);
    m_piece.resize(pieceSize);
    if (beast::iequals(request[http::field::expect], "100-continue"))
        return continueBody();
    readBody();
}

void HttpConnection::continueBody()
{
    static constexpr std::string_view interim = "HTTP/1.1 100 Continue\r\n\r\n";
    m_stream.expires_after(m_limits.bodyTimeout);
    asio::async_write(m_stream, asio::buffer(interim),
                      [self = shared_from_this()](beast::error_code error, std::size_t) {
                          if (error)
                              return self->close();
                          self->readBody();
                      });
}

void HttpConnection::readBody()
{
    auto &body = m_parser->get().body();
    body.data = m_piece.data();
    body.size = std::size_t(m_piece.size());
    m_stream.expires_after(m_limits.bodyTimeout);
    http::async_read(m_stream, m_buffer, *m_parser,
                     [self = shared_from_this()](beast::error_code error, std::size_t) { self->onBody(error); });
}

void HttpConnection::onBody(beast::error_code error)
{
    if (!m_open)
        return;
    acknowledgeAtOnce();
    if (error == http::error::need_buffer)
        error = {};
    if (error == http::error::body_limit)
        return refuse(413, "The body exceeds this request's limit.");
    if (error == http::error::bad_chunk || error == http::error::bad_chunk_extension)
        return refuse(400, "The body's chunks are malformed.");
    if (error)
        return close();

    const std::size_t received = std::size_t(m_piece.size()) - m_parser->get().body().size;
    if (received > 0 && !m_exchange->consume(QByteArrayView(m_piece.constData(), qsizetype(received))))
        return finish();
    if (m_parser->is_done())
        return finish();
    readBody();
}

void HttpConnection::finish()
{
    m_exchange->finish([self = shared_from_this()](HttpReply reply) {
        if (!self->m_open)
            return;
        // A body the exchange stopped reading is still on its way.
        const bool closeAfter = !self->m_parser->is_done() || !self->m_parser->get().keep_alive();
        self->respond(std::move(reply), closeAfter);
    });
}

void HttpConnection::refuse(int status, const char *reason)
{
    respond(HttpReply{status, QByteArrayLiteral("text/plain; charset=utf-8"), QByteArray(reason) + '\n', {}}, true);
}

void HttpConnection::respond(HttpReply reply, bool closeAfter)
{
    m_awaitingHead = false;
    m_response = {};
    m_response.version(11);
    m_response.result(unsigned(reply.status));
    if (!reply.contentType.isEmpty())
        m_response.set(http::field::content_type, reply.contentType.toStdString());
    for (const auto &[name, value] : std::as_const(reply.headers))
        m_response.set(name.toStdString(), value.toStdString());
    m_response.body().assign(reply.body.constData(), std::size_t(reply.body.size()));
    m_response.keep_alive(!closeAfter);
    m_response.prepare_payload();
    // A reply to HEAD announces the body it leaves out.
    if (m_parser && m_parser->is_header_done() && m_parser->get().method() == http::verb::head)
        m_response.body().clear();
    m_stream.expires_after(m_limits.bodyTimeout);
    http::async_write(m_stream, m_response,
                      [self = shared_from_this(), closeAfter](beast::error_code error, std::size_t) {
                          self->onWritten(error, closeAfter);
                      });
}

void HttpConnection::onWritten(beast::error_code error, bool closeAfter)
{
    if (!m_open)
        return;
    m_response = {};
    m_exchange.reset();
    if (error)
        return close();
    if (!closeAfter)
        return waitForRequest();
    const bool bodyUnread = m_parser && !m_parser->is_done();
    if (bodyUnread)
        return linger();
    close();
}

void HttpConnection::linger()
{
    beast::error_code ignored;
    m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
    m_lingerDeadline
        = std::chrono::steady_clock::now() + std::min<std::chrono::milliseconds>(lingerTime, m_limits.bodyTimeout);
    m_drained = 0;
    m_piece.resize(pieceSize);
    drain();
}

void HttpConnection::drain()
{
    m_stream.expires_at(m_lingerDeadline);
    m_stream.async_read_some(asio::buffer(m_piece.data(), std::size_t(m_piece.size())),
                             [self = shared_from_this()](beast::error_code error, std::size_t size) {
                                 self->m_drained += size;
                                 if (error || self->m_drained > lingerBytes)
                                     return self->close();
                                 self->drain();
                             });
}

void HttpConnection::acknowledgeAtOnce()
{
    // Linux delays an acknowledgement by up to 40 ms; a client that sends a request's head and body
    // in separate writes, with Nagle's algorithm on, waits that long before the body goes out. The
    // option lasts until the next delayed acknowledgement, so it is set again after every read.
    const int on = 1;
    ::setsockopt(m_stream.socket().native_handle(), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

HttpRequestHead HttpConnection::requestHead() const
{
    const auto &request = m_parser->get();
    HttpRequestHead head;
    head.method = view(request.method_string()).toByteArray();
    const QUrl target(QString::fromUtf8(view(request.target())));
    head.path = target.path(QUrl::FullyDecoded);
    head.query = QUrlQuery(target);
    for (const auto &field : request)
        head.headers.append({view(field.name_string()).toByteArray(), view(field.value()).toByteArray()});
    head.clientAddress = m_peerAddress;
    if (m_limits.trustProxy) {
        // The proxy appends the address it saw last; earlier entries are the client's own word.
        const QByteArray forwarded = head.header("X-Forwarded-For");
        const QByteArray last = forwarded.mid(forwarded.lastIndexOf(',') + 1).trimmed();
        if (!last.isEmpty())
            head.clientAddress = QString::fromLatin1(last);
    }
    if (const auto length = m_parser->content_length())
        head.contentLength = *length;
    head.chunked = m_parser->chunked();
    return head;
}

bool HttpConnection::isAllowedHost(QByteArrayView host) const
{
    // A browser led to this address by a hostile name (DNS rebinding) sends that name.
    const QString name = QString::fromLatin1(hostName(host));
    if (name.isEmpty())
        return false;
    if (name.compare(m_localAddress, Qt::CaseInsensitive) == 0)
        return true;
    return m_limits.hostNames.contains(name, Qt::CaseInsensitive);
}
