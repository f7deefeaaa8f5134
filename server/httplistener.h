#ifndef HTTPLISTENER_H
#define HTTPLISTENER_H

#include "server/httplimits.h"

#include <QString>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <list>
#include <memory>

class HttpConnection;
class HttpService;

// Accepts connections for a service and keeps their number within the limit: at the cap, a new
// connection makes room by dropping the oldest one that has not yet sent a complete request head, so
// connections that say nothing cannot lock out a client that talks.
class HttpListener
{
public:
    HttpListener(boost::asio::io_context &io, HttpService &service, HttpLimits limits);
    ~HttpListener();

    // The port listened on (the one picked when `port` is 0), or 0 with errorString() saying why.
    quint16 listen(const boost::asio::ip::address &address, quint16 port);
    QString errorString() const { return m_error; }

private:
    void accept();
    void admit(boost::asio::ip::tcp::socket socket);
    // Drops the oldest connection still waiting for a request head; false when every one is busy.
    bool makeRoom();

    boost::asio::ip::tcp::acceptor m_acceptor;
    boost::asio::steady_timer m_retry;
    HttpService &m_service;
    HttpLimits m_limits;
    // In the order they came; a connection leaves the list once nothing refers to it any more.
    std::list<std::weak_ptr<HttpConnection>> m_connections;
    QString m_error;
};

#endif // HTTPLISTENER_H
