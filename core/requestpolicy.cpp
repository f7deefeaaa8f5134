#include "core/requestpolicy.h"

#include "core/boundedreply.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace std::chrono_literals;

namespace {

constexpr int MaxRedirects = 5;

} // namespace

qint64 RequestPolicy::sizeLimit(Kind kind)
{
    switch (kind) {
    case Kind::ServiceReply:
        return 5 << 20;
    case Kind::Cover:
        return 10 << 20;
    case Kind::Update:
        return 4 << 10;
    case Kind::Login:
    case Kind::Upload:
        return 64 << 10;
    }
    return 0;
}

std::chrono::milliseconds RequestPolicy::idleTimeout(Kind kind)
{
    if (testTimeout > 0ms)
        return testTimeout;
    return kind == Kind::Upload ? 60s : 30s;
}

void RequestPolicy::setIdleTimeoutForTesting(std::chrono::milliseconds timeout)
{
    testTimeout = timeout;
}

QNetworkRequest RequestPolicy::prepared(QNetworkRequest request, Kind kind)
{
    // Counted from the last byte that moved, so a long download that keeps going is never cut.
    request.setTransferTimeout(int(idleTimeout(kind).count()));
    // http to http or https, https to https: never to another scheme, never down to plain http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    return request;
}

QNetworkReply *RequestPolicy::watched(QNetworkReply *reply, Kind kind)
{
    BoundedReply::attach(reply, sizeLimit(kind), idleTimeout(kind));
    return reply;
}

QNetworkReply *RequestPolicy::get(QNetworkAccessManager &network, QNetworkRequest request, Kind kind)
{
    return watched(network.get(prepared(std::move(request), kind)), kind);
}

QNetworkReply *RequestPolicy::post(QNetworkAccessManager &network, QNetworkRequest request, const QByteArray &body,
                                   Kind kind)
{
    return watched(network.post(prepared(std::move(request), kind), body), kind);
}

QNetworkReply *RequestPolicy::post(QNetworkAccessManager &network, QNetworkRequest request, QIODevice *body, Kind kind)
{
    return watched(network.post(prepared(std::move(request), kind), body), kind);
}
