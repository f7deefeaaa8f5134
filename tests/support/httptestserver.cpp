#include "tests/support/httptestserver.h"

#include <QFile>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <memory>

namespace {

// Beyond this a request head is garbage or an attack, not something a test client sends.
constexpr qsizetype maxHeadSize = 1024 * 1024;
constexpr qint64 maxBodySize = qint64(2) * 1024 * 1024 * 1024;
// Reserving the announced length up front keeps large uploads linear; capped so a bogus length
// cannot make the server allocate gigabytes before any byte arrived.
constexpr qint64 maxBodyReserve = qint64(256) * 1024 * 1024;

using HeaderList = HttpTestServer::HeaderList;

const std::pair<QByteArray, QByteArray> *findHeader(const HeaderList &headers, QByteArrayView name)
{
    for (const auto &header : headers) {
        if (QByteArrayView(header.first).compare(name, Qt::CaseInsensitive) == 0)
            return &header;
    }
    return nullptr;
}

QList<QByteArray> headerTokens(const QByteArray &value)
{
    QList<QByteArray> tokens;
    for (const QByteArray &token : value.split(','))
        tokens.append(token.trimmed().toLower());
    return tokens;
}

struct Reason
{
    int statusCode;
    const char *phrase;
};

constexpr Reason reasons[] = {
    {100, "Continue"},
    {200, "OK"},
    {201, "Created"},
    {202, "Accepted"},
    {204, "No Content"},
    {206, "Partial Content"},
    {301, "Moved Permanently"},
    {302, "Found"},
    {303, "See Other"},
    {304, "Not Modified"},
    {307, "Temporary Redirect"},
    {308, "Permanent Redirect"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {409, "Conflict"},
    {410, "Gone"},
    {411, "Length Required"},
    {412, "Precondition Failed"},
    {413, "Content Too Large"},
    {415, "Unsupported Media Type"},
    {429, "Too Many Requests"},
    {431, "Request Header Fields Too Large"},
    {500, "Internal Server Error"},
    {501, "Not Implemented"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
    {504, "Gateway Timeout"},
};

QByteArray reasonPhrase(int statusCode)
{
    for (const Reason &reason : reasons) {
        if (reason.statusCode == statusCode)
            return QByteArray(reason.phrase);
    }
    return QByteArrayLiteral("Status");
}

// The status line and headers of the reply; close tells whether the connection must be closed after it.
QByteArray replyHead(const HttpTestServer::Reply &reply, bool closeRequested, bool &close)
{
    const int code = reply.statusCode;
    // 1xx, 204 and 304 replies carry no body, so a length would make the client wait for one.
    const bool bodyAllowed = code >= 200 && code != 204 && code != 304;
    close = closeRequested || reply.lengthUnannounced;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(code) + ' ' + reasonPhrase(code) + "\r\n";
    if (bodyAllowed && !reply.contentType.isEmpty() && !findHeader(reply.headers, "Content-Type"))
        head += "Content-Type: " + reply.contentType + "\r\n";
    if (bodyAllowed && !reply.lengthUnannounced && !findHeader(reply.headers, "Content-Length"))
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    if (const auto *connection = findHeader(reply.headers, "Connection"))
        close = close || headerTokens(connection->second).contains("close");
    else
        head += close ? QByteArrayLiteral("Connection: close\r\n") : QByteArrayLiteral("Connection: keep-alive\r\n");
    for (const auto &[name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    return head;
}

bool hasBody(const HttpTestServer::Reply &reply, bool headRequest)
{
    const int code = reply.statusCode;
    return code >= 200 && code != 204 && code != 304 && !headRequest && !reply.body.isEmpty();
}

// Writes the reply and returns whether the connection must be closed afterwards.
bool writeReply(QTcpSocket *socket, const HttpTestServer::Reply &reply, bool headRequest, bool closeRequested)
{
    bool close = false;
    socket->write(replyHead(reply, closeRequested, close));
    if (hasBody(reply, headRequest))
        socket->write(reply.body);
    return close;
}

// Writes the head at once and the body a few bytes per tick, then closes the connection if it must.
void dripReply(QTcpSocket *socket, const HttpTestServer::Reply &reply, bool headRequest)
{
    // The connection serves this reply only; the client is told not to send more on it.
    bool close = false;
    socket->write(replyHead(reply, true, close));
    const QByteArray body = hasBody(reply, headRequest) ? reply.body : QByteArray();
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, body, sent, close, bytes = reply.dripBytes] {
        socket->write(body.mid(*sent, bytes));
        *sent += bytes;
        if (*sent < body.size())
            return;
        timer->stop();
        if (close)
            socket->disconnectFromHost();
    });
    timer->start(reply.dripIntervalMs);
}

} // namespace

struct HttpTestServer::Connection
{
    quint64 id = 0;
    // Unconsumed bytes are buffer[offset..]; consuming by index instead of removing from the front
    // keeps parsing linear however the stream is chunked.
    QByteArray buffer;
    qsizetype offset = 0;
    // Where the search for the end of the head resumes, so a head arriving byte by byte is scanned once.
    qsizetype scanFrom = 0;
    bool inBody = false;
    qint64 remaining = 0;
    bool closeAfterReply = false;
    // Set once the connection is being closed; later bytes are discarded.
    bool closing = false;
    Request current;

    void compact()
    {
        if (offset == buffer.size()) {
            buffer.resize(0);
            offset = 0;
            scanFrom = 0;
        } else if (offset > 64 * 1024 && offset > buffer.size() / 2) {
            buffer.remove(0, offset);
            scanFrom = std::max<qsizetype>(0, scanFrom - offset);
            offset = 0;
        }
    }
};

HttpTestServer::Reply HttpTestServer::Reply::json(QByteArray body, int statusCode)
{
    Reply reply;
    reply.statusCode = statusCode;
    reply.contentType = QByteArrayLiteral("application/json");
    reply.body = std::move(body);
    return reply;
}

HttpTestServer::Reply HttpTestServer::Reply::text(QByteArray body, int statusCode)
{
    Reply reply;
    reply.statusCode = statusCode;
    reply.contentType = QByteArrayLiteral("text/plain; charset=utf-8");
    reply.body = std::move(body);
    return reply;
}

HttpTestServer::Reply HttpTestServer::Reply::status(int statusCode, QByteArray body)
{
    Reply reply;
    reply.statusCode = statusCode;
    reply.body = std::move(body);
    return reply;
}

HttpTestServer::Reply HttpTestServer::Reply::file(const QString &path, QByteArray contentType)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "HttpTestServer: cannot read" << path << ':' << file.errorString();
        return status(500, "HttpTestServer cannot read " + path.toUtf8() + ": " + file.errorString().toUtf8() + '\n');
    }
    Reply reply;
    reply.contentType = std::move(contentType);
    reply.body = file.readAll();
    return reply;
}

