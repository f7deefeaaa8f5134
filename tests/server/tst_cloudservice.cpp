#include "sandbox/cloudservice.h"
#include "tests/support/basetestmain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <memory>

namespace {

// Only a cap on waiting for a reply; no test asserts on how long anything takes.
constexpr int replyTimeout = 60000;

const QString userName = QStringLiteral("reader");
const QString password = QStringLiteral("correct horse");
const QByteArray programBoundary = QByteArray(29, '-') + "7d935033608e2";

struct HttpReply
{
    int status = 0;
    QByteArray contentType;
    QByteArray body;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString md5(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// The desktop program's upload body, byte for byte: the file part, a close delimiter, a stray part.
QByteArray programBody(const QByteArray &filePath, const QByteArray &content)
{
    return "\r\n--" + programBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + filePath
        + "\"\r\nContent-Type: application/binary\r\n\r\n" + content + "\r\n--" + programBoundary
        + "--\r\nContent-Disposition: form-data; name=\"check\"\r\n \r\nSome text\r\n--" + programBoundary + "--\r\n";
}

// Every byte value, and line breaks and dashes that look like the start of a delimiter.
QByteArray awkwardContent()
{
    QByteArray content;
    for (int i = 0; i < 256; ++i)
        content += char(i);
    content += "\r\n--\r\n--" + programBoundary.left(30) + "\r\n\r\n";
    return content;
}

QJsonObject bookJson(const QString &iid, const QString &title, const QJsonArray &files = {})
{
    return QJsonObject{
        {QStringLiteral("bid"), QStringLiteral("1")},
        {QStringLiteral("title"), title},
        {QStringLiteral("pageCount"), QStringLiteral("120")},
        {QStringLiteral("datePublished"), QStringLiteral("2001")},
        {QStringLiteral("description"), QStringLiteral("A description.")},
        {QStringLiteral("type"), QStringLiteral("book")},
        {QStringLiteral("iid"), iid},
        {QStringLiteral("created"), QStringLiteral("1700000000")},
        {QStringLiteral("updated"), QStringLiteral("1700000001")},
        {QStringLiteral("publisher"), QStringLiteral("Press")},
        {QStringLiteral("isbn10"), QString()},
        {QStringLiteral("isbn13"), QString()},
        {QStringLiteral("authors"),
         QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("Ann Author")},
                                {QStringLiteral("firstName"), QStringLiteral("Ann")},
                                {QStringLiteral("lastName"), QStringLiteral("Author")}}}},
        {QStringLiteral("files"), files},
    };
}

QJsonObject fileJson(const QString &name, const QByteArray &content)
{
    return QJsonObject{{QStringLiteral("fileName"), name},
                       {QStringLiteral("filePath"), QStringLiteral("/books/") + name},
                       {QStringLiteral("fileMd5"), md5(content)},
                       {QStringLiteral("fileSize"), QString::number(content.size())}};
}

// Each file below `directory`, with its size, to see that a request wrote nothing anywhere.
QStringList filesBelow(const QString &directory)
{
    QStringList files;
    QDirIterator it(directory, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files.append(it.filePath() + QLatin1Char(' ') + QString::number(it.fileInfo().size()));
    }
    files.sort();
    return files;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("(cannot read ") + path.toUtf8() + ')';
    return file.readAll();
}

} // namespace

