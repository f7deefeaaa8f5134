#include "tests/support/basetestmain.h"
#include "tests/support/httptestserver.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int timeoutMs = 5000;

// A proxy from the environment must not see requests meant for the local server.
std::unique_ptr<QNetworkAccessManager> makeManager()
{
    auto manager = std::make_unique<QNetworkAccessManager>();
    manager->setProxy(QNetworkProxy::NoProxy);
    return manager;
}

bool waitForFinished(QNetworkReply *reply)
{
    if (reply->isFinished())
        return true;
    QSignalSpy finished(reply, &QNetworkReply::finished);
    return finished.wait(timeoutMs);
}

int statusOf(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// A bare TCP client, for byte streams QNetworkAccessManager never produces.
class RawClient
{
public:
    RawClient()
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] { received += socket.readAll(); });
    }

    bool connectTo(quint16 port)
    {
        QSignalSpy connected(&socket, &QTcpSocket::connected);
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.state() == QAbstractSocket::ConnectedState || !connected.isEmpty() || connected.wait(timeoutMs);
    }

    void send(const QByteArray &data)
    {
        socket.write(data);
        socket.flush();
    }

    QTcpSocket socket;
    QByteArray received;
};

} // namespace

class TestHttpTestServer : public QObject
{
    Q_OBJECT

private slots:
    void cannedRepliesReachTheClient();
    void unknownPathIsNotFound();
    void largePostArrivesIntactAndIsRecorded_data();
    void largePostArrivesIntactAndIsRecorded();
    void keepAliveConnectionServesRequestsInOrder();
    void replyQueueAdvancesAndRepeatsItsLastReply();
    void repliesCanChangeWhileRequestsArrive();
    void droppedConnectionIsAnErrorNotAHang();
    void queryKeyedReplyWinsOverPathOnly();
    void rawStreamIsParsedRobustly();
    void malformedOrUnsupportedRequestsAreAnswered();
    void destructionClosesListenerAndConnections();
};