HttpTestServer::Reply HttpTestServer::Reply::dropConnection()
{
    Reply reply;
    reply.closeWithoutReply = true;
    return reply;
}

HttpTestServer::Reply HttpTestServer::Reply::silence()
{
    Reply reply;
    reply.pace = Pace::Silent;
    return reply;
}

HttpTestServer::Reply HttpTestServer::Reply::redirect(const QByteArray &location, int statusCode)
{
    return status(statusCode).withHeader("Location", location);
}

HttpTestServer::Reply HttpTestServer::Reply::headOnly() const
{
    Reply copy = *this;
    copy.pace = Pace::HeadOnly;
    return copy;
}

HttpTestServer::Reply HttpTestServer::Reply::dripped(int bytes, int intervalMs) const
{
    Reply copy = *this;
    copy.pace = Pace::Drip;
    copy.dripBytes = bytes;
    copy.dripIntervalMs = intervalMs;
    return copy;
}

HttpTestServer::Reply HttpTestServer::Reply::withoutLength() const
{
    Reply copy = *this;
    copy.lengthUnannounced = true;
    return copy;
}

HttpTestServer::Reply HttpTestServer::Reply::withHeader(QByteArray name, QByteArray value) const
{
    Reply reply = *this;
    reply.headers.append({std::move(name), std::move(value)});
    return reply;
}

