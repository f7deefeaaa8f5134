#include "server/cloudserver.h"

#include "core/cloudprotocol.h"

#include "server/cloudpages.h"
#include "server/cloudstore.h"
#include "server/multipartfile.h"
#include "server/quickacklistener.h"

#include <QCryptographicHash>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <optional>
#include <utility>

namespace {

using StatusCode = QHttpServerResponse::StatusCode;

// The client percent-encodes its values; older clients do not, and their values come through as sent.
QString queryValue(const QHttpServerRequest &request, const QString &key)
{
    return request.query().queryItemValue(key, QUrl::FullyDecoded);
}

QByteArray header(const QHttpServerRequest &request, QByteArrayView name)
{
    for (const auto &[key, value] : request.headers()) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QHttpServerResponse json(const QJsonObject &object, StatusCode status = StatusCode::Ok)
{
    return QHttpServerResponse(object, status);
}

QHttpServerResponse error(StatusCode status, const QString &message)
{
    return json(QJsonObject{{CloudProtocol::Error, message}}, status);
}

QHttpServerResponse html(const QByteArray &page)
{
    return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"), page);
}

QHttpServerResponse stored()
{
    return json(QJsonObject{{CloudProtocol::Stored, CloudProtocol::True}});
}

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

} // namespace

CloudServer::CloudServer(CloudStore &store, Options options, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_options(std::move(options))
    , m_server(new QHttpServer(this))
{
    // Paths with and without the final "/" alike: the program sends them with it, hand-made clients may not.
    const std::pair<QLatin1StringView, QHttpServerResponse (CloudServer::*)(const QHttpServerRequest &)> routes[] = {
        {CloudProtocol::TokenPath, &CloudServer::token},
        {CloudProtocol::DataPath, &CloudServer::data},
        {CloudProtocol::CheckPath, &CloudServer::check},
        {CloudProtocol::FilePath, &CloudServer::file},
    };
    for (const auto &[path, handler] : routes) {
        const QString withSlash = u'/' + path;
        for (const QString &route : {withSlash, withSlash.chopped(1)}) {
            m_server->route(route, [this, handler = handler](const QHttpServerRequest &request) {
                return (this->*handler)(request);
            });
        }
    }
    m_server->route(u'/' + CloudProtocol::UpdatePath,
                    [this](const QHttpServerRequest &request) { return update(request); });
    m_server->route(QStringLiteral("/"), [this](const QHttpServerRequest &request) { return root(request); });
}

CloudServer::~CloudServer() = default;

quint16 CloudServer::listen(const QHostAddress &address, quint16 port)
{
    auto *listener = new QuickAckListener(this);
    if (!listener->listen(address, port)) {
        delete listener;
        return 0;
    }
    m_server->bind(listener);
    return listener->serverPort();
}

bool CloudServer::tooLarge(const QHttpServerRequest &request, qint64 limit)
{
    const qint64 announced = header(request, "Content-Length").toLongLong();
    return qMax(announced, qint64(request.body().size())) > limit;
}

QHttpServerResponse CloudServer::token(const QHttpServerRequest &request)
{
    const QUrlQuery query = request.query();
    if (query.hasQueryItem(CloudProtocol::Token)) {
        const QString token = queryValue(request, CloudProtocol::Token);
        bool failed = false;
        const bool valid = m_store.tokenOwner(token, &failed).has_value();
        // A passing fault here must not make the client throw a good token away.
        if (failed)
            return error(StatusCode::InternalServerError, QStringLiteral("The token could not be checked."));
        return json(QJsonObject{{CloudProtocol::Token, valid ? token : QString(CloudProtocol::Reset)}});
    }

    const QString userName = queryValue(request, CloudProtocol::UserName);
    const std::optional<qint64> userId = m_store.authenticate(userName, queryValue(request, CloudProtocol::Password));
    if (!userId)
        return json(QJsonObject{{CloudProtocol::Token, CloudProtocol::False}});
    const QString token = m_store.issueToken(*userId, queryValue(request, CloudProtocol::Guid));
    if (token.isEmpty())
        return error(StatusCode::InternalServerError, QStringLiteral("The token could not be stored."));
    return json(QJsonObject{{CloudProtocol::Token, token}});
}

QHttpServerResponse CloudServer::data(const QHttpServerRequest &request)
{
    bool failed = false;
    const std::optional<TokenOwner> owner
        = m_store.tokenOwner(queryValue(request, CloudProtocol::CloudToken), &failed);
    if (!owner)
        return failed ? error(StatusCode::InternalServerError, QStringLiteral("The token could not be checked."))
                      : error(StatusCode::Unauthorized, QStringLiteral("The token is not valid; log in again."));
    if (tooLarge(request, maxDataSize))
        return error(StatusCode::PayloadTooLarge, QStringLiteral("The upload exceeds the service's limit."));

    const QJsonDocument document = QJsonDocument::fromJson(request.body());
    if (!document.isObject())
        return error(StatusCode::BadRequest, QStringLiteral("The body is not a JSON object."));
    const QJsonObject book = document.object();
    const QString iid = jsonText(book.value(QStringLiteral("iid")));
    if (iid.isEmpty())
        return error(StatusCode::BadRequest, QStringLiteral("The book has no \"iid\"."));
    if (!m_store.storeBook(*owner, iid, book))
        return error(StatusCode::InternalServerError, QStringLiteral("The book could not be stored."));
    return stored();
}

QHttpServerResponse CloudServer::check(const QHttpServerRequest &request)
{
    bool failed = false;
    const std::optional<TokenOwner> owner
        = m_store.tokenOwner(queryValue(request, CloudProtocol::CloudToken), &failed);
    if (!owner)
        return failed ? error(StatusCode::InternalServerError, QStringLiteral("The token could not be checked."))
                      : error(StatusCode::Unauthorized, QStringLiteral("The token is not valid; log in again."));

    const QString md5 = queryValue(request, CloudProtocol::Md5);
    if (m_store.hasFile(owner->userId, md5))
        return json(QJsonObject{{CloudProtocol::Exists, CloudProtocol::True}});
    // Even a digest that is no digest gets this answer: the program halts the whole run on anything else.
    return json(QJsonObject{{CloudProtocol::Exists, CloudProtocol::False}, {CloudProtocol::Md5, md5}});
}

QHttpServerResponse CloudServer::file(const QHttpServerRequest &request)
{
    bool failed = false;
    const std::optional<TokenOwner> owner
        = m_store.tokenOwner(queryValue(request, CloudProtocol::CloudToken), &failed);
    if (!owner)
        return failed ? error(StatusCode::InternalServerError, QStringLiteral("The token could not be checked."))
                      : error(StatusCode::Unauthorized, QStringLiteral("The token is not valid; log in again."));
    if (tooLarge(request, m_options.maxUpload))
        return error(StatusCode::PayloadTooLarge, QStringLiteral("The upload exceeds the service's limit."));

    const QString md5 = queryValue(request, CloudProtocol::Md5).toLower();
    if (!CloudStore::isDigest(md5))
        return error(StatusCode::BadRequest, QStringLiteral("\"md5\" is not an MD5 digest."));
    bool sizeOk = false;
    const qint64 size = queryValue(request, CloudProtocol::FileSize).toLongLong(&sizeOk);
    if (!sizeOk || size < 0)
        return error(StatusCode::BadRequest, QStringLiteral("\"fileSize\" is not a size."));

    const QByteArray body = request.body();
    const MultipartFile part(header(request, "Content-Type"), body);
    if (!part.isValid())
        return error(StatusCode::BadRequest, QStringLiteral("The body has no multipart part named \"file\"."));
    if (part.bytes().size() != size)
        return error(StatusCode::BadRequest, QStringLiteral("The file's size is not \"fileSize\"."));
    const QByteArray digest = QCryptographicHash::hash(part.bytes(), QCryptographicHash::Md5).toHex();
    if (QString::fromLatin1(digest) != md5)
        return error(StatusCode::BadRequest, QStringLiteral("The file's MD5 digest is not \"md5\"."));

    if (!m_store.storeFile(owner->userId, md5, part.bytes(), queryValue(request, CloudProtocol::FileType)))
        return error(StatusCode::InternalServerError, QStringLiteral("The file could not be stored."));
    return stored();
}

QHttpServerResponse CloudServer::update(const QHttpServerRequest &request) const
{
    const QByteArray latest = queryValue(request, CloudProtocol::Version) == m_options.latestVersion
        ? QByteArray()
        : m_options.latestVersion.toUtf8();
    return QHttpServerResponse(QByteArrayLiteral("text/plain; charset=utf-8"), latest);
}

QHttpServerResponse CloudServer::root(const QHttpServerRequest &request)
{
    if (request.method() != QHttpServerRequest::Method::Post)
        return html(CloudPages::signIn());
    if (tooLarge(request, maxDataSize))
        return error(StatusCode::PayloadTooLarge, QStringLiteral("The request exceeds the service's limit."));

    const QUrlQuery fields = formFields(request.body());
    const QString userName = fields.queryItemValue(CloudProtocol::UserName, QUrl::FullyDecoded);
    const std::optional<qint64> userId
        = m_store.authenticate(userName, fields.queryItemValue(CloudProtocol::Password, QUrl::FullyDecoded));
    if (!userId)
        return html(CloudPages::signIn(QStringLiteral("The login or the password is wrong.")));
    return html(CloudPages::books(userName, m_store.books(*userId), m_store.fileDigests(*userId)));
}