class TestCloudService : public QObject
{
    Q_OBJECT

public:
    explicit TestCloudService(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void loginIssuesFreshTokensForTheRightPasswordOnly();
    void validationEchoesValidTokensAndResetsOthers();
    void percentEncodedPasswordsLogIn_data();
    void percentEncodedPasswordsLogIn();
    void bookDataIsStoredAndReplacedPerIid();
    void checkTellsWhetherTheAccountHoldsTheFile();
    void uploadInTheProgramsLayoutIsStoredUnderItsDigest();
    void uploadWithWrongDigestOrSizeIsRefused_data();
    void uploadWithWrongDigestOrSizeIsRefused();
    void uploadOverTheLimitIsRefused();
    void requestsWithoutAValidTokenAreRefused();
    void maliciousDigestNeverReachesAPath_data();
    void maliciousDigestNeverReachesAPath();
    void foreignMultipartClientIsUnderstood();
    void updateCheckNamesOnlyANewerVersion();
    void webRootListsTheSignedInAccountsBooks();

private:
    HttpReply get(const QString &pathAndQuery);
    HttpReply post(const QString &pathAndQuery, const QByteArray &contentType, const QByteArray &body);
    HttpReply finish(QNetworkReply *reply);
    QString login(const QString &name = userName, const QString &secret = password, const QString &guid = {});
    HttpReply uploadFile(const QString &token, const QByteArray &content, const QString &claimedMd5,
                         const QString &claimedSize);
    HttpReply uploadBook(const QString &token, const QJsonObject &book);
    QList<QStringList> rows(const QString &statement);
    QString userDirectory(const QString &name = userName);

    TestEnvironment &environment;
    std::unique_ptr<QNetworkAccessManager> network;
    std::unique_ptr<CloudService> service;
};

void TestCloudService::init()
{
    environment.reset();
    network = std::make_unique<QNetworkAccessManager>();
    service = std::make_unique<CloudService>();
    QVERIFY(service->addUser(userName, password));
    QVERIFY(service->start());
}

void TestCloudService::cleanup()
{
    service.reset();
    network.reset();
}

HttpReply TestCloudService::get(const QString &pathAndQuery)
{
    return finish(network->get(QNetworkRequest(QUrl(service->url() + pathAndQuery))));
}

HttpReply TestCloudService::post(const QString &pathAndQuery, const QByteArray &contentType, const QByteArray &body)
{
    QNetworkRequest request(QUrl(service->url() + pathAndQuery));
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return finish(network->post(request, body));
}

HttpReply TestCloudService::finish(QNetworkReply *reply)
{
    std::unique_ptr<QNetworkReply> owner(reply);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(replyTimeout))
        return {};
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(), reply->readAll()};
}

QString TestCloudService::login(const QString &name, const QString &secret, const QString &guid)
{
    return get(QStringLiteral("upload/token/?guid=%1&username=%2&password=%3")
                   .arg(encoded(guid), encoded(name), encoded(secret)))
        .json()
        .value(QStringLiteral("token"))
        .toString();
}

HttpReply TestCloudService::uploadFile(const QString &token, const QByteArray &content, const QString &claimedMd5,
                                       const QString &claimedSize)
{
    return post(QStringLiteral("upload/file/?cloudToken=%1&md5=%2&fileSize=%3&firstBytes=%4&fileType=pdf")
                    .arg(encoded(token), encoded(claimedMd5), encoded(claimedSize),
                         QString::fromLatin1(content.left(50).toHex())),
                "multipart/form-data; boundary=" + programBoundary,
                programBody("/books/Quote%22and%0D%0Abreak.pdf", content));
}

HttpReply TestCloudService::uploadBook(const QString &token, const QJsonObject &book)
{
    return post(QStringLiteral("upload/data/?cloudToken=") + encoded(token), "application/json; charset=utf-8",
                QJsonDocument(book).toJson(QJsonDocument::Compact));
}