QByteArray HttpTestServer::Request::header(QByteArrayView name) const
{
    const auto *found = findHeader(headers, name);
    return found ? found->second : QByteArray();
}

bool HttpTestServer::Request::hasHeader(QByteArrayView name) const
{
    return findHeader(headers, name) != nullptr;
}

HttpTestServer::HttpTestServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &HttpTestServer::acceptConnections);
}

HttpTestServer::~HttpTestServer()
{
    m_server->close();
    // Sockets are deleted here rather than by ~QObject so that their signals cannot reach this
    // half-destroyed object.
    auto connections = std::move(m_connections);
    m_connections.clear();
    for (auto &entry : connections) {
        QTcpSocket *socket = entry.first;
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}

bool HttpTestServer::listen()
{
    if (m_server->isListening())
        return true;
    if (!m_server->listen(QHostAddress::LocalHost, 0)) {
        qWarning().noquote() << "HttpTestServer: cannot listen on 127.0.0.1:" << m_server->errorString();
        return false;
    }
    return true;
}

quint16 HttpTestServer::port() const
{
    return m_server->serverPort();
}

QUrl HttpTestServer::url(const QString &path) const
{
    const QString absolutePath = path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
    return QUrl(QStringLiteral("http://127.0.0.1:") + QString::number(port()) + absolutePath);
}

void HttpTestServer::setReply(const QString &key, const Reply &reply)
{
    setReplyQueue(key, {reply});
}

void HttpTestServer::setReplyQueue(const QString &key, const QList<Reply> &replies)
{
    if (replies.isEmpty()) {
        qWarning().noquote() << "HttpTestServer: empty reply queue for" << key << "- removing its replies";
        removeReply(key);
        return;
    }
    const auto existing = std::find_if(m_replies.begin(), m_replies.end(),
                                       [&key](const ReplyEntry &entry) { return entry.key == key; });
    if (existing != m_replies.end()) {
        existing->queue = replies;
        return;
    }
    ReplyEntry entry;
    entry.key = key;
    const qsizetype question = key.indexOf(QLatin1Char('?'));
    // Keys are compared in decoded form, the same form requests are recorded in.
    entry.path = QUrl::fromPercentEncoding(key.left(question < 0 ? key.size() : question).toUtf8());
    entry.hasQuery = question >= 0;
    if (entry.hasQuery)
        entry.query = QUrlQuery(key.mid(question + 1));
    entry.queue = replies;
    m_replies.append(entry);
}

void HttpTestServer::removeReply(const QString &key)
{
    m_replies.removeIf([&key](const ReplyEntry &entry) { return entry.key == key; });
}

void HttpTestServer::clearReplies()
{
    m_replies.clear();
}

QList<HttpTestServer::Request> HttpTestServer::requests() const
{
    return m_requests;
}

QList<HttpTestServer::Request> HttpTestServer::requestsTo(const QString &path) const
{
    QList<Request> matching;
    for (const Request &request : m_requests) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

int HttpTestServer::requestCount(const QString &path) const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                             [&path](const Request &request) { return request.path == path; }));
}

void HttpTestServer::clearRequests()
{
    m_requests.clear();
}

int HttpTestServer::connectionCount() const
{
    return int(std::count_if(m_connections.cbegin(), m_connections.cend(), [](const auto &entry) {
        return entry.first->state() == QAbstractSocket::ConnectedState && !entry.second->closing;
    }));
}

void HttpTestServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        auto connection = std::make_unique<Connection>();
        connection->id = m_nextConnectionId++;
        m_connections.emplace(socket, std::move(connection));

        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (const auto it = m_connections.find(socket); it != m_connections.end())
                it->second->closing = true;
            socket->deleteLater();
        });
        // The state lives until the socket itself is gone, so code still on the stack of one of its
        // signals never sees it vanish.
        connect(socket, &QObject::destroyed, this, [this, socket] { m_connections.erase(socket); });

        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void HttpTestServer::readFrom(QTcpSocket *socket)
{
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    Connection &connection = *it->second;
    if (connection.closing) {
        socket->readAll();
        return;
    }
    connection.buffer.append(socket->readAll());

    while (!connection.closing) {
        if (!connection.inBody && !parseHead(socket, connection))
            return;

        const qint64 available = connection.buffer.size() - connection.offset;
        const qint64 take = std::min(connection.remaining, available);
        connection.current.body.append(connection.buffer.constData() + connection.offset, qsizetype(take));
        connection.offset += qsizetype(take);
        connection.remaining -= take;
        connection.compact();
        if (connection.remaining > 0)
            return;

        if (!finishRequest(socket, connection))
            return;
        connection.compact();
    }
}

bool HttpTestServer::parseHead(QTcpSocket *socket, Connection &connection)
{
    QByteArray &buffer = connection.buffer;
    // Stray line breaks between requests are tolerated, as HTTP/1.1 asks of servers.
    while (buffer.size() - connection.offset >= 2 && buffer.at(connection.offset) == '\r'
           && buffer.at(connection.offset + 1) == '\n')
        connection.offset += 2;
    connection.scanFrom = std::max(connection.scanFrom, connection.offset);

    const qsizetype end = buffer.indexOf("\r\n\r\n", connection.scanFrom);
    if (end < 0) {
        if (buffer.size() - connection.offset > maxHeadSize) {
            refuse(socket, connection, 431, QByteArrayLiteral("request head too large"));
            return false;
        }
        connection.scanFrom = std::max(connection.offset, buffer.size() - 3);
        return false;
    }

    const QByteArray head = buffer.mid(connection.offset, end - connection.offset);
    connection.offset = end + 4;
    connection.scanFrom = connection.offset;

    QList<QByteArray> lines = head.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }

    const QList<QByteArray> requestLine = lines.first().split(' ');
    if (requestLine.size() != 3 || requestLine.at(0).isEmpty() || requestLine.at(1).isEmpty()
        || !requestLine.at(2).startsWith("HTTP/1.")) {
        refuse(socket, connection, 400, "malformed request line: " + lines.first().left(200));
        return false;
    }
    const QByteArray &version = requestLine.at(2);

    Request request;
    request.method = requestLine.at(0);
    request.rawTarget = requestLine.at(1);
    request.connectionId = connection.id;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || line.left(colon).contains(' ') || line.left(colon).contains('\t')) {
            refuse(socket, connection, 400, "malformed header line: " + line.left(200));
            return false;
        }
        request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }

    QByteArray target = request.rawTarget;
    // Absolute-form targets are what clients send through a proxy.
    if (target.startsWith("http://") || target.startsWith("https://")) {
        const QUrl absolute = QUrl::fromEncoded(target);
        target = absolute.path(QUrl::FullyEncoded).toUtf8();
        if (absolute.hasQuery())
            target += '?' + absolute.query(QUrl::FullyEncoded).toUtf8();
    }
    const qsizetype question = target.indexOf('?');
    request.path = QUrl::fromPercentEncoding(target.left(question < 0 ? target.size() : question));
    if (question >= 0)
        request.query = QUrlQuery(QString::fromUtf8(target.mid(question + 1)));

    // Without decoding chunks the body length is unknown; answering beats leaving the client waiting.
    if (request.hasHeader("Transfer-Encoding")) {
        refuse(socket, connection, 501, QByteArrayLiteral("chunked request bodies are not supported"));
        return false;
    }

    qint64 length = 0;
    if (request.hasHeader("Content-Length")) {
        bool ok = false;
        length = request.header("Content-Length").toLongLong(&ok);
        if (!ok || length < 0) {
            refuse(socket, connection, 400, "invalid Content-Length: " + request.header("Content-Length"));
            return false;
        }
        if (length > maxBodySize) {
            refuse(socket, connection, 413, QByteArrayLiteral("request body too large"));
            return false;
        }
    }

    const QList<QByteArray> connectionTokens = headerTokens(request.header("Connection"));
    connection.closeAfterReply
        = version == "HTTP/1.0" ? !connectionTokens.contains("keep-alive") : connectionTokens.contains("close");

    if (length > 0 && request.header("Expect").compare("100-continue", Qt::CaseInsensitive) == 0)
        socket->write(QByteArrayLiteral("HTTP/1.1 100 Continue\r\n\r\n"));

    request.body.reserve(qsizetype(std::min(length, maxBodyReserve)));
    connection.current = std::move(request);
    connection.remaining = length;
    connection.inBody = true;
    return true;
}

