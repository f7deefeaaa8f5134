#include "core/boundedreply.h"
#include "core/requestpolicy.h"
#include "tests/support/basetestmain.h"
#include "tests/support/httptestserver.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(HttpTestServer::Reply)
Q_DECLARE_METATYPE(RequestPolicy::Kind)

// Every way a request can go wrong ends within its wait and says why in one sentence.
class TestRequestPolicy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RequestPolicy::setIdleTimeoutForTesting(300ms); }
    void cleanupTestCase() { RequestPolicy::setIdleTimeoutForTesting(0ms); }

    void everyFailureEndsAndIsTold_data()
    {
        QTest::addColumn<HttpTestServer::Reply>("reply");
        QTest::addColumn<RequestPolicy::Kind>("kind");
        QTest::addColumn<QString>("failure");

        const QString silent = QStringLiteral("The service did not answer within 1 second.");
        QTest::newRow("accepts and says nothing") << HttpTestServer::Reply::silence()
                                                  << RequestPolicy::Kind::ServiceReply << silent;
        QTest::newRow("headers, then silence") << HttpTestServer::Reply::json("{}").headOnly()
                                               << RequestPolicy::Kind::ServiceReply << silent;
        QTest::newRow("over the update's 4 KB") << HttpTestServer::Reply::text(QByteArray(5000, '1'))
                                                << RequestPolicy::Kind::Update
                                                << QStringLiteral("The reply was too large.");
        QTest::newRow("over 64 KB, not announced")
            << HttpTestServer::Reply::json(QByteArray(70000, ' ')).withoutLength() << RequestPolicy::Kind::Login
            << QStringLiteral("The reply was too large.");
        QTest::newRow("redirect loop") << HttpTestServer::Reply::redirect("/loop") << RequestPolicy::Kind::ServiceReply
                                       << QStringLiteral("Too many redirects.");
        QTest::newRow("redirect out of the web")
            << HttpTestServer::Reply::redirect("file:///etc/passwd") << RequestPolicy::Kind::Cover
            << QStringLiteral("The server sent the request on to an address that is not allowed.");
        QTest::newRow("unavailable") << HttpTestServer::Reply::text("busy", 503) << RequestPolicy::Kind::ServiceReply
                                     << QStringLiteral("The server answered 503 Service Unavailable.");
    }

    void everyFailureEndsAndIsTold()
    {
        QFETCH(HttpTestServer::Reply, reply);
        QFETCH(RequestPolicy::Kind, kind);
        QFETCH(QString, failure);
        HttpTestServer server;
        QVERIFY(server.listen());
        server.setReply(QStringLiteral("/loop"), reply);

        const BoundedReply *reading = fetch(server, kind);
        QVERIFY(reading);
        QCOMPARE(reading->failure(), failure);
    }

    void aSlowReplyThatKeepsComingIsWaitedFor()
    {
        HttpTestServer server;
        QVERIFY(server.listen());
        // Two bytes every 100 ms: a second in all, three times the wait, yet never a pause that long.
        const QByteArray body("{\"version\": \"1.0\"}");
        server.setReply(QStringLiteral("/loop"), HttpTestServer::Reply::json(body).dripped(2, 100));

        const BoundedReply *reading = fetch(server, RequestPolicy::Kind::ServiceReply);
        QVERIFY(reading);
        QCOMPARE(reading->failure(), QString());
        QCOMPARE(reading->body(), body);
    }

private:
    // Sends the request and waits for its end; the reply lives on in the manager until the next test.
    const BoundedReply *fetch(HttpTestServer &server, RequestPolicy::Kind kind)
    {
        QNetworkReply *reply = RequestPolicy::get(network, QNetworkRequest(server.url(QStringLiteral("/loop"))), kind);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!finished.wait(10000))
            return nullptr;
        return BoundedReply::of(reply);
    }

    QNetworkAccessManager network;
};

SHELVIO_BASE_TEST_MAIN(TestRequestPolicy)
#include "tst_requestpolicy.moc"
