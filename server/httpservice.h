#ifndef HTTPSERVICE_H
#define HTTPSERVICE_H

#include "server/httpexchange.h"
#include "server/httpreply.h"
#include "server/httprequesthead.h"

#include <memory>
#include <variant>

// The application behind the HTTP layer: it sees each request's head before the body is read, and
// either answers at once (a refusal, or a request without a body) or takes the request on.
class HttpService
{
public:
    using Routing = std::variant<HttpReply, std::unique_ptr<HttpExchange>>;

    virtual ~HttpService() = default;

    virtual Routing begin(const HttpRequestHead &head) = 0;
};

#endif // HTTPSERVICE_H