void TestHttpTestServer::cannedRepliesReachTheClient()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    QVERIFY(server.port() != 0);
    QCOMPARE(server.url(QStringLiteral("/books/v1/volumes")).toString(),
             QStringLiteral("http://127.0.0.1:%1/books/v1/volumes").arg(server.port()));

    const QByteArray json = R"({"kind":"books#volumes","totalItems":1})";
    server.setReply(QStringLiteral("/books/v1/volumes"),
                    HttpTestServer::Reply::json(json, 203).withHeader("X-Served-By", "test"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString coverPath = dir.filePath(QStringLiteral("cover.jpg"));
    QByteArray cover("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    cover.append(QByteArray(3000, '\x7f'));
    cover.append("\xFF\xD9", 2);
    {
        QFile file(coverPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(cover), cover.size());
    }
    server.setReply(QStringLiteral("/cover.jpg"), HttpTestServer::Reply::file(coverPath, "image/jpeg"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot read .*missing\\.jpg")));
    server.setReply(QStringLiteral("/missing.jpg"),
                    HttpTestServer::Reply::file(dir.filePath(QStringLiteral("missing.jpg")), "image/jpeg"));

    const auto manager = makeManager();

    QNetworkReply *volumes = manager->get(QNetworkRequest(server.url(QStringLiteral("/books/v1/volumes"))));
    QVERIFY(waitForFinished(volumes));
    QCOMPARE(volumes->error(), QNetworkReply::NoError);
    QCOMPARE(statusOf(volumes), 203);
    QCOMPARE(volumes->header(QNetworkRequest::ContentTypeHeader).toString(), QStringLiteral("application/json"));
    QCOMPARE(volumes->rawHeader("X-Served-By"), QByteArray("test"));
    QCOMPARE(volumes->readAll(), json);

    QNetworkReply *image = manager->get(QNetworkRequest(server.url(QStringLiteral("/cover.jpg"))));
    QVERIFY(waitForFinished(image));
    QCOMPARE(image->error(), QNetworkReply::NoError);
    QCOMPARE(image->header(QNetworkRequest::ContentTypeHeader).toString(), QStringLiteral("image/jpeg"));
    QCOMPARE(image->readAll(), cover);

    QNetworkReply *missing = manager->get(QNetworkRequest(server.url(QStringLiteral("/missing.jpg"))));
    QVERIFY(waitForFinished(missing));
    QCOMPARE(statusOf(missing), 500);
    QVERIFY(missing->readAll().contains("missing.jpg"));

    // HEAD announces the length of the body without sending it.
    QNetworkReply *head = manager->head(QNetworkRequest(server.url(QStringLiteral("/cover.jpg"))));
    QVERIFY(waitForFinished(head));
    QCOMPARE(statusOf(head), 200);
    QCOMPARE(head->header(QNetworkRequest::ContentLengthHeader).toLongLong(), cover.size());
    QVERIFY(head->readAll().isEmpty());

    QCOMPARE(server.requests().size(), 4);
    QCOMPARE(server.requests().last().method, QByteArray("HEAD"));
}

void TestHttpTestServer::unknownPathIsNotFound()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReply(QStringLiteral("/known"), HttpTestServer::Reply::text("here"));

    const auto manager = makeManager();
    QNetworkReply *reply = manager->get(QNetworkRequest(server.url(QStringLiteral("/known/deeper"))));
    QVERIFY(waitForFinished(reply));
    QCOMPARE(reply->error(), QNetworkReply::ContentNotFoundError);
    QCOMPARE(statusOf(reply), 404);
    QVERIFY(reply->readAll().contains("/known/deeper"));

    // Unanswered requests are still recorded, so a test can see what a client asked for.
    QCOMPARE(server.requestCount(QStringLiteral("/known/deeper")), 1);
    QCOMPARE(server.requestCount(QStringLiteral("/known")), 0);
}

void TestHttpTestServer::largePostArrivesIntactAndIsRecorded_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("5 MB") << 5 * 1024 * 1024;
    QTest::newRow("32 MB") << 32 * 1024 * 1024;
}

void TestHttpTestServer::largePostArrivesIntactAndIsRecorded()
{
    QFETCH(int, size);

    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReply(QStringLiteral("/upload/files"), HttpTestServer::Reply::json(R"({"id":"f1"})", 201));
    QSignalSpy received(&server, &HttpTestServer::requestReceived);

    // Random bytes, so a dropped, repeated or reordered chunk cannot go unnoticed.
    QByteArray payload(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    generator.fillRange(reinterpret_cast<quint32 *>(payload.data()), payload.size() / int(sizeof(quint32)));

    QNetworkRequest request(server.url(QStringLiteral("/upload/files?name=cover%20art&kind=jpeg")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("multipart/form-data; boundary=xyz"));
    request.setRawHeader("X-Upload-Token", "t0ken");

    const auto manager = makeManager();
    QNetworkReply *reply = manager->post(request, payload);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(30000));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(statusOf(reply), 201);
    QCOMPARE(reply->readAll(), QByteArray(R"({"id":"f1"})"));

    QCOMPARE(server.requests().size(), 1);
    const HttpTestServer::Request recorded = server.requests().first();
    QCOMPARE(recorded.method, QByteArray("POST"));
    QCOMPARE(recorded.path, QStringLiteral("/upload/files"));
    QCOMPARE(recorded.rawTarget, QByteArray("/upload/files?name=cover%20art&kind=jpeg"));
    QCOMPARE(recorded.query.queryItemValue(QStringLiteral("name"), QUrl::FullyDecoded), QStringLiteral("cover art"));
    QCOMPARE(recorded.query.queryItemValue(QStringLiteral("kind")), QStringLiteral("jpeg"));
    QCOMPARE(recorded.header("x-upload-token"), QByteArray("t0ken"));
    QCOMPARE(recorded.header("CONTENT-TYPE"), QByteArray("multipart/form-data; boundary=xyz"));
    QVERIFY(!recorded.hasHeader("X-Not-Sent"));
    QCOMPARE(recorded.body.size(), payload.size());
    QVERIFY(recorded.body == payload);

    QCOMPARE(received.size(), 1);
    const auto signalled = received.first().first().value<HttpTestServer::Request>();
    QCOMPARE(signalled.path, recorded.path);
    QCOMPARE(signalled.body.size(), payload.size());
}

void TestHttpTestServer::keepAliveConnectionServesRequestsInOrder()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReply(QStringLiteral("/first"), HttpTestServer::Reply::text("one"));
    server.setReply(QStringLiteral("/second"), HttpTestServer::Reply::text("two"));

    const auto manager = makeManager();
    QNetworkReply *first = manager->get(QNetworkRequest(server.url(QStringLiteral("/first"))));
    QVERIFY(waitForFinished(first));
    QCOMPARE(first->readAll(), QByteArray("one"));
    QCOMPARE(first->rawHeader("Connection").toLower(), QByteArray("keep-alive"));

    QNetworkReply *second = manager->get(QNetworkRequest(server.url(QStringLiteral("/second"))));
    QVERIFY(waitForFinished(second));
    QCOMPARE(second->readAll(), QByteArray("two"));

    const QList<HttpTestServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).path, QStringLiteral("/first"));
    QCOMPARE(requests.at(1).path, QStringLiteral("/second"));
    QCOMPARE(requests.at(1).connectionId, requests.at(0).connectionId);
    QCOMPARE(server.connectionCount(), 1);

    server.clearRequests();
    QVERIFY(server.requests().isEmpty());
    QCOMPARE(server.requestCount(QStringLiteral("/first")), 0);
}

