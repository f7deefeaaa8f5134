#include "cloud/filesyncmanager.h"
#include "cloud/multipartfilebody.h"
#include "cloud/syncrun.h"
#include "core/settings.h"
#include "model/book.h"
#include "tests/support/filetesting.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

HttpTestServer::Reply exists(bool held, const QString &md5 = {})
{
    QJsonObject answer{{QStringLiteral("exists"), held ? QStringLiteral("true") : QStringLiteral("false")}};
    if (!held)
        answer.insert(QStringLiteral("md5"), md5);
    return HttpTestServer::Reply::json(QJsonDocument(answer).toJson(QJsonDocument::Compact));
}

} // namespace

// The sync dialog's side of the conversation, against a service played by the test: which requests
// go out, in which order and form, and what the dialog makes of the replies.
class TestFileSync : public QObject
{
    Q_OBJECT

public:
    explicit TestFileSync(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init()
    {
        library = std::make_unique<TestLibrary>(environment);
        server = std::make_unique<HttpTestServer>();
        QVERIFY(server->listen());
        server->setReply(QStringLiteral("/upload/data/"), HttpTestServer::Reply::json(R"({"stored":"true"})"));
        server->setReply(QStringLiteral("/upload/file/"), HttpTestServer::Reply::json(R"({"stored":"true"})"));
        Settings settings;
        settings.setValue(Settings::BaseUrl, server->url().toString());
        settings.setValue(Settings::CloudToken, Token);
    }

    void cleanup()
    {
        server.reset();
        library.reset();
        environment.reset();
    }

    void emptyLibrarySendsNothing()
    {
        FileSyncManager sync(nullptr);
        QVERIFY(!QSignalSpy(server.get(), &HttpTestServer::requestReceived).wait(300));
        QVERIFY(server->requests().isEmpty());
        QCOMPARE(list(sync)->count(), 0);
    }

    void everyFileIsCheckedAndMissingContentSentOnce()
    {
        const QByteArray shared = "%PDF-1.4 the same content in two places";
        const QByteArray other = "%PDF-1.4 held by the service already";
        QVERIFY(TestLibrary::storeBook(QStringLiteral("First"),
                                       {library->writeFile(QStringLiteral("a/first.pdf"), shared)}));
        const QString later = library->writeFile(QStringLiteral("b/second \"copy\".pdf"), shared);
        QVERIFY(TestLibrary::storeBook(QString(51, u'x'),
                                       {later, library->writeFile(QStringLiteral("b/other.PDF"), other)}));
        server->setReply(QStringLiteral("/upload/check/?md5=") + FileTesting::md5Of(shared),
                         exists(false, FileTesting::md5Of(shared)));
        server->setReply(QStringLiteral("/upload/check/?md5=") + FileTesting::md5Of(other), exists(true));

        FileSyncManager sync(nullptr);
        QCOMPARE(list(sync)->count(), 2);
        QCOMPARE(list(sync)->item(0)->text(), QStringLiteral("First"));
        QCOMPARE(list(sync)->item(1)->text(), QString(50, u'x') + QStringLiteral("..."));
        QTRY_COMPARE(server->requestCount(QStringLiteral("/upload/file/")), 1);
        QTRY_COMPARE(server->requestCount(QStringLiteral("/upload/data/")), 2);

        const QList<HttpTestServer::Request> checks = server->requestsTo(QStringLiteral("/upload/check/"));
        QCOMPARE(checks.size(), 3);
        QCOMPARE(checks[0].query.queryItemValue(QStringLiteral("md5")), FileTesting::md5Of(shared));
        QCOMPARE(checks[0].query.queryItemValue(QStringLiteral("fileSize")), QString::number(shared.size()));
        QCOMPARE(checks[0].query.queryItemValue(QStringLiteral("cloudToken")), Token);
        QCOMPARE(checks[0].query.queryItemValue(QStringLiteral("firstBytes")),
                 QString::fromLatin1(shared.left(50).toHex()));
        QCOMPARE(checks[2].query.queryItemValue(QStringLiteral("md5")), FileTesting::md5Of(other));
        QVERIFY(checks[2].rawTarget.startsWith("/upload/check/?md5="));

        // The digest names the later of the two files with that content; it goes once.
        const HttpTestServer::Request upload = server->requestsTo(QStringLiteral("/upload/file/")).first();
        QCOMPARE(upload.method, QByteArray("POST"));
        QCOMPARE(upload.query.queryItemValue(QStringLiteral("fileType")), QStringLiteral("pdf"));
        QCOMPARE(upload.query.queryItemValue(QStringLiteral("md5")), FileTesting::md5Of(shared));
        QCOMPARE(upload.header("Content-Type"), MultipartFileBody::contentType());
        QCOMPARE(upload.header("Content-Length").toLongLong(), qint64(upload.body.size()));
        MultipartFileBody expected(later, nullptr);
        QVERIFY(expected.open());
        QVERIFY(upload.body == expected.readAll());
        QVERIFY(upload.body.contains("filename=\"" + later.toUtf8().replace('"', "%22") + "\"\r\n"));

        const QList<HttpTestServer::Request> data = server->requestsTo(QStringLiteral("/upload/data/"));
        QStringList titles;
        for (const HttpTestServer::Request &request : data) {
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json; charset=utf-8"));
            QCOMPARE(request.query.queryItemValue(QStringLiteral("cloudToken")), Token);
            titles << QJsonDocument::fromJson(request.body).object().value(QStringLiteral("title")).toString();
        }
        titles.sort();
        QCOMPARE(titles, QStringList({QStringLiteral("First"), QString(51, u'x')}));
        QCOMPARE(failedEntries(sync), 0);
        QVERIFY(!QSignalSpy(server.get(), &HttpTestServer::requestReceived).wait(300));
    }

    void unexpectedCheckReplyHaltsTheRun()
    {
        // More books than requests may be in flight, so that some are not reached.
        constexpr int Books = SyncRun::MaxInFlight + 4;
        for (int book = 0; book < Books; ++book) {
            const QString name = QStringLiteral("book%1.pdf").arg(book);
            QVERIFY(TestLibrary::storeBook(name, {library->writeFile(name, "%PDF " + name.toUtf8())}));
        }
        server->setReply(QStringLiteral("/upload/check/"), HttpTestServer::Reply::text("<html>Sorry</html>"));

        FileSyncManager sync(nullptr);
        QTRY_COMPARE(status(sync), QStringLiteral("The sync stopped: The reply could not be read."));
        QTRY_VERIFY(!sync.isRunning());
        const int checks = server->requestCount(QStringLiteral("/upload/check/"));
        QVERIFY2(checks >= 1 && checks <= SyncRun::MaxInFlight, qPrintable(QString::number(checks)));
        QCOMPARE(server->requestCount(QStringLiteral("/upload/file/")), 0);
        // Every book is marked: those whose check failed, and those the run did not reach.
        QCOMPARE(failedEntries(sync), Books);
        bool toldNotReached = false;
        for (int row = 0; row < list(sync)->count(); ++row)
            toldNotReached |= list(sync)->item(row)->toolTip().contains(QStringLiteral("Not synced: "));
        QVERIFY(toldNotReached);
    }

    void requestsAreBoundedOnOneConnectionPool()
    {
        constexpr int Books = 20;
        for (int book = 0; book < Books; ++book) {
            const QString name = QStringLiteral("bounded%1.pdf").arg(book);
            QVERIFY(TestLibrary::storeBook(name, {library->writeFile(name, "%PDF " + name.toUtf8())}));
        }
        // Slow answers, so that requests would pile up if nothing held them back.
        server->setReply(QStringLiteral("/upload/data/"), HttpTestServer::Reply::json(R"({"stored":"true"})").dripped(4, 20));
        server->setReply(QStringLiteral("/upload/check/"), exists(true));
        int most = 0;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] { most = std::max(most, server->connectionCount()); });
        sampler.start(5);

