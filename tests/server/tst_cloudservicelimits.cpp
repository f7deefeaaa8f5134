#include "sandbox/cloudservice.h"
#include "tests/support/basetestmain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTest>

#include <memory>

#include <sys/stat.h>

namespace {

// Only caps on waiting; the checks below never depend on how fast the service is.
constexpr int waitCap = 30000;

const QString userName = QStringLiteral("reader");
const QString password = QStringLiteral("correct horse");

struct RawReply
{
    int status = 0;
    QByteArray head;
    QByteArray body;
};

int statusOf(const QByteArray &head)
{
    return head.startsWith("HTTP/1.1 ") ? head.mid(9, 3).toInt() : 0;
}

// Reads up to the end of a reply's head, and the body when the reply is complete by then.
RawReply readReply(QTcpSocket &socket)
{
    QByteArray received;
    while (!received.contains("\r\n\r\n") && socket.waitForReadyRead(waitCap))
        received += socket.readAll();
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return {};
    RawReply reply{statusOf(received), received.first(headEnd + 4), received.mid(headEnd + 4)};
    static const QRegularExpression length(QStringLiteral("\r\nContent-Length: (\\d+)\r\n"),
                                           QRegularExpression::CaseInsensitiveOption);
    const qsizetype bodySize = length.match(QString::fromLatin1(reply.head)).captured(1).toLongLong();
    while (reply.body.size() < bodySize && socket.waitForReadyRead(waitCap))
        reply.body += socket.readAll();
    return reply;
}

bool closedByService(QTcpSocket &socket)
{
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(waitCap);
}

QString md5(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QStringList filesBelow(const QString &directory)
{
    QStringList files;
    QDirIterator it(directory, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(directory).relativeFilePath(it.next()));
    return files;
}

} // namespace

class TestCloudServiceLimits : public QObject
{
    Q_OBJECT

public:
    explicit TestCloudServiceLimits(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void requestsAreRefusedBeforeTheirBody_data();
    void requestsAreRefusedBeforeTheirBody();
    void silentAndStalledConnectionsAreClosed();
    void atTheCapSilentConnectionsMakeRoom();
    void failedLoginsHoldBackTheAccountAndTheAddress();
    void aRemovedAccountLeavesNothingAndItsIdIsNotReused();
    void anOlderDatabaseKeepsIdsUniqueAndListsItsBooks();
    void storageIsTheOwnersOnly();
    void aKilledUploadLeavesNoAcceptedFile();
    void pagesAreGuardedAndForeignHostsRefused();
    void theQuotaIsKept();

private:
    void startService(const QStringList &arguments = {});
    std::unique_ptr<QTcpSocket> connectToService();
    // Sends `bytes`, which may end before the body its head announces, and reads the reply's head.
    RawReply send(QTcpSocket &socket, const QByteArray &bytes);
    RawReply request(const QByteArray &method, const QString &pathAndQuery, const QByteArray &headers = {},
                     const QByteArray &body = {});
    QString login(const QString &name, const QString &secret, const QByteArray &headers = {});
    QByteArray hostHeader() const;
    QList<QStringList> rows(const QString &statement);

    TestEnvironment &environment;
    std::unique_ptr<CloudService> service;
};

void TestCloudServiceLimits::init()
{
    environment.reset();
}

void TestCloudServiceLimits::cleanup()
{
    service.reset();
}

void TestCloudServiceLimits::startService(const QStringList &arguments)
{
    CloudService::Options options;
    options.arguments = arguments;
    service = std::make_unique<CloudService>(options);
    QVERIFY(service->addUser(userName, password));
    QVERIFY(service->start());
}

std::unique_ptr<QTcpSocket> TestCloudServiceLimits::connectToService()
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), service->port());
    if (!socket->waitForConnected(waitCap))
        qWarning("Cannot connect: %s", qPrintable(socket->errorString()));
    return socket;
}

RawReply TestCloudServiceLimits::send(QTcpSocket &socket, const QByteArray &bytes)
{
    socket.write(bytes);
    return readReply(socket);
}

QByteArray TestCloudServiceLimits::hostHeader() const
{
    return "Host: 127.0.0.1:" + QByteArray::number(service->port()) + "\r\n";
}