void TestHttpTestServer::replyQueueAdvancesAndRepeatsItsLastReply()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReplyQueue(QStringLiteral("/flaky"),
                         {HttpTestServer::Reply::status(500, "boom"), HttpTestServer::Reply::json(R"({"ok":true})")});

    const auto manager = makeManager();
    const QUrl url = server.url(QStringLiteral("/flaky"));

    QNetworkReply *failing = manager->get(QNetworkRequest(url));
    QVERIFY(waitForFinished(failing));
    QCOMPARE(failing->error(), QNetworkReply::InternalServerError);
    QCOMPARE(statusOf(failing), 500);
    QCOMPARE(failing->readAll(), QByteArray("boom"));

    for (int attempt = 0; attempt < 2; ++attempt) {
        QNetworkReply *succeeding = manager->get(QNetworkRequest(url));
        QVERIFY(waitForFinished(succeeding));
        QCOMPARE(succeeding->error(), QNetworkReply::NoError);
        QCOMPARE(statusOf(succeeding), 200);
        QCOMPARE(succeeding->readAll(), QByteArray(R"({"ok":true})"));
    }
    QCOMPARE(server.requestCount(QStringLiteral("/flaky")), 3);
}

void TestHttpTestServer::repliesCanChangeWhileRequestsArrive()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReply(QStringLiteral("/state"), HttpTestServer::Reply::text("before"));

    const auto manager = makeManager();
    const QUrl url = server.url(QStringLiteral("/state"));

    QNetworkReply *before = manager->get(QNetworkRequest(url));
    QVERIFY(waitForFinished(before));
    QCOMPARE(before->readAll(), QByteArray("before"));

    server.setReply(QStringLiteral("/state"), HttpTestServer::Reply::status(503, "later"));
    QNetworkReply *replaced = manager->get(QNetworkRequest(url));
    QVERIFY(waitForFinished(replaced));
    QCOMPARE(replaced->error(), QNetworkReply::ServiceUnavailableError);
    QCOMPARE(replaced->readAll(), QByteArray("later"));

    // The signal comes after recording and before the reply is chosen, so a slot can answer the very
    // request it is told about.
    qsizetype recordedWhenSignalled = -1;
    connect(&server, &HttpTestServer::requestReceived, this,
            [&server, &recordedWhenSignalled](const HttpTestServer::Request &request) {
                recordedWhenSignalled = server.requests().size();
                server.setReply(request.path, HttpTestServer::Reply::text("from the slot"));
            });
    QNetworkReply *fromSlot = manager->get(QNetworkRequest(url));
    QVERIFY(waitForFinished(fromSlot));
    QCOMPARE(fromSlot->readAll(), QByteArray("from the slot"));
    QCOMPARE(recordedWhenSignalled, 3);

    server.removeReply(QStringLiteral("/state"));
    server.disconnect(this);
    QNetworkReply *removed = manager->get(QNetworkRequest(url));
    QVERIFY(waitForFinished(removed));
    QCOMPARE(statusOf(removed), 404);
}

