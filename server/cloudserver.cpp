#include "server/cloudserver.h"

#include "core/cloudprotocol.h"

#include "server/bufferedexchange.h"
#include "server/cloudpages.h"
#include "server/cloudreplies.h"
#include "server/cloudstore.h"
#include "server/storedbook.h"
#include "server/uploadexchange.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QThread>

#include <boost/asio/steady_timer.hpp>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// A sign-in form holds a name and a password.
constexpr quint64 formLimit = 16 * 1024;
// Logins waiting for a thread; past this the service answers 503 rather than queueing without end.
constexpr int queuedLogins = 64;

// The fields of an HTML form body (application/x-www-form-urlencoded), where "+" stands for a space.
QUrlQuery formFields(const QByteArray &body)
{
    QByteArray query = body;
    query.replace('+', "%20");
    return QUrlQuery(QString::fromLatin1(query));
}

// Text or number alike: the book's JSON keeps its numbers as decimal text.
QString jsonText(const QJsonValue &value)
{
    return value.isDouble() ? QString::number(value.toInteger()) : value.toString();
}

HttpReply noBodyAllowed()
{
    return CloudReplies::error(413, QStringLiteral("This request takes no body."));
}

HttpReply tooLarge()
{
    return CloudReplies::error(413, QStringLiteral("The upload exceeds the service's limit."));
}

// A request without a body that is answered later, once its password is checked.
std::unique_ptr<HttpExchange> deferred(std::function<void(HttpExchange::Responder)> answer)
{
    return std::make_unique<BufferedExchange>(
        0, [answer = std::move(answer)](const QByteArray &, HttpExchange::Responder respond) {
            answer(std::move(respond));
        });
}

} // namespace

CloudServer::CloudServer(boost::asio::io_context &io, CloudStore &store, Options options)
    : m_io(io)
    , m_store(store)
    , m_options(std::move(options))
    , m_checks(io, std::clamp(QThread::idealThreadCount(), 1, 4), queuedLogins)
{
}

CloudServer::~CloudServer() = default;

HttpService::Routing CloudServer::begin(const HttpRequestHead &head)
{
    if ((head.method == "GET" || head.method == "HEAD") && head.hasBody())
        return noBodyAllowed();
    if (head.path == u"/")
        return root(head);
    // Paths with and without the final "/" alike: the program sends them with it, hand-made clients may not.
    const QString path = head.path.mid(1);
    const QString withSlash = path.endsWith(u'/') ? path : path + u'/';
    if (withSlash == CloudProtocol::TokenPath)
        return token(head);
    if (withSlash == CloudProtocol::DataPath)
        return data(head);
    if (withSlash == CloudProtocol::CheckPath)
        return check(head);
    if (withSlash == CloudProtocol::FilePath)
        return file(head);
    if (path == CloudProtocol::UpdatePath)
        return update(head);
    return CloudReplies::error(404, QStringLiteral("There is nothing at this address."));
}

std::variant<TokenOwner, HttpReply> CloudServer::owner(const HttpRequestHead &head) const
{
    bool failed = false;
    std::optional<TokenOwner> owner = m_store.tokenOwner(head.queryValue(CloudProtocol::CloudToken), &failed);
    if (owner)
        return *owner;
    // A passing fault here must not make the client throw a good token away.
    if (failed)
        return CloudReplies::error(500, QStringLiteral("The token could not be checked."));
    return CloudReplies::error(401, QStringLiteral("The token is not valid; log in again."));
}