RawReply TestCloudServiceLimits::request(const QByteArray &method, const QString &pathAndQuery,
                                         const QByteArray &headers, const QByteArray &body)
{
    const std::unique_ptr<QTcpSocket> socket = connectToService();
    return send(*socket,
                method + ' ' + pathAndQuery.toUtf8() + " HTTP/1.1\r\n" + hostHeader() + headers
                    + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

QString TestCloudServiceLimits::login(const QString &name, const QString &secret, const QByteArray &headers)
{
    const RawReply reply = request("GET",
                                   QStringLiteral("/upload/token/?username=%1&password=%2")
                                       .arg(QString::fromLatin1(QUrl::toPercentEncoding(name)),
                                            QString::fromLatin1(QUrl::toPercentEncoding(secret))),
                                   headers);
    return QJsonDocument::fromJson(reply.body).object().value(QStringLiteral("token")).toString();
}

QList<QStringList> TestCloudServiceLimits::rows(const QString &statement)
{
    QList<QStringList> rows;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("inspection"));
        database.setDatabaseName(service->databasePath());
        if (!database.open())
            return {{database.lastError().text()}};
        QSqlQuery query(database);
        if (!query.exec(statement))
            rows.append({query.lastError().text()});
        while (query.next())
            rows.append({query.value(0).toString()});
    }
    QSqlDatabase::removeDatabase(QStringLiteral("inspection"));
    return rows;
}

void TestCloudServiceLimits::requestsAreRefusedBeforeTheirBody_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("status");

    const QByteArray large = "Content-Length: 200000000\r\n";
    QTest::newRow("data, unknown token") << "POST /upload/data/?cloudToken=" + QByteArray(64, 'f') + " HTTP/1.1\r\n"
            + large << 401;
    QTest::newRow("file, no token") << "POST /upload/file/?md5=" + md5("x").toLatin1() + "&fileSize=1 HTTP/1.1\r\n"
            + large << 401;
    QTest::newRow("data over its limit") << "POST /upload/data/?cloudToken=TOKEN HTTP/1.1\r\n" + large << 413;
    QTest::newRow("file over its limit") << "POST /upload/file/?cloudToken=TOKEN&md5=" + md5("x").toLatin1()
            + "&fileSize=1 HTTP/1.1\r\n"
            + large << 413;
    QTest::newRow("update check with a body") << "POST /update.php?version=0.1 HTTP/1.1\r\n" + large << 413;
    QTest::newRow("length and chunks") << QByteArray("POST /upload/data/?cloudToken=TOKEN HTTP/1.1\r\n"
                                                     "Content-Length: 10\r\nTransfer-Encoding: chunked\r\n")
                                       << 400;
    QTest::newRow("two lengths") << QByteArray("POST /upload/data/?cloudToken=TOKEN HTTP/1.1\r\n"
                                               "Content-Length: 10\r\nContent-Length: 11\r\n")
                                 << 400;
    QTest::newRow("malformed length") << QByteArray(
        "POST /upload/data/?cloudToken=TOKEN HTTP/1.1\r\nContent-Length: 12abc\r\n")
                                      << 400;
}

void TestCloudServiceLimits::requestsAreRefusedBeforeTheirBody()
{
    QFETCH(QByteArray, head);
    QFETCH(int, status);

    startService({QStringLiteral("--max-data"), QStringLiteral("1000"), QStringLiteral("--max-upload"),
                  QStringLiteral("1000"), QStringLiteral("--body-timeout"), QStringLiteral("1")});
    const QString token = login(userName, password);
    QCOMPARE(token.size(), 64);
    head.replace("TOKEN", token.toLatin1());

    // The head alone, and a first byte of the body: the reply must not wait for the rest.
    const std::unique_ptr<QTcpSocket> socket = connectToService();
    const RawReply reply = send(*socket, head + hostHeader() + "\r\nx");
    QCOMPARE(reply.status, status);
    QVERIFY(reply.head.contains("Connection: close"));
    QVERIFY(closedByService(*socket));
    QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM books")), (QList<QStringList>{{QStringLiteral("0")}}));
    QCOMPARE(filesBelow(QDir(service->dataDirectory()).filePath(QStringLiteral("files"))), QStringList());
}

