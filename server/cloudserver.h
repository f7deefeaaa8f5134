#ifndef CLOUDSERVER_H
#define CLOUDSERVER_H

#include "server/httpservice.h"
#include "server/loginthrottle.h"
#include "server/passwordchecks.h"

#include <QString>

#include <boost/asio/io_context.hpp>

#include <functional>
#include <optional>

class CloudStore;
struct TokenOwner;

// The cloud service's side of HTTP: login and token validation, book metadata and file uploads with
// their existence checks, the update check and the web root, all answered from a CloudStore. Each
// request is judged by its head (route, token, announced length) before its body is read.
class CloudServer : public HttpService
{
public:
    struct Options
    {
        // The program's own version, so that a default service reports no update.
        QString latestVersion = QStringLiteral("0.3 Alpha");
        // For files; a book's metadata has maxData.
        qint64 maxUpload = qint64(2) * 1024 * 1024 * 1024;
        // A book's JSON carries its cover in Base64, so it may be larger than a small file.
        qint64 maxData = 16 * 1024 * 1024;
        // The bytes of files an account may keep; 0 for no limit.
        qint64 quota = 0;
    };

    CloudServer(boost::asio::io_context &io, CloudStore &store, Options options);
    ~CloudServer() override;

    Routing begin(const HttpRequestHead &head) override;

private:
    struct Login
    {
        std::optional<qint64> userId;
        // The password checks are all taken; the client should try again shortly.
        bool busy = false;
    };

    Routing token(const HttpRequestHead &head);
    Routing data(const HttpRequestHead &head);
    Routing check(const HttpRequestHead &head);
    Routing file(const HttpRequestHead &head);
    Routing update(const HttpRequestHead &head) const;
    Routing root(const HttpRequestHead &head);

    // The token's owner, or the reply that refuses the request.
    std::variant<TokenOwner, HttpReply> owner(const HttpRequestHead &head) const;
    HttpReply storeBook(const TokenOwner &owner, const QByteArray &body);
    // Checks the password off the I/O thread, holding back a client whose logins keep failing.
    void authenticate(const QString &name, const QString &password, const QString &address,
                      std::function<void(Login)> done);
    HttpReply signedIn(const QString &userName, const Login &login);

    boost::asio::io_context &m_io;
    CloudStore &m_store;
    Options m_options;
    LoginThrottle m_throttle;
    PasswordChecks m_checks;
};

#endif // CLOUDSERVER_H
