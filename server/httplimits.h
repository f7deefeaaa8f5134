#ifndef HTTPLIMITS_H
#define HTTPLIMITS_H

#include <QStringList>

#include <chrono>

// What the HTTP layer allows a connection, so that clients that say nothing, or say it slowly,
// cannot hold the service.
struct HttpLimits
{
    // From the connection, or the first byte of a kept-alive request, to the end of the request head.
    std::chrono::milliseconds headerTimeout{10000};
    // A kept-alive connection waiting for its next request.
    std::chrono::milliseconds idleTimeout{30000};
    // The longest pause within a body, and within a response being written.
    std::chrono::milliseconds bodyTimeout{60000};
    int maxConnections = 256;
    // Names the Host header may carry besides the address a connection came in on.
    QStringList hostNames;
    // Take the client's address from X-Forwarded-For, which a reverse proxy in front sets.
    bool trustProxy = false;
};

#endif // HTTPLIMITS_H