QList<QStringList> TestCloudService::rows(const QString &statement)
{
    QList<QStringList> rows;
    const QString connection = QStringLiteral("inspection");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(service->databasePath());
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (database.open()) {
            QSqlQuery query(database);
            if (query.exec(statement)) {
                while (query.next()) {
                    QStringList row;
                    for (int column = 0; column < query.record().count(); ++column)
                        row.append(query.value(column).toString());
                    rows.append(row);
                }
            } else {
                rows.append({QStringLiteral("error"), query.lastError().text()});
            }
        } else {
            rows.append({QStringLiteral("error"), database.lastError().text()});
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return rows;
}

QString TestCloudService::userDirectory(const QString &name)
{
    const QList<QStringList> ids = rows(QStringLiteral("SELECT id FROM users WHERE name = '%1'").arg(name));
    return ids.size() == 1 ? QDir(service->dataDirectory()).filePath(QStringLiteral("files/") + ids.first().first())
                           : QString();
}

void TestCloudService::loginIssuesFreshTokensForTheRightPasswordOnly()
{
    static const QRegularExpression tokenForm(QStringLiteral("^[0-9a-f]{64}$"));
    const QString first = login(userName, password, QStringLiteral("{guid-1}"));
    QVERIFY2(tokenForm.match(first).hasMatch(), qPrintable(first));
    const QString second = login();
    QVERIFY2(tokenForm.match(second).hasMatch(), qPrintable(second));
    QVERIFY(second != first);
    // A hand-made client may leave the installation out.
    const QString third = get(QStringLiteral("upload/token/?username=%1&password=%2").arg(userName, encoded(password)))
                              .json()
                              .value(QStringLiteral("token"))
                              .toString();
    QVERIFY2(tokenForm.match(third).hasMatch(), qPrintable(third));

    QCOMPARE(login(userName, QStringLiteral("wrong")), QStringLiteral("false"));
    QCOMPARE(login(userName, QString()), QStringLiteral("false"));
    QCOMPARE(login(QStringLiteral("nobody"), password), QStringLiteral("false"));
    const HttpReply refused = get(QStringLiteral("upload/token/?guid=g&username=reader&password=wrong"));
    QCOMPARE(refused.status, 200);
    QVERIFY2(refused.contentType.startsWith("application/json"), refused.contentType.constData());

    // The database keeps a salted hash of the password and no token as it was sent.
    const QList<QStringList> users
        = rows(QStringLiteral("SELECT name, length(salt), iterations, length(hash) FROM users"));
    QCOMPARE(users,
             (QList<QStringList>{{userName, QStringLiteral("16"), QStringLiteral("100000"), QStringLiteral("32")}}));
    QCOMPARE(rows(QStringLiteral("SELECT guid FROM tokens ORDER BY guid")),
             (QList<QStringList>{{QString()}, {QString()}, {QStringLiteral("{guid-1}")}}));
    const QByteArray database = readFile(service->databasePath());
    QVERIFY(!database.contains(password.toUtf8()));
    QVERIFY(!database.contains(first.toLatin1()));
    QVERIFY(!database.contains(second.toLatin1()));
}

void TestCloudService::validationEchoesValidTokensAndResetsOthers()
{
    const QString token = login();
    QCOMPARE(token.size(), 64);
    const auto validated = [this](const QString &candidate) {
        return get(QStringLiteral("upload/token/?token=") + encoded(candidate))
            .json()
            .value(QStringLiteral("token"))
            .toString();
    };
    QCOMPARE(validated(token), token);
    QCOMPARE(validated(QString(64, u'0')), QStringLiteral("reset"));
    QCOMPARE(validated(QString()), QStringLiteral("reset"));

    // A new password revokes the tokens issued under the old one.
    QVERIFY(service->addUser(userName, QStringLiteral("new password")));
    QCOMPARE(validated(token), QStringLiteral("reset"));
    QCOMPARE(login(), QStringLiteral("false"));
    QCOMPARE(login(userName, QStringLiteral("new password")).size(), 64);
}

void TestCloudService::percentEncodedPasswordsLogIn_data()
{
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("nearMiss");
    QTest::addColumn<bool>("unencodedWorks");

    QTest::newRow("ampersand") << QStringLiteral("rock&roll") << QStringLiteral("rock") << false;
    QTest::newRow("plus") << QStringLiteral("one+two") << QStringLiteral("one two") << true;
    QTest::newRow("hash") << QStringLiteral("no#1") << QStringLiteral("no") << false;
    QTest::newRow("space") << QStringLiteral("two words") << QStringLiteral("two+words") << true;
    QTest::newRow("all of them and more")
        << QStringLiteral(" a&b=c+d#e%f?g/\u00fc ") << QStringLiteral("a&b=c+d#e%f?g/\u00fc") << false;
}

void TestCloudService::percentEncodedPasswordsLogIn()
{
    QFETCH(QString, secret);
    QFETCH(QString, nearMiss);
    QFETCH(bool, unencodedWorks);

    const QString name = QStringLiteral("user & co+");
    QVERIFY(service->addUser(name, secret));
    QCOMPARE(login(name, secret).size(), 64);
    QCOMPARE(login(name, nearMiss), QStringLiteral("false"));
    // An older client inserts the value as it is; what survives that still logs in.
    const QString unencoded
        = get(QStringLiteral("upload/token/?guid=g&username=%1&password=%2").arg(encoded(name), secret))
              .json()
              .value(QStringLiteral("token"))
              .toString();
    QCOMPARE(unencoded.size() == 64, unencodedWorks);
}

void TestCloudService::bookDataIsStoredAndReplacedPerIid()
{
    const QString token = login(userName, password, QStringLiteral("install-a"));
    HttpReply reply = uploadBook(token, bookJson(QStringLiteral("7"), QStringLiteral("First title")));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json().value(QStringLiteral("stored")).toString(), QStringLiteral("true"));
    // A key this service does not know, as a newer program sends, is kept as it came.
    QJsonObject second = bookJson(QStringLiteral("7"), QStringLiteral("Second title"));
    second.insert(QStringLiteral("shelfColour"), QJsonArray{QStringLiteral("teal")});
    QCOMPARE(uploadBook(token, second).status, 200);
    QCOMPARE(uploadBook(token, bookJson(QStringLiteral("8"), QStringLiteral("Other book"))).status, 200);
    // The same item id from another installation is another book.
    const QString otherInstallation = login(userName, password, QStringLiteral("install-b"));
    QCOMPARE(uploadBook(otherInstallation, bookJson(QStringLiteral("7"), QStringLiteral("Elsewhere"))).status, 200);

    const QList<QStringList> books
        = rows(QStringLiteral("SELECT guid, iid, json FROM books ORDER BY guid, CAST(iid AS INTEGER)"));
    QCOMPARE(books.size(), 3);
    QCOMPARE(books.at(0).mid(0, 2), (QStringList{QStringLiteral("install-a"), QStringLiteral("7")}));
    QCOMPARE(books.at(1).mid(0, 2), (QStringList{QStringLiteral("install-a"), QStringLiteral("8")}));
    QCOMPARE(books.at(2).mid(0, 2), (QStringList{QStringLiteral("install-b"), QStringLiteral("7")}));
    const QJsonObject replaced = QJsonDocument::fromJson(books.at(0).at(2).toUtf8()).object();
    QCOMPARE(replaced, second);
    QCOMPARE(QJsonDocument::fromJson(books.at(2).at(2).toUtf8()).object().value(QStringLiteral("title")).toString(),
             QStringLiteral("Elsewhere"));

    for (const QByteArray &notAnObject : {QByteArray("[1, 2]"), QByteArray("not json"), QByteArray()}) {
        reply = post(QStringLiteral("upload/data/?cloudToken=") + token, "application/json", notAnObject);
        QCOMPARE(reply.status, 400);
        QVERIFY(!reply.json().value(QStringLiteral("error")).toString().isEmpty());
    }
    QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM books")), (QList<QStringList>{{QStringLiteral("3")}}));
}