void TestCloudServiceLimits::silentAndStalledConnectionsAreClosed()
{
    startService({QStringLiteral("--header-timeout"), QStringLiteral("1"), QStringLiteral("--idle-timeout"),
                  QStringLiteral("1"), QStringLiteral("--body-timeout"), QStringLiteral("1")});
    const QString token = login(userName, password);

    const std::unique_ptr<QTcpSocket> silent = connectToService();
    const std::unique_ptr<QTcpSocket> halfAHead = connectToService();
    halfAHead->write("GET /update.php HTTP/1.1\r\n");
    const std::unique_ptr<QTcpSocket> stalledBody = connectToService();
    stalledBody->write("POST /upload/data/?cloudToken=" + token.toLatin1() + " HTTP/1.1\r\n" + hostHeader()
                       + "Content-Length: 100\r\n\r\n{\"iid\":");
    const std::unique_ptr<QTcpSocket> keptAlive = connectToService();
    const RawReply reply = send(*keptAlive, "GET /update.php?version=0.1 HTTP/1.1\r\n" + hostHeader() + "\r\n");
    QCOMPARE(reply.status, 200);
    QVERIFY(!reply.head.contains("Connection: close"));

    for (QTcpSocket *socket : {silent.get(), halfAHead.get(), stalledBody.get(), keptAlive.get()})
        QVERIFY(closedByService(*socket));
    QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM books")), (QList<QStringList>{{QStringLiteral("0")}}));
}

void TestCloudServiceLimits::atTheCapSilentConnectionsMakeRoom()
{
    startService({QStringLiteral("--max-connections"), QStringLiteral("4")});
    std::vector<std::unique_ptr<QTcpSocket>> silent;
    for (int i = 0; i < 6; ++i)
        silent.push_back(connectToService());
    // The oldest silent ones were dropped for the newer; a client that talks still gets its answer.
    QVERIFY(closedByService(*silent.front()));
    QCOMPARE(request("GET", QStringLiteral("/update.php?version=0.1")).status, 200);
    QCOMPARE(silent.back()->state(), QAbstractSocket::ConnectedState);
}

void TestCloudServiceLimits::failedLoginsHoldBackTheAccountAndTheAddress()
{
    startService({QStringLiteral("--trust-proxy")});
    QVERIFY(service->addUser(QStringLiteral("other"), password));
    const auto timedLogin = [this](const QString &name, const QString &secret, const QByteArray &address) {
        QElapsedTimer timer;
        timer.start();
        const QString token = login(name, secret, "X-Forwarded-For: 192.0.2.99, " + address + "\r\n");
        return std::pair{token, timer.elapsed()};
    };

    // Each failure doubles the wait, for the account and for the address it came from.
    auto [token, elapsed] = timedLogin(userName, QStringLiteral("wrong"), "10.0.0.1");
    QCOMPARE(token, QStringLiteral("false"));
    QVERIFY2(elapsed >= 1000, qPrintable(QString::number(elapsed)));
    std::tie(token, elapsed) = timedLogin(userName, QStringLiteral("wrong"), "10.0.0.1");
    QCOMPARE(token, QStringLiteral("false"));
    QVERIFY2(elapsed >= 2000, qPrintable(QString::number(elapsed)));
    std::tie(token, elapsed) = timedLogin(QStringLiteral("other"), QStringLiteral("wrong"), "10.0.0.1");
    QCOMPARE(token, QStringLiteral("false"));
    QVERIFY2(elapsed >= 4000, qPrintable(QString::number(elapsed)));

    // The address is the one the proxy saw, not the proxy's own nor one the client claims.
    std::tie(token, elapsed) = timedLogin(QStringLiteral("nobody"), QStringLiteral("wrong"), "10.0.0.3");
    QCOMPARE(token, QStringLiteral("false"));
    QVERIFY2(elapsed >= 1000 && elapsed < 8000, qPrintable(QString::number(elapsed)));

    // A success clears the account's record: its next failure waits one second again, not four.
    std::tie(token, elapsed) = timedLogin(userName, password, "10.0.0.4");
    QCOMPARE(token.size(), 64);
    std::tie(token, elapsed) = timedLogin(userName, QStringLiteral("wrong"), "10.0.0.4");
    QVERIFY2(elapsed >= 1000 && elapsed < 4000, qPrintable(QString::number(elapsed)));
}