bool HttpTestServer::finishRequest(QTcpSocket *socket, Connection &connection)
{
    Request request = std::move(connection.current);
    connection.current = Request();
    connection.inBody = false;
    const bool closeRequested = connection.closeAfterReply;

    m_requests.append(request);
    const QPointer<HttpTestServer> self(this);
    const QPointer<QTcpSocket> guard(socket);
    emit requestReceived(request);
    if (!self || !guard || connection.closing)
        return false;

    const Reply reply = takeReply(request);
    if (reply.closeWithoutReply) {
        abortConnection(socket);
        return false;
    }
    // A stuck or slow server takes nothing more on this connection.
    switch (reply.pace) {
    case Reply::Pace::Whole:
        break;
    case Reply::Pace::Silent:
        connection.closing = true;
        return false;
    case Reply::Pace::HeadOnly: {
        bool close = false;
        socket->write(replyHead(reply, closeRequested, close));
        connection.closing = true;
        return false;
    }
    case Reply::Pace::Drip:
        dripReply(socket, reply, request.method == "HEAD");
        connection.closing = true;
        return false;
    }
    if (writeReply(socket, reply, request.method == "HEAD", closeRequested)) {
        connection.closing = true;
        socket->disconnectFromHost();
        return false;
    }
    return true;
}

HttpTestServer::Reply HttpTestServer::takeReply(const Request &request)
{
    const QList<std::pair<QString, QString>> requestItems = request.query.queryItems(QUrl::FullyDecoded);
    ReplyEntry *best = nullptr;
    qsizetype bestScore = -1;
    for (ReplyEntry &entry : m_replies) {
        if (entry.path != request.path)
            continue;
        qsizetype score = 0;
        if (entry.hasQuery) {
            const QList<std::pair<QString, QString>> wanted = entry.query.queryItems(QUrl::FullyDecoded);
            const bool matches = std::all_of(wanted.cbegin(), wanted.cend(),
                                             [&requestItems](const auto &item) { return requestItems.contains(item); });
            if (!matches)
                continue;
            score = 1 + wanted.size();
        }
        if (score > bestScore) {
            best = &entry;
            bestScore = score;
        }
    }
    if (!best)
        return Reply::status(404, "HttpTestServer has no reply for " + request.path.toUtf8() + '\n');
    return best->queue.size() > 1 ? best->queue.takeFirst() : best->queue.constFirst();
}

void HttpTestServer::refuse(QTcpSocket *socket, Connection &connection, int statusCode, const QByteArray &why)
{
    qWarning().noquote() << "HttpTestServer: answering" << statusCode << '-' << why;
    writeReply(socket, Reply::status(statusCode, why + '\n'), false, true);
    connection.closing = true;
    socket->disconnectFromHost();
}

void HttpTestServer::abortConnection(QTcpSocket *socket)
{
    if (const auto it = m_connections.find(socket); it != m_connections.end())
        it->second->closing = true;
    socket->abort();
    socket->deleteLater();
}