HttpService::Routing CloudServer::token(const HttpRequestHead &head)
{
    if (head.hasBody())
        return noBodyAllowed();
    if (head.query.hasQueryItem(CloudProtocol::Token)) {
        const QString token = head.queryValue(CloudProtocol::Token);
        bool failed = false;
        const bool valid = m_store.tokenOwner(token, &failed).has_value();
        if (failed)
            return CloudReplies::error(500, QStringLiteral("The token could not be checked."));
        return CloudReplies::json(QJsonObject{{CloudProtocol::Token, valid ? token : QString(CloudProtocol::Reset)}});
    }

    const QString userName = head.queryValue(CloudProtocol::UserName);
    const QString password = head.queryValue(CloudProtocol::Password);
    const QString guid = head.queryValue(CloudProtocol::Guid);
    const QString address = head.clientAddress;
    return deferred([this, userName, password, guid, address](HttpExchange::Responder respond) {
        authenticate(userName, password, address, [this, guid, respond = std::move(respond)](const Login &login) {
            if (login.busy)
                return respond(CloudReplies::error(503, QStringLiteral("The service is busy; try again shortly.")));
            if (!login.userId)
                return respond(CloudReplies::json(QJsonObject{{CloudProtocol::Token, CloudProtocol::False}}));
            const QString token = m_store.issueToken(*login.userId, guid);
            if (token.isEmpty())
                return respond(CloudReplies::error(500, QStringLiteral("The token could not be stored.")));
            respond(CloudReplies::json(QJsonObject{{CloudProtocol::Token, token}}));
        });
    });
}

HttpService::Routing CloudServer::data(const HttpRequestHead &head)
{
    std::variant<TokenOwner, HttpReply> owner = this->owner(head);
    if (auto *refusal = std::get_if<HttpReply>(&owner))
        return std::move(*refusal);
    if (head.contentLength.value_or(0) > quint64(m_options.maxData))
        return tooLarge();
    return std::make_unique<BufferedExchange>(
        quint64(m_options.maxData),
        [this, owner = std::get<TokenOwner>(owner)](const QByteArray &body, HttpExchange::Responder respond) {
            respond(storeBook(owner, body));
        });
}

HttpReply CloudServer::storeBook(const TokenOwner &owner, const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return CloudReplies::error(400, QStringLiteral("The body is not a JSON object."));
    const QJsonObject book = document.object();
    const QString iid = jsonText(book.value(QStringLiteral("iid")));
    if (iid.isEmpty())
        return CloudReplies::error(400, QStringLiteral("The book has no \"iid\"."));
    if (!m_store.storeBook(owner, iid, book))
        return CloudReplies::error(500, QStringLiteral("The book could not be stored."));
    return CloudReplies::stored();
}

HttpService::Routing CloudServer::check(const HttpRequestHead &head)
{
    std::variant<TokenOwner, HttpReply> owner = this->owner(head);
    if (auto *refusal = std::get_if<HttpReply>(&owner))
        return std::move(*refusal);
    if (head.hasBody())
        return noBodyAllowed();
    const QString md5 = head.queryValue(CloudProtocol::Md5);
    if (m_store.hasFile(std::get<TokenOwner>(owner).userId, md5))
        return CloudReplies::json(QJsonObject{{CloudProtocol::Exists, CloudProtocol::True}});
    // Even a digest that is no digest gets this answer: the program halts the whole run on anything else.
    return CloudReplies::json(QJsonObject{{CloudProtocol::Exists, CloudProtocol::False}, {CloudProtocol::Md5, md5}});
}

