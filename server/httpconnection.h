#ifndef HTTPCONNECTION_H
#define HTTPCONNECTION_H

#include "server/httpexchange.h"
#include "server/httplimits.h"
#include "server/httpreply.h"

#include <QByteArray>
#include <QString>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <chrono>
#include <memory>
#include <optional>

class HttpService;
struct HttpRequestHead;

// One client connection: reads a request's head, lets the service refuse it or take it on before any
// body byte is read, streams the body to the service's exchange piece by piece, writes the reply, and
// waits for the next request while the connection is kept alive. Every wait has a deadline.
class HttpConnection : public std::enable_shared_from_this<HttpConnection>
{
public:
    HttpConnection(boost::asio::ip::tcp::socket socket, HttpService &service, const HttpLimits &limits);
    ~HttpConnection();

    void start();
    // Drops the connection at once, whatever it is doing.
    void close();
    // Whether the client has not yet sent a complete request head: such a connection may be dropped
    // to make room for one that talks.
    bool awaitingHead() const { return m_open && m_awaitingHead; }

private:
    using Parser = boost::beast::http::request_parser<boost::beast::http::buffer_body>;

    void waitForRequest();
    void readHead();
    void onHead(boost::beast::error_code error);
    void begin();
    void continueBody();
    void readBody();
    void onBody(boost::beast::error_code error);
    void finish();
    void respond(HttpReply reply, bool closeAfter);
    void refuse(int status, const char *reason);
    void onWritten(boost::beast::error_code error, bool closeAfter);
    void linger();
    void drain();
    void acknowledgeAtOnce();

    HttpRequestHead requestHead() const;
    bool isAllowedHost(QByteArrayView host) const;

    boost::beast::tcp_stream m_stream;
    HttpService &m_service;
    const HttpLimits &m_limits;
    QString m_peerAddress;
    QString m_localAddress;
    boost::beast::flat_buffer m_buffer;
    std::optional<Parser> m_parser;
    std::unique_ptr<HttpExchange> m_exchange;
    QByteArray m_piece;
    boost::beast::http::response<boost::beast::http::string_body> m_response;
    std::chrono::steady_clock::time_point m_lingerDeadline;
    quint64 m_drained = 0;
    bool m_awaitingHead = true;
    bool m_open = true;
};

#endif // HTTPCONNECTION_H