void TestCloudServiceLimits::aRemovedAccountLeavesNothingAndItsIdIsNotReused()
{
    startService();
    const QString token = login(userName, password);
    const QByteArray content = "the removed account's book";
    QCOMPARE(request("POST", QStringLiteral("/upload/data/?cloudToken=") + token, {}, "{\"iid\":\"1\",\"title\":\"T\"}")
                 .status,
             200);
    const QByteArray body = "--b\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\n" + content + "\r\n--b--\r\n";
    QCOMPARE(request("POST",
                     QStringLiteral("/upload/file/?cloudToken=%1&md5=%2&fileSize=%3")
                         .arg(token, md5(content), QString::number(content.size())),
                     "Content-Type: multipart/form-data; boundary=b\r\n", body)
                 .status,
             200);
    const QString removedId = rows(QStringLiteral("SELECT id FROM users")).value(0).value(0);

    QCOMPARE(service->administer({QStringLiteral("--delete-user"), userName}), 0);
    QCOMPARE(service->administer({QStringLiteral("--delete-user"), userName}), 1);
    QCOMPARE(rows(QStringLiteral("SELECT (SELECT count(*) FROM users) + (SELECT count(*) FROM tokens) + "
                                 "(SELECT count(*) FROM books) + (SELECT count(*) FROM files)")),
             (QList<QStringList>{{QStringLiteral("0")}}));
    QCOMPARE(filesBelow(QDir(service->dataDirectory()).filePath(QStringLiteral("files"))), QStringList());
    QCOMPARE(request("GET", QStringLiteral("/upload/token/?token=") + token).body, QByteArray("{\"token\":\"reset\"}"));

    // The same name again is a new account, with a new id and nothing of the old one's.
    QVERIFY(service->addUser(userName, password));
    QVERIFY(rows(QStringLiteral("SELECT id FROM users")).value(0).value(0) != removedId);
    const QString newToken = login(userName, password);
    QCOMPARE(request("GET", QStringLiteral("/upload/check/?cloudToken=%1&md5=%2").arg(newToken, md5(content))).body,
             "{\"exists\":\"false\",\"md5\":\"" + md5(content).toLatin1() + "\"}");
}