HttpService::Routing CloudServer::file(const HttpRequestHead &head)
{
    std::variant<TokenOwner, HttpReply> owner = this->owner(head);
    if (auto *refusal = std::get_if<HttpReply>(&owner))
        return std::move(*refusal);
    const qint64 userId = std::get<TokenOwner>(owner).userId;
    if (head.contentLength.value_or(0) > quint64(m_options.maxUpload))
        return tooLarge();

    UploadExchange::Announced announced;
    announced.md5 = head.queryValue(CloudProtocol::Md5).toLower();
    if (!CloudStore::isDigest(announced.md5))
        return CloudReplies::error(400, QStringLiteral("\"md5\" is not an MD5 digest."));
    bool sizeOk = false;
    announced.size = head.queryValue(CloudProtocol::FileSize).toLongLong(&sizeOk);
    if (!sizeOk || announced.size < 0)
        return CloudReplies::error(400, QStringLiteral("\"fileSize\" is not a size."));
    if (m_options.quota > 0 && !m_store.hasFile(userId, announced.md5)) {
        const qint64 used = m_store.usedBytes(userId);
        if (used < 0)
            return CloudReplies::error(500, QStringLiteral("The account's storage could not be measured."));
        if (used + announced.size > m_options.quota)
            return CloudReplies::error(
                413,
                QStringLiteral("The account's quota of %1 bytes would be exceeded; %2 bytes are in use.")
                    .arg(m_options.quota)
                    .arg(used));
    }
    announced.fileType = head.queryValue(CloudProtocol::FileType);

    std::unique_ptr<QTemporaryFile> upload = m_store.createUpload(userId);
    if (!upload)
        return CloudReplies::error(500, QStringLiteral("The file could not be stored."));
    return std::make_unique<UploadExchange>(m_store, userId, std::move(announced), std::move(upload),
                                            head.header("Content-Type"), quint64(m_options.maxUpload));
}

HttpService::Routing CloudServer::update(const HttpRequestHead &head) const
{
    if (head.hasBody())
        return noBodyAllowed();
    const QByteArray latest = head.queryValue(CloudProtocol::Version) == m_options.latestVersion
        ? QByteArray()
        : m_options.latestVersion.toUtf8();
    return CloudReplies::text(latest);
}

HttpService::Routing CloudServer::root(const HttpRequestHead &head)
{
    if (head.method != "POST") {
        if (head.hasBody())
            return noBodyAllowed();
        return CloudReplies::html(CloudPages::signIn());
    }
    if (head.contentLength.value_or(0) > formLimit)
        return CloudReplies::error(413, QStringLiteral("The request exceeds the service's limit."));
    const QString address = head.clientAddress;
    return std::make_unique<BufferedExchange>(
        formLimit, [this, address](const QByteArray &body, HttpExchange::Responder respond) {
            const QUrlQuery fields = formFields(body);
            const QString userName = fields.queryItemValue(CloudProtocol::UserName, QUrl::FullyDecoded);
            const QString password = fields.queryItemValue(CloudProtocol::Password, QUrl::FullyDecoded);
            authenticate(userName, password, address,
                         [this, userName, respond = std::move(respond)](const Login &login) {
                             respond(signedIn(userName, login));
                         });
        });
}

HttpReply CloudServer::signedIn(const QString &userName, const Login &login)
{
    if (login.busy)
        return CloudReplies::html(CloudPages::signIn(QStringLiteral("The service is busy; try again shortly.")));
    if (!login.userId)
        return CloudReplies::html(CloudPages::signIn(QStringLiteral("The login or the password is wrong.")));
    return CloudReplies::html(
        CloudPages::books(userName, m_store.books(*login.userId), m_store.fileDigests(*login.userId)));
}

void CloudServer::authenticate(const QString &name, const QString &password, const QString &address,
                               std::function<void(Login)> done)
{
    // While held back, an attempt is not even looked at, so guessing in parallel gains nothing.
    if (m_throttle.isBlocked(name, address))
        return done(Login{});
    // Checking a made-up hash for an unknown name keeps it as slow as a wrong password, so the reply
    // time does not tell which names have accounts.
    static const PasswordHash unknown = PasswordHash::create(QStringLiteral("unknown"));
    const std::optional<StoredPassword> stored = m_store.password(name);
    const qint64 userId = stored ? stored->userId : -1;
    const bool queued
        = m_checks.check(stored ? stored->hash : unknown, password, [this, name, address, userId, done](bool matches) {
              if (matches && userId >= 0) {
                  m_throttle.succeeded(name, address);
                  return done(Login{userId});
              }
              auto timer = std::make_shared<boost::asio::steady_timer>(m_io, m_throttle.failed(name, address));
              timer->async_wait([timer, done](boost::system::error_code) { done(Login{}); });
          });
    if (!queued)
        done(Login{std::nullopt, true});
}