void TestCloudService::checkTellsWhetherTheAccountHoldsTheFile()
{
    const QByteArray content = "a small book";
    const QString digest = md5(content);
    const QString token = login();
    const auto check = [this, &content](const QString &asToken, const QString &asked) {
        return get(QStringLiteral("upload/check/?md5=%1&fileSize=%2&cloudToken=%3&firstBytes=%4")
                       .arg(asked, QString::number(content.size()), asToken,
                            QString::fromLatin1(content.left(50).toHex())))
            .json();
    };
    QCOMPARE(check(token, digest),
             (QJsonObject{{QStringLiteral("exists"), QStringLiteral("false")}, {QStringLiteral("md5"), digest}}));

    QCOMPARE(uploadFile(token, content, digest, QString::number(content.size())).status, 200);
    QCOMPARE(check(token, digest), (QJsonObject{{QStringLiteral("exists"), QStringLiteral("true")}}));

    // Another account does not see this account's files.
    QVERIFY(service->addUser(QStringLiteral("other"), password));
    const QString otherToken = login(QStringLiteral("other"));
    QCOMPARE(check(otherToken, digest).value(QStringLiteral("exists")).toString(), QStringLiteral("false"));
    // Whatever the program sends as its digest, even none, it gets an answer it can go on with.
    QCOMPARE(check(token, QString()),
             (QJsonObject{{QStringLiteral("exists"), QStringLiteral("false")}, {QStringLiteral("md5"), QString()}}));
}