void TestHttpTestServer::droppedConnectionIsAnErrorNotAHang()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReply(QStringLiteral("/gone"), HttpTestServer::Reply::dropConnection());
    server.setReply(QStringLiteral("/fine"), HttpTestServer::Reply::text("fine"));

    const auto manager = makeManager();
    QNetworkReply *dropped = manager->get(QNetworkRequest(server.url(QStringLiteral("/gone"))));
    QVERIFY(waitForFinished(dropped));
    QCOMPARE(dropped->error(), QNetworkReply::RemoteHostClosedError);
    QVERIFY(!dropped->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
    QVERIFY(dropped->readAll().isEmpty());
    // QNetworkAccessManager retries an idempotent request once on a closed connection, so this may be 2.
    QVERIFY(server.requestCount(QStringLiteral("/gone")) >= 1);

    // The server itself keeps serving.
    QNetworkReply *fine = manager->get(QNetworkRequest(server.url(QStringLiteral("/fine"))));
    QVERIFY(waitForFinished(fine));
    QCOMPARE(fine->readAll(), QByteArray("fine"));
}

void TestHttpTestServer::queryKeyedReplyWinsOverPathOnly()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    // Path-only set last, so preference cannot come from the order of setting.
    server.setReply(QStringLiteral("/books/v1/volumes?q=isbn:9780141036144"), HttpTestServer::Reply::json("isbn"));
    server.setReply(QStringLiteral("/books/v1/volumes?q=isbn:9780141036144&langRestrict=en"),
                    HttpTestServer::Reply::json("isbn-en"));
    server.setReply(QStringLiteral("/books/v1/volumes"), HttpTestServer::Reply::json("any"));

    const auto manager = makeManager();
    const auto fetch = [&](const QString &target) {
        QNetworkReply *reply = manager->get(QNetworkRequest(server.url(target)));
        return waitForFinished(reply) ? reply->readAll() : QByteArray("timeout");
    };

    QCOMPARE(fetch(QStringLiteral("/books/v1/volumes?q=isbn:9780141036144")), QByteArray("isbn"));
    QCOMPARE(fetch(QStringLiteral("/books/v1/volumes?maxResults=1&q=isbn:9780141036144")), QByteArray("isbn"));
    QCOMPARE(fetch(QStringLiteral("/books/v1/volumes?q=isbn:9780141036144&langRestrict=en")), QByteArray("isbn-en"));
    QCOMPARE(fetch(QStringLiteral("/books/v1/volumes?q=isbn:9780000000002")), QByteArray("any"));
    QCOMPARE(fetch(QStringLiteral("/books/v1/volumes")), QByteArray("any"));
    QCOMPARE(server.requestCount(QStringLiteral("/books/v1/volumes")), 5);
}

