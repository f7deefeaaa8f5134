#ifndef HTTPTESTSERVER_H
#define HTTPTESTSERVER_H

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <map>
#include <memory>
#include <utility>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 that plays remote services in tests. Everything runs on the
// thread of the object, so tests drive it with the ordinary event loop (QSignalSpy::wait, QTRY_*).
class HttpTestServer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpTestServer)

public:
    using HeaderList = QList<std::pair<QByteArray, QByteArray>>;

    struct Reply
    {
        int statusCode = 200;
        QByteArray contentType = "text/plain";
        QByteArray body;
        // Abort the connection instead of answering, as a crashing or overloaded server would.
        bool closeWithoutReply = false;
        // No Content-Length: the body ends where the connection closes, so only reading it tells its size.
        bool lengthUnannounced = false;
        // How the reply goes out, as a slow or stuck server sends it: whole, not at all (the connection stays
        // open and silent), only its head and then silence, or its body a few bytes at a time.
        enum class Pace { Whole, Silent, HeadOnly, Drip };
        Pace pace = Pace::Whole;
        int dripBytes = 1;
        int dripIntervalMs = 100;
        // Written after the standard headers; a Content-Type, Content-Length or Connection entry here
        // replaces the one the server would write itself.
        HeaderList headers;

        static Reply json(QByteArray body, int statusCode = 200);
        static Reply text(QByteArray body, int statusCode = 200);
        static Reply status(int statusCode, QByteArray body = {});
        // An unreadable file gives a 500 reply naming the file (and a warning), so the test fails visibly.
        static Reply file(const QString &path, QByteArray contentType);
        static Reply dropConnection();
        // Takes the request and never answers.
        static Reply silence();
        // A redirect to the address.
        static Reply redirect(const QByteArray &location, int statusCode = 302);
        Reply withoutLength() const;
        Reply headOnly() const;
        Reply dripped(int bytes, int intervalMs) const;

        Reply withHeader(QByteArray name, QByteArray value) const;
    };

    struct Request
    {
        QByteArray method;
        QString path; // percent-decoded, without the query
        QUrlQuery query;
        QByteArray rawTarget; // exactly as on the request line
        HeaderList headers; // in arrival order, names as sent
        QByteArray body;
        quint64 connectionId = 0; // equal for requests that shared one TCP connection

        // First value of the header, name compared case-insensitively; empty when absent.
        QByteArray header(QByteArrayView name) const;
        bool hasHeader(QByteArrayView name) const;
    };

    explicit HttpTestServer(QObject *parent = nullptr);
    ~HttpTestServer() override;

    // Listens on 127.0.0.1 on a port the OS picks; false (with a warning) when that fails.
    bool listen();
    quint16 port() const;
    // `path` may carry a query: url(QStringLiteral("/a?b=c")).
    QUrl url(const QString &path = QStringLiteral("/")) const;

    // A key without '?' matches the request path exactly. A key with '?' matches when the path is
    // equal and every query item of the key appears in the request with the same value; such keys
    // win over the path-only key, and the one with more items wins among them. Setting a key again
    // replaces its replies, also between requests of a running test.
    void setReply(const QString &key, const Reply &reply);
    // Successive requests get successive replies; the last one then repeats.
    void setReplyQueue(const QString &key, const QList<Reply> &replies);
    void removeReply(const QString &key);
    void clearReplies();

    QList<Request> requests() const;
    QList<Request> requestsTo(const QString &path) const;
    int requestCount(const QString &path) const;
    void clearRequests();
    // Connections currently open.
    int connectionCount() const;

signals:
    // Emitted once the whole request (headers and body) has arrived and been recorded, before the
    // reply is chosen and written: a slot may still change the reply for this very request.
    void requestReceived(const HttpTestServer::Request &request);

private:
    struct Connection;
    struct ReplyEntry
    {
        QString key;
        QString path;
        bool hasQuery = false;
        QUrlQuery query;
        QList<Reply> queue;
    };

    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    bool parseHead(QTcpSocket *socket, Connection &connection);
    bool finishRequest(QTcpSocket *socket, Connection &connection);
    Reply takeReply(const Request &request);
    void refuse(QTcpSocket *socket, Connection &connection, int statusCode, const QByteArray &why);
    void abortConnection(QTcpSocket *socket);

    QTcpServer *m_server = nullptr;
    std::map<QTcpSocket *, std::unique_ptr<Connection>> m_connections;
    quint64 m_nextConnectionId = 1;
    QList<ReplyEntry> m_replies;
    QList<Request> m_requests;
};

#endif // HTTPTESTSERVER_H