void TestCloudService::uploadInTheProgramsLayoutIsStoredUnderItsDigest()
{
    const QByteArray content = awkwardContent();
    const QString digest = md5(content);
    const QString token = login();
    const HttpReply reply = uploadFile(token, content, digest, QString::number(content.size()));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json().value(QStringLiteral("stored")).toString(), QStringLiteral("true"));

    const QString directory = userDirectory();
    QVERIFY(!directory.isEmpty());
    QCOMPARE(QDir(directory).entryList(QDir::Files), QStringList{digest});
    QCOMPARE(readFile(QDir(directory).filePath(digest)), content);
    QCOMPARE(rows(QStringLiteral("SELECT md5, size, file_type FROM files")),
             (QList<QStringList>{{digest, QString::number(content.size()), QStringLiteral("pdf")}}));

    // The same file again changes nothing.
    QCOMPARE(uploadFile(token, content, digest, QString::number(content.size())).status, 200);
    QCOMPARE(QDir(directory).entryList(QDir::Files), QStringList{digest});
    QCOMPARE(readFile(QDir(directory).filePath(digest)), content);
}

void TestCloudService::uploadWithWrongDigestOrSizeIsRefused_data()
{
    QTest::addColumn<QString>("claimedMd5");
    QTest::addColumn<QString>("claimedSize");

    const QByteArray content = awkwardContent();
    const QString size = QString::number(content.size());
    QTest::newRow("digest of other bytes") << md5("other bytes") << size;
    QTest::newRow("size too small") << md5(content) << QString::number(content.size() - 1);
    QTest::newRow("size too large") << md5(content) << QString::number(content.size() + 1);
    // What a client that cuts the size to 32 signed bits sends for a file of 4 GiB + this size.
    QTest::newRow("size past 4 GiB") << md5(content) << QString::number((qint64(1) << 32) + content.size());
    QTest::newRow("negative size") << md5(content) << QStringLiteral("-1");
    QTest::newRow("size not a number") << md5(content) << QStringLiteral("many");
    QTest::newRow("digest not hex") << QString(32, u'z') << size;
    QTest::newRow("digest too short") << md5(content).left(31) << size;
}

void TestCloudService::uploadWithWrongDigestOrSizeIsRefused()
{
    QFETCH(QString, claimedMd5);
    QFETCH(QString, claimedSize);

    const QByteArray content = awkwardContent();
    const HttpReply reply = uploadFile(login(), content, claimedMd5, claimedSize);
    QCOMPARE(reply.status, 400);
    QVERIFY(!reply.json().value(QStringLiteral("error")).toString().isEmpty());
    QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM files")), (QList<QStringList>{{QStringLiteral("0")}}));
    QCOMPARE(filesBelow(QDir(service->dataDirectory()).filePath(QStringLiteral("files"))), QStringList());
}

void TestCloudService::uploadOverTheLimitIsRefused()
{
    CloudService::Options options;
    options.maxUpload = 4096;
    service = std::make_unique<CloudService>(options);
    QVERIFY(service->addUser(userName, password));
    QVERIFY(service->start());
    const QString token = login();

    const QByteArray large(5000, 'x');
    HttpReply reply = uploadFile(token, large, md5(large), QString::number(large.size()));
    QCOMPARE(reply.status, 413);
    QVERIFY(!reply.json().value(QStringLiteral("error")).toString().isEmpty());
    QCOMPARE(rows(QStringLiteral("SELECT count(*) FROM files")), (QList<QStringList>{{QStringLiteral("0")}}));

    const QByteArray small(1000, 'y');
    reply = uploadFile(token, small, md5(small), QString::number(small.size()));
    QCOMPARE(reply.status, 200);
    QCOMPARE(readFile(QDir(userDirectory()).filePath(md5(small))), small);

    // The limit is one for files: a book's metadata, with its cover in Base64, may well be larger.
    QJsonObject book = bookJson(QStringLiteral("1"), QStringLiteral("Long"));
    book.insert(QStringLiteral("coverFile"), QString::fromLatin1(large.toBase64()));
    QCOMPARE(uploadBook(token, book).status, 200);
    // Metadata has a cap of its own.
    const QByteArray huge = "{\"iid\":\"2\",\"description\":\"" + QByteArray(64 * 1024 * 1024, 'd') + "\"}";
    QCOMPARE(post(QStringLiteral("upload/data/?cloudToken=") + token, "application/json", huge).status, 413);
    QCOMPARE(rows(QStringLiteral("SELECT iid FROM books")), (QList<QStringList>{{QStringLiteral("1")}}));
}