void TestHttpTestServer::rawStreamIsParsedRobustly()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReply(QStringLiteral("/a"), HttpTestServer::Reply::text("first"));
    server.setReply(QStringLiteral("/b"), HttpTestServer::Reply::text("second"));

    // Two pipelined requests in one write are answered in order on the same connection.
    {
        RawClient client;
        QVERIFY(client.connectTo(server.port()));
        client.send("POST /a HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello"
                    "GET /b?x=1 HTTP/1.1\r\nHost: x\r\n\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(client.received.count("HTTP/1.1 200 OK\r\n") == 2, timeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(client.received.endsWith("second"), timeoutMs);
        QVERIFY(client.received.indexOf("first") < client.received.indexOf("second"));
        QVERIFY(client.received.contains("Content-Length: 5\r\n"));

        const QList<HttpTestServer::Request> requests = server.requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.at(0).body, QByteArray("hello"));
        QCOMPARE(requests.at(1).method, QByteArray("GET"));
        QCOMPARE(requests.at(1).query.queryItemValue(QStringLiteral("x")), QStringLiteral("1"));
        QCOMPARE(requests.at(1).connectionId, requests.at(0).connectionId);
        QVERIFY(requests.at(1).body.isEmpty());
    }

    // A request trickling in byte by byte is parsed once complete, and only then.
    {
        server.clearRequests();
        RawClient client;
        QVERIFY(client.connectTo(server.port()));
        const QByteArray request
            = "PUT /a HTTP/1.1\r\nHost: x\r\nX-Mixed-Case: Value\r\nContent-Length: 9\r\n\r\nslow body";
        for (qsizetype i = 0; i + 1 < request.size(); ++i) {
            client.send(request.mid(i, 1));
            QTest::qWait(1);
        }
        QTest::qWait(50);
        QCOMPARE(server.requests().size(), 0);
        client.send(request.right(1));
        QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, timeoutMs);
        QCOMPARE(server.requests().first().body, QByteArray("slow body"));
        QCOMPARE(server.requests().first().header("x-mixed-case"), QByteArray("Value"));
        QTRY_VERIFY_WITH_TIMEOUT(client.received.endsWith("first"), timeoutMs);
    }

    // Expect: 100-continue gets the interim reply before the body is sent.
    {
        server.clearRequests();
        RawClient client;
        QVERIFY(client.connectTo(server.port()));
        client.send("POST /b HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 4\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(client.received, QByteArray("HTTP/1.1 100 Continue\r\n\r\n"), timeoutMs);
        QCOMPARE(server.requests().size(), 0);
        client.send("body");
        QTRY_VERIFY_WITH_TIMEOUT(client.received.endsWith("second"), timeoutMs);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests().first().body, QByteArray("body"));
    }

    // A reply to HEAD has the length but no body; a body would be misread as the next reply.
    {
        RawClient client;
        QVERIFY(client.connectTo(server.port()));
        client.send("HEAD /a HTTP/1.1\r\nHost: x\r\n\r\nGET /b HTTP/1.1\r\nHost: x\r\n\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(client.received.endsWith("second"), timeoutMs);
        QVERIFY(client.received.startsWith("HTTP/1.1 200 OK\r\n"));
        QVERIFY(client.received.contains("Content-Length: 5\r\n"));
        QVERIFY(!client.received.contains("first"));
        QCOMPARE(client.received.count("HTTP/1.1 200 OK\r\n"), 2);
    }

    // A client asking to close gets "Connection: close" and the server closes after the reply.
    {
        RawClient client;
        QVERIFY(client.connectTo(server.port()));
        client.send("GET /a HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(client.socket.state(), QAbstractSocket::UnconnectedState, timeoutMs);
        QVERIFY(client.received.contains("Connection: close\r\n"));
        QVERIFY(client.received.endsWith("\r\n\r\nfirst"));
    }
}

void TestHttpTestServer::malformedOrUnsupportedRequestsAreAnswered()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReply(QStringLiteral("/c"), HttpTestServer::Reply::text("never"));

    {
        RawClient client;
        QVERIFY(client.connectTo(server.port()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("501.*chunked")));
        client.send("POST /c HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(client.socket.state(), QAbstractSocket::UnconnectedState, timeoutMs);
        QVERIFY(client.received.startsWith("HTTP/1.1 501 Not Implemented\r\n"));
        QVERIFY(!client.received.contains("never"));
    }

    {
        RawClient client;
        QVERIFY(client.connectTo(server.port()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("400.*malformed request line")));
        client.send("NONSENSE\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(client.socket.state(), QAbstractSocket::UnconnectedState, timeoutMs);
        QVERIFY(client.received.startsWith("HTTP/1.1 400 Bad Request\r\n"));
    }

    {
        RawClient client;
        QVERIFY(client.connectTo(server.port()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("400.*Content-Length")));
        client.send("POST /c HTTP/1.1\r\nHost: x\r\nContent-Length: lots\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(client.socket.state(), QAbstractSocket::UnconnectedState, timeoutMs);
        QVERIFY(client.received.startsWith("HTTP/1.1 400 Bad Request\r\n"));
    }

    QVERIFY(server.requests().isEmpty());
}

void TestHttpTestServer::destructionClosesListenerAndConnections()
{
    auto server = std::make_unique<HttpTestServer>();
    QVERIFY(server->listen());
    const quint16 port = server->port();

    RawClient client;
    QVERIFY(client.connectTo(port));
    // Half a request, so the server holds live per-connection state when it goes away.
    client.send("GET /a HTTP/1.1\r\nHost:");
    QTRY_COMPARE_WITH_TIMEOUT(server->connectionCount(), 1, timeoutMs);

    server.reset();
    QTRY_COMPARE_WITH_TIMEOUT(client.socket.state(), QAbstractSocket::UnconnectedState, timeoutMs);
    QVERIFY(client.received.isEmpty());

    QTcpSocket late;
    QSignalSpy failed(&late, &QTcpSocket::errorOccurred);
    late.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!failed.isEmpty() || failed.wait(timeoutMs));
    QCOMPARE(late.error(), QAbstractSocket::ConnectionRefusedError);
}

SHELVIO_BASE_TEST_MAIN(TestHttpTestServer)
#include "tst_httptestserver.moc"