void TestCloudServiceLimits::anOlderDatabaseKeepsIdsUniqueAndListsItsBooks()
{
    service = std::make_unique<CloudService>();
    {
        // As an older version left it: ids that SQLite may give out again, and a book without its summary
        // columns; account 2 was removed by hand, its book row was not.
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        database.setDatabaseName(service->databasePath());
        QVERIFY(database.open());
        QSqlQuery query(database);
        for (const char *statement :
             {"CREATE TABLE users (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, salt BLOB NOT NULL, "
              "iterations INTEGER NOT NULL, hash BLOB NOT NULL, created TEXT)",
              "CREATE TABLE books (id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, guid TEXT NOT NULL, "
              "iid TEXT NOT NULL, title TEXT, json TEXT NOT NULL, updated TEXT, UNIQUE (user_id, guid, iid))",
              "INSERT INTO books (user_id, guid, iid, title, json) VALUES (2, '', '1', 'Orphan', '{}')",
              "INSERT INTO books (user_id, guid, iid, title, json) VALUES (3, '', '1', 'Kept', "
              "'{\"title\":\"Kept\",\"authors\":[{\"name\":\"Ann Author\"}],\"tags\":[\"Sea\"],"
              "\"series\":\"Voyages\",\"seriesPosition\":3,\"files\":[{\"fileName\":\"kept.pdf\","
              "\"fileSize\":\"12\",\"fileMd5\":\"00000000000000000000000000000000\"}]}')"}) {
            QVERIFY2(query.exec(QLatin1String(statement)), qPrintable(query.lastError().text()));
        }
        // The account of the kept book is still there.
        QVERIFY(query.exec(QStringLiteral("INSERT INTO users VALUES (3, 'keeper', x'00', 1, x'00', '')")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));

    QVERIFY(service->addUser(QStringLiteral("keeper"), password));
    QVERIFY(service->addUser(userName, password));
    // Not 1 or 2, which SQLite would give out again, and which the orphaned book still names.
    QVERIFY(rows(QStringLiteral("SELECT id FROM users WHERE name = 'reader'")).value(0).value(0).toInt() > 3);
    QVERIFY(service->start());
    const RawReply page = request("POST", QStringLiteral("/"), "Content-Type: application/x-www-form-urlencoded\r\n",
                                  "username=keeper&password=correct+horse");
    QVERIFY2(page.body.contains("<td>Kept</td><td>Ann Author</td><td>Voyages [3]</td><td>Sea</td><td><ul><li "
                                "class=\"missing\">kept.pdf (12 bytes)"),
             page.body.constData());
}

void TestCloudServiceLimits::storageIsTheOwnersOnly()
{
    const mode_t previous = ::umask(022);
    startService();
    ::umask(previous);
    const QString token = login(userName, password);
    const QByteArray body = "--b\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\nbytes\r\n--b--\r\n";
    QCOMPARE(request("POST", QStringLiteral("/upload/file/?cloudToken=%1&md5=%2&fileSize=5").arg(token, md5("bytes")),
                     "Content-Type: multipart/form-data; boundary=b\r\n", body)
                 .status,
             200);

    const auto mode = [](const QString &path) {
        struct stat status = {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
    };
    QCOMPARE(mode(service->dataDirectory()), 0700);
    QCOMPARE(mode(service->databasePath()), 0600);
    const QString files = QDir(service->dataDirectory()).filePath(QStringLiteral("files"));
    const QStringList stored = filesBelow(files);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(mode(QDir(files).filePath(stored.first())), 0600);
}

void TestCloudServiceLimits::aKilledUploadLeavesNoAcceptedFile()
{
    startService();
    const QString token = login(userName, password);
    const QByteArray content(4 * 1024 * 1024, 'k');
    const QByteArray body = "--b\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\n" + content + "\r\n--b--\r\n";
    const std::unique_ptr<QTcpSocket> socket = connectToService();
    socket->write("POST /upload/file/?cloudToken=" + token.toLatin1() + "&md5=" + md5(content).toLatin1()
                  + "&fileSize=" + QByteArray::number(content.size()) + " HTTP/1.1\r\n" + hostHeader()
                  + "Content-Type: multipart/form-data; boundary=b\r\nContent-Length: "
                  + QByteArray::number(body.size()) + "\r\n\r\n" + body.first(body.size() / 2));
    // The upload is written to a file without a name until it is accepted; kill once bytes are in it.
    const QString files = QDir(service->dataDirectory()).filePath(QStringLiteral("files"));
    const auto receivedBytes = [this, &files] {
        const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(service->processId()));
        qint64 received = 0;
        for (const QFileInfo &descriptor : descriptors.entryInfoList(QDir::System | QDir::Files)) {
            if (descriptor.symLinkTarget().startsWith(files))
                received += descriptor.size();
        }
        return received;
    };
    QTRY_VERIFY_WITH_TIMEOUT(receivedBytes() > 0, waitCap);
    service->kill();

    QVERIFY(service->start());
    QCOMPARE(filesBelow(files), QStringList());
    QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM files")), (QList<QStringList>{{QStringLiteral("0")}}));
    QVERIFY(request("GET", QStringLiteral("/upload/check/?cloudToken=%1&md5=%2").arg(token, md5(content)))
                .body.contains("\"exists\":\"false\""));
}

void TestCloudServiceLimits::pagesAreGuardedAndForeignHostsRefused()
{
    startService({QStringLiteral("--host"), QStringLiteral("cloud.example")});
    const RawReply page = request("GET", QStringLiteral("/"));
    QCOMPARE(page.status, 200);
    QVERIFY(
        page.head.contains("\r\nContent-Security-Policy: default-src 'none'; style-src 'self' 'unsafe-inline'\r\n"));
    QVERIFY(page.head.contains("\r\nX-Frame-Options: DENY\r\n"));
    QVERIFY(page.head.contains("\r\nCache-Control: no-store\r\n"));

    const auto askAs = [this](const QByteArray &host) {
        const std::unique_ptr<QTcpSocket> socket = connectToService();
        return send(*socket, "GET /update.php?version=0.1 HTTP/1.1\r\nHost: " + host + "\r\n\r\n").status;
    };
    QCOMPARE(askAs("cloud.example"), 200);
    QCOMPARE(askAs("CLOUD.example:8470"), 200);
    QCOMPARE(askAs("rebound.example:" + QByteArray::number(service->port())), 421);
    QCOMPARE(askAs("localhost"), 421);
}

void TestCloudServiceLimits::theQuotaIsKept()
{
    startService({QStringLiteral("--quota"), QStringLiteral("100")});
    const QString token = login(userName, password);
    const auto upload = [this, &token](const QByteArray &content) {
        const QByteArray body
            = "--b\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\n" + content + "\r\n--b--\r\n";
        return request("POST",
                       QStringLiteral("/upload/file/?cloudToken=%1&md5=%2&fileSize=%3")
                           .arg(token, md5(content), QString::number(content.size())),
                       "Content-Type: multipart/form-data; boundary=b\r\n", body);
    };
    QCOMPARE(upload(QByteArray(60, 'a')).status, 200);
    // The same content again takes no more room.
    QCOMPARE(upload(QByteArray(60, 'a')).status, 200);
    const RawReply refused = upload(QByteArray(60, 'b'));
    QCOMPARE(refused.status, 413);
    QVERIFY2(refused.body.contains("quota"), refused.body.constData());
    QCOMPARE(rows(QStringLiteral("SELECT size FROM files")), (QList<QStringList>{{QStringLiteral("60")}}));
}

SHELVIO_BASE_TEST_MAIN(TestCloudServiceLimits)

#include "tst_cloudservicelimits.moc"