void TestCloudService::requestsWithoutAValidTokenAreRefused()
{
    const QByteArray content = "content";
    const QString digest = md5(content);
    const QString size = QString::number(content.size());
    const QString book = QString::fromUtf8(
        QJsonDocument(bookJson(QStringLiteral("1"), QStringLiteral("Title"))).toJson(QJsonDocument::Compact));

    for (const QString &token : {QString(), QString(64, u'f'), QStringLiteral("false")}) {
        const QString query = token.isEmpty() ? QString() : QStringLiteral("cloudToken=") + token + u'&';
        const HttpReply replies[] = {
            post(QStringLiteral("upload/data/?") + query, "application/json", book.toUtf8()),
            get(QStringLiteral("upload/check/?md5=%1&fileSize=%2&%3firstBytes=00").arg(digest, size, query)),
            post(
                QStringLiteral("upload/file/?%1md5=%2&fileSize=%3&firstBytes=00&fileType=txt").arg(query, digest, size),
                "multipart/form-data; boundary=" + programBoundary, programBody("/a.txt", content)),
        };
        for (const HttpReply &reply : replies) {
            QCOMPARE(reply.status, 401);
            QVERIFY(!reply.json().value(QStringLiteral("error")).toString().isEmpty());
        }
    }
    QCOMPARE(rows(QStringLiteral("SELECT (SELECT count(*) FROM files) + (SELECT count(*) FROM books)")),
             (QList<QStringList>{{QStringLiteral("0")}}));
}

void TestCloudService::maliciousDigestNeverReachesAPath_data()
{
    QTest::addColumn<QString>("claimedMd5");

    QTest::newRow("parent directories") << QStringLiteral("../../x");
    QTest::newRow("32 characters with a path") << QStringLiteral("../../../../../tmp/evil-12345678");
    QTest::newRow("absolute path") << QStringLiteral("/tmp/shelvio-cloud-evil");
    QTest::newRow("digest with a slash") << md5("x").left(16) + u'/' + md5("x").left(15);
    QTest::newRow("digest and more") << md5("x") + QStringLiteral("/../../x");
}

void TestCloudService::maliciousDigestNeverReachesAPath()
{
    QFETCH(QString, claimedMd5);

    const QString token = login();
    const QByteArray content = "malicious";
    const QString tree = environment.root();
    const QStringList before = filesBelow(tree);

    const HttpReply reply = uploadFile(token, content, claimedMd5, QString::number(content.size()));
    QCOMPARE(reply.status, 400);
    QCOMPARE(filesBelow(tree), before);
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/shelvio-cloud-evil")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/evil-12345678")));
    QCOMPARE(get(QStringLiteral("upload/check/?md5=%1&fileSize=9&cloudToken=%2&firstBytes=00")
                     .arg(encoded(claimedMd5), token))
                 .json()
                 .value(QStringLiteral("exists"))
                 .toString(),
             QStringLiteral("false"));
}

void TestCloudService::foreignMultipartClientIsUnderstood()
{
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty())
        QSKIP("curl is not installed");

    const QByteArray content = awkwardContent() + QByteArray(100000, 'c');
    const QString path = QDir::current().filePath(QStringLiteral("foreign book.epub"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), qint64(content.size()));
    file.close();

    const QString digest = md5(content);
    const QString url = service->url()
        + QStringLiteral("upload/file/?cloudToken=%1&md5=%2&fileSize=%3&firstBytes=00&fileType=epub")
              .arg(login(), digest, QString::number(content.size()));
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A form field before the file, as a browser form might send it.
    process.start(curl,
                  {QStringLiteral("--silent"), QStringLiteral("--show-error"), QStringLiteral("--noproxy"),
                   QStringLiteral("*"), QStringLiteral("--output"), QStringLiteral("reply.json"),
                   QStringLiteral("--write-out"), QStringLiteral("%{http_code}"), QStringLiteral("-F"),
                   QStringLiteral("note=before the file"), QStringLiteral("-F"), QStringLiteral("file=@") + path, url});
    QVERIFY(process.waitForFinished(replyTimeout));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray("200"));
    QCOMPARE(QJsonDocument::fromJson(readFile(QStringLiteral("reply.json"))).object().value(QStringLiteral("stored")),
             QJsonValue(QStringLiteral("true")));
    QCOMPARE(readFile(QDir(userDirectory()).filePath(digest)), content);
}