        FileSyncManager sync(nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!sync.isRunning(), 30000);
        QCOMPARE(server->requestCount(QStringLiteral("/upload/data/")), Books);
        QCOMPARE(server->requestCount(QStringLiteral("/upload/check/")), Books);
        QVERIFY2(most >= 1 && most <= SyncRun::MaxInFlight, qPrintable(QString::number(most)));
        QCOMPARE(status(sync), QStringLiteral("20 books synced, 0 files uploaded, 0 failed"));
    }

    void waitingRunCanBeCancelled()
    {
        QVERIFY(TestLibrary::storeBook(QStringLiteral("First"),
                                       {library->writeFile(QStringLiteral("first.pdf"), "%PDF one")}));
        server->setReply(QStringLiteral("/upload/check/"), HttpTestServer::Reply::silence());

        FileSyncManager sync(nullptr);
        QTRY_COMPARE(server->requestCount(QStringLiteral("/upload/check/")), 1);
        QCOMPARE(status(sync), QStringLiteral("Sending the library to the cloud service…"));
        auto *cancel = sync.findChild<QPushButton *>(QStringLiteral("btnCancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(status(sync), QStringLiteral("Cancelled; what was not sent yet stays unsynced."));
        QVERIFY(!cancel->isEnabled());
        QStringList late;
        connect(server.get(), &HttpTestServer::requestReceived, this,
                [&late](const HttpTestServer::Request &request) { late.append(request.path); });
        QTest::qWait(300);
        QVERIFY2(late.isEmpty(), qPrintable(late.join(u' ')));
    }

    void failedUploadsAreMarked()
    {
        const QByteArray content = "%PDF-1.4 refused";
        QVERIFY(TestLibrary::storeBook(QStringLiteral("Refused"),
                                       {library->writeFile(QStringLiteral("refused.pdf"), content)}));
        const QString gone = library->writeFile(QStringLiteral("gone.pdf"), "%PDF-1.4 gone");
        QVERIFY(TestLibrary::storeBook(QStringLiteral("Gone"), {gone}));
        QVERIFY(QFile::remove(gone));
        QVERIFY(TestLibrary::storeBook(QStringLiteral("Refused too"),
                                       {library->writeFile(QStringLiteral("copy/refused.pdf"), content)}));
        server->setReply(QStringLiteral("/upload/check/"), exists(false, FileTesting::md5Of(content)));
        server->setReply(QStringLiteral("/upload/check/?md5="), exists(false, QString()));
        server->setReply(QStringLiteral("/upload/file/"), HttpTestServer::Reply::status(413));
        server->setReply(QStringLiteral("/upload/data/"), HttpTestServer::Reply::status(500));

        FileSyncManager sync(nullptr);
        QTRY_COMPARE(server->requestCount(QStringLiteral("/upload/file/")), 1);
        QTRY_COMPARE(failedEntries(sync), 3);
        // The content went once for both books that hold it, and its refusal counts for both.
        for (const int row : {0, 2}) {
            QListWidgetItem *refused = list(sync)->item(row);
            QTRY_VERIFY2(refused->toolTip().contains(QStringLiteral("413")), qPrintable(refused->toolTip()));
            QVERIFY(refused->toolTip().contains(QStringLiteral("500")));
        }
        QTRY_VERIFY(list(sync)->item(1)->toolTip().contains(gone));
        QVERIFY(!list(sync)->item(1)->toolTip().contains(QStringLiteral("413")));
        QCOMPARE(server->requestCount(QStringLiteral("/upload/file/")), 1);
    }

    void largeFileAnnouncesItsWholeSize()
    {
        // Beyond what 32 bits hold; the file is sparse, so it takes no room on disk.
        const qint64 size = (qint64(1) << 31) + 4096;
        const QString path = library->writeFile(QStringLiteral("large.pdf"), "%PDF-1.4 large");
        QVERIFY(QFile(path).resize(size));
        QVERIFY(TestLibrary::storeBook(QStringLiteral("Large"), {path}));
        server->setReply(QStringLiteral("/upload/check/"), exists(true));

        FileSyncManager sync(nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(server->requestCount(QStringLiteral("/upload/check/")), 1, 60000);
        const HttpTestServer::Request check = server->requestsTo(QStringLiteral("/upload/check/")).first();
        QCOMPARE(check.query.queryItemValue(QStringLiteral("fileSize")), QString::number(size));
        QTRY_COMPARE(server->requestCount(QStringLiteral("/upload/data/")), 1);
        const QJsonObject data
            = QJsonDocument::fromJson(server->requestsTo(QStringLiteral("/upload/data/")).first().body).object();
        QCOMPARE(data.value(QStringLiteral("files")).toArray().first().toObject().value(QStringLiteral("fileSize")),
                 QJsonValue(QString::number(size)));
    }

private:
    static inline const QString Token = QString(64, u'a');

    static QString status(const FileSyncManager &sync)
    {
        return sync.findChild<QLabel *>(QStringLiteral("labelStatus"))->text();
    }

    static QListWidget *list(const FileSyncManager &sync)
    {
        return sync.findChild<QListWidget *>(QStringLiteral("uploadList"));
    }

    static int failedEntries(const FileSyncManager &sync)
    {
        int failed = 0;
        for (int row = 0; row < list(sync)->count(); ++row)
            failed += list(sync)->item(row)->toolTip().contains(QStringLiteral("Upload failed")) ? 1 : 0;
        return failed;
    }

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<HttpTestServer> server;
};

SHELVIO_TEST_MAIN(TestFileSync)
#include "tst_filesync.moc"
