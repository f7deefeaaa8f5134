#include "server/httplistener.h"

#include "server/httpconnection.h"

#include <QtDebug>

#include <boost/asio/socket_base.hpp>

#include <utility>

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

// Out of descriptors, accepting again at once would only spin; connections ending free some soon.
constexpr std::chrono::milliseconds acceptRetry{100};

} // namespace

HttpListener::HttpListener(asio::io_context &io, HttpService &service, HttpLimits limits)
    : m_acceptor(io)
    , m_retry(io)
    , m_service(service)
    , m_limits(std::move(limits))
{
}

HttpListener::~HttpListener()
{
    for (const std::weak_ptr<HttpConnection> &entry : m_connections) {
        if (const auto connection = entry.lock())
            connection->close();
    }
}

quint16 HttpListener::listen(const asio::ip::address &address, quint16 port)
{
    boost::system::error_code error;
    const tcp::endpoint endpoint(address, port);
    m_acceptor.open(endpoint.protocol(), error);
    if (!error)
        m_acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error)
        m_acceptor.bind(endpoint, error);
    if (!error)
        m_acceptor.listen(asio::socket_base::max_listen_connections, error);
    const tcp::endpoint bound = error ? tcp::endpoint() : m_acceptor.local_endpoint(error);
    if (error) {
        m_error = QString::fromStdString(error.message());
        return 0;
    }
    accept();
    return bound.port();
}

void HttpListener::accept()
{
    m_acceptor.async_accept([this](boost::system::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted)
            return;
        if (error) {
            qWarning().noquote() << "Cannot accept a connection:" << QString::fromStdString(error.message());
            m_retry.expires_after(acceptRetry);
            m_retry.async_wait([this](boost::system::error_code waitError) {
                if (!waitError)
                    accept();
            });
            return;
        }
        admit(std::move(socket));
        accept();
    });
}

void HttpListener::admit(tcp::socket socket)
{
    m_connections.remove_if([](const std::weak_ptr<HttpConnection> &entry) { return entry.expired(); });
    if (qsizetype(m_connections.size()) >= m_limits.maxConnections && !makeRoom()) {
        boost::system::error_code ignored;
        socket.close(ignored);
        return;
    }
    auto connection = std::make_shared<HttpConnection>(std::move(socket), m_service, m_limits);
    m_connections.push_back(connection);
    connection->start();
}

bool HttpListener::makeRoom()
{
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        const auto connection = it->lock();
        if (connection && connection->awaitingHead()) {
            connection->close();
            m_connections.erase(it);
            return true;
        }
    }
    return false;
}