void TestCloudService::updateCheckNamesOnlyANewerVersion()
{
    // The program inserts its version unescaped; the URL class encodes the space.
    HttpReply reply = get(QStringLiteral("update.php?version=0.3 Alpha"));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.body, QByteArray());
    reply = get(QStringLiteral("update.php?version=0.2"));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.body, QByteArray("0.3 Alpha"));

    CloudService::Options options;
    options.latestVersion = QStringLiteral("0.4 B\u00eata");
    service = std::make_unique<CloudService>(options);
    QVERIFY(service->start());
    reply = get(QStringLiteral("update.php?version=0.3 Alpha"));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.body, QStringLiteral("0.4 B\u00eata").toUtf8());
    QCOMPARE(reply.contentType, QByteArray("text/plain; charset=utf-8"));
    QCOMPARE(get(QStringLiteral("update.php?version=") + encoded(QStringLiteral("0.4 B\u00eata"))).body, QByteArray());
}

void TestCloudService::webRootListsTheSignedInAccountsBooks()
{
    const QByteArray pdf = "pdf bytes";
    const QByteArray epub(1234, 'e');
    const QString token = login();
    const QJsonArray files{fileJson(QStringLiteral("held.pdf"), pdf), fileJson(QStringLiteral("<missing>.epub"), epub)};
    QJsonObject labelled = bookJson(QStringLiteral("3"), QStringLiteral("<b>Bold</b> & \"Co\""), files);
    labelled.insert(QStringLiteral("tags"), QJsonArray{QStringLiteral("Sea"), QStringLiteral("<Sky>")});
    labelled.insert(QStringLiteral("series"), QStringLiteral("Voyages"));
    labelled.insert(QStringLiteral("seriesPosition"), 2.5);
    QCOMPARE(uploadBook(token, labelled).status, 200);
    QCOMPARE(uploadFile(token, pdf, md5(pdf), QString::number(pdf.size())).status, 200);
    QVERIFY(service->addUser(QStringLiteral("other"), password));
    QCOMPARE(
        uploadBook(login(QStringLiteral("other")), bookJson(QStringLiteral("4"), QStringLiteral("Not mine"))).status,
        200);

    HttpReply reply = get(QString());
    QCOMPARE(reply.status, 200);
    QVERIFY2(reply.contentType.startsWith("text/html"), reply.contentType.constData());
    QVERIFY(reply.body.contains("<form method=\"post\" action=\"/\">"));
    QVERIFY(reply.body.contains("name=\"username\""));
    QVERIFY(reply.body.contains("name=\"password\" type=\"password\""));

    const auto signIn = [this](const QString &name, const QString &secret) {
        // As a browser encodes a form: "+" for a space.
        QByteArray form
            = "username=" + QUrl::toPercentEncoding(name, " ") + "&password=" + QUrl::toPercentEncoding(secret, " ");
        form.replace(' ', '+');
        return post(QString(), "application/x-www-form-urlencoded", form);
    };
    reply = signIn(userName, QStringLiteral("wrong"));
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.body.contains("The login or the password is wrong."));
    QVERIFY(!reply.body.contains("Bold"));

    reply = signIn(userName, password);
    QCOMPARE(reply.status, 200);
    const QString page = QString::fromUtf8(reply.body);
    QVERIFY2(page.contains(QStringLiteral("&lt;b&gt;Bold&lt;/b&gt; &amp; &quot;Co&quot;")), qPrintable(page));
    QVERIFY(!page.contains(QStringLiteral("<b>Bold")));
    QVERIFY(page.contains(QStringLiteral("<td>Ann Author</td><td>Voyages [2.5]</td><td>Sea, &lt;Sky&gt;</td>")));
    QVERIFY(page.contains(QStringLiteral("held.pdf (9 bytes)")));
    QVERIFY(page.contains(QStringLiteral("&lt;missing&gt;.epub (1234 bytes), not uploaded")));
    QVERIFY(!page.contains(QStringLiteral("Not mine")));
}

SHELVIO_BASE_TEST_MAIN(TestCloudService)

#include "tst_cloudservice.moc"
