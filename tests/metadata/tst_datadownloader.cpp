#include "metadata/datadownloader.h"
#include "model/author.h"
#include "model/authors.h"
#include "model/book.h"
#include "model/filelist.h"
#include "tests/support/fixtures.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(HttpTestServer::Reply)

namespace {

constexpr int LookupTimeout = 10000;
// Long enough for a second, unwanted signal to arrive from the local server.
constexpr int SettleTime = 300;

const QString coverPath = QStringLiteral("/books/content");

HttpTestServer::Reply imageReply(const QByteArray &image, int statusCode = 200)
{
    HttpTestServer::Reply reply = HttpTestServer::Reply::status(statusCode, image);
    reply.contentType = QByteArrayLiteral("image/jpeg");
    return reply;
}

QStringList authorNames(const Book &book)
{
    QStringList names;
    for (int index = 0; index < book.getAuthors()->count(); ++index)
        names.append(book.getAuthors()->at(index)->getName());
    return names;
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Collects how one downloader's lookups end.
class LookupOutcome
{
public:
    explicit LookupOutcome(DataDownloader &downloader)
    {
        QObject::connect(&downloader, &DataDownloader::bookDownloaded, &downloader,
                         [this](Book *book) { delivered.emplace_back(book); });
        QObject::connect(&downloader, &DataDownloader::lookupFailed, &downloader,
                         [this](const QString &reason) { failures.append(reason); });
    }

    int endings() const { return int(delivered.size()) + int(failures.size()); }
    bool waitForEnd() const
    {
        return QTest::qWaitFor([this] { return endings() > 0; }, LookupTimeout);
    }

    std::vector<std::unique_ptr<Book>> delivered;
    QStringList failures;
};

class TestDataDownloader : public QObject
{
    Q_OBJECT

public:
    explicit TestDataDownloader(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void volumeIsMappedToANewRecord_data();
    void volumeIsMappedToANewRecord();
    void coverBytesAreWrittenUnchanged();
    void unusableCoverLeavesTheDefault_data();
    void unusableCoverLeavesTheDefault();
    void failedVolumeRequestIsReported_data();
    void failedVolumeRequestIsReported();
    void callerAdditionsReachTheDeliveredRecord();
    void newLookupAbandonsThePreviousOne();
    void onlyWebAddressesAreFetched();

private:
    // The fixture with its links pointing at the test server.
    QByteArray fixture(const QString &name) const;
    QString volumeUrl(const QString &id) const;
    void serveVolume(const QString &id, const QString &fixtureName);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<HttpTestServer> server;
};

void TestDataDownloader::init()
{
    library = std::make_unique<TestLibrary>(environment);
    server = std::make_unique<HttpTestServer>();
    QVERIFY(server->listen());
    server->setReply(coverPath, HttpTestServer::Reply::file(Fixtures::path(QStringLiteral("cover.jpg")), "image/jpeg"));
}

void TestDataDownloader::cleanup()
{
    server.reset();
    library.reset();
}

QByteArray TestDataDownloader::fixture(const QString &name) const
{
    QByteArray content = Fixtures::read(name);
    const QString base = QStringLiteral("http://127.0.0.1:") + QString::number(server->port());
    return content.replace("{{BASE}}", base.toUtf8());
}

QString TestDataDownloader::volumeUrl(const QString &id) const
{
    return server->url(QStringLiteral("/books/v1/volumes/") + id).toString();
}

void TestDataDownloader::serveVolume(const QString &id, const QString &fixtureName)
{
    server->setReply(QStringLiteral("/books/v1/volumes/") + id, HttpTestServer::Reply::json(fixture(fixtureName)));
}

void TestDataDownloader::volumeIsMappedToANewRecord_data()
{
    QTest::addColumn<QString>("fixtureName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("publisher");
    QTest::addColumn<QString>("datePublished");
    QTest::addColumn<QString>("isbn10");
    QTest::addColumn<QString>("isbn13");
    QTest::addColumn<QString>("pageCount");
    QTest::addColumn<QStringList>("authors");
    QTest::addColumn<int>("rating");
    QTest::addColumn<bool>("hasCover");

    // averageRating 3.5 is rounded, as the number-to-integer conversion of the variant does.
    QTest::newRow("full") << "volume-full.json"
                          << "The Google Story"
                          << "Random House Publishing Group"
                          << "2005-11-15"
                          << "055380457X"
                          << "9780553804577"
                          << "207" << QStringList{"David A. Vise", "Mark Malseed"} << 4 << true;
    QTest::newRow("only other identifiers, no pages, rating or image") << "volume-minimal.json"
                                                                       << "The Google Story (Updated Edition)"
                                                                       << ""
                                                                       << ""
                                                                       << ""
                                                                       << ""
                                                                       << "" << QStringList{} << 0 << false;
    QTest::newRow("two ISBN_13 keep the second") << "volume-two-isbn13.json"
                                                 << "Two Printings"
                                                 << ""
                                                 << "2021"
                                                 << ""
                                                 << "9782222222222"
                                                 << "352" << QStringList{"Jane Doe"} << 0 << false;
}

void TestDataDownloader::volumeIsMappedToANewRecord()
{
    QFETCH(QString, fixtureName);
    QFETCH(QString, title);
    QFETCH(QString, publisher);
    QFETCH(QString, datePublished);
    QFETCH(QString, isbn10);
    QFETCH(QString, isbn13);
    QFETCH(QString, pageCount);
    QFETCH(QStringList, authors);
    QFETCH(int, rating);
    QFETCH(bool, hasCover);

    serveVolume(QStringLiteral("v1"), fixtureName);
    const QString sentDescription = QJsonDocument::fromJson(fixture(fixtureName))
                                        .object()
                                        .value(QStringLiteral("volumeInfo"))
                                        .toObject()
                                        .value(QStringLiteral("description"))
                                        .toString();

    DataDownloader downloader;
    LookupOutcome outcome(downloader);
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("v1")));
    QCOMPARE(outcome.endings(), 0);
    QVERIFY(outcome.waitForEnd());
    QTest::qWait(SettleTime);

    QCOMPARE(outcome.failures, QStringList());
    QCOMPARE(outcome.delivered.size(), size_t(1));
    const Book &book = *outcome.delivered.front();
    QCOMPARE(book.getTitle(), title);
    QCOMPARE(book.getPublisher(), publisher);
    QCOMPARE(book.getDatePublished(), datePublished);
    QCOMPARE(book.getIsbn10(), isbn10);
    QCOMPARE(book.getIsbn13(), isbn13);
    QCOMPARE(book.getPageCount(), pageCount);
    QCOMPARE(authorNames(book), authors);
    QCOMPARE(book.getRating(), rating);
    // Markup and all, as the service sent it.
    QCOMPARE(book.getDescription(), sentDescription);
    // A new, unsaved record without files.
    QCOMPARE(book.getIid(), -1);
    QCOMPARE(book.getBid(), -1);
    QCOMPARE(book.getFiles()->count(), 0);

    QCOMPARE(server->requestCount(QStringLiteral("/books/v1/volumes/v1")), 1);
    QCOMPARE(server->requestCount(coverPath), hasCover ? 1 : 0);
    QCOMPARE(book.getCoverFile(), hasCover ? DataDownloader::temporaryCoverPath() : Item::DefaultCover);
}

void TestDataDownloader::coverBytesAreWrittenUnchanged()
{
    serveVolume(QStringLiteral("zyTCAlFPjgYC"), QStringLiteral("volume-full.json"));
    const QString coverFile = library->dataDir() + QStringLiteral("coverfile-tmp.jpg");
    QCOMPARE(DataDownloader::temporaryCoverPath(), coverFile);
    // A longer cover of an earlier lookup must not leave its tail behind.
    QFile stale(coverFile);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    QVERIFY(stale.write(QByteArray(8192, 'x')) == 8192);
    stale.close();

    DataDownloader downloader;
    LookupOutcome outcome(downloader);
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("zyTCAlFPjgYC")));
    QVERIFY(outcome.waitForEnd());

    QCOMPARE(outcome.failures, QStringList());
    QCOMPARE(outcome.delivered.size(), size_t(1));
    QCOMPARE(outcome.delivered.front()->getCoverFile(), coverFile);
    QCOMPARE(fileContent(coverFile), Fixtures::read(QStringLiteral("cover.jpg")));

    // The thumbnail address is requested as sent, not the small or the large one.
    const QList<HttpTestServer::Request> coverRequests = server->requestsTo(coverPath);
    QCOMPARE(coverRequests.size(), 1);
    QCOMPARE(coverRequests.first().method, QByteArray("GET"));
    QCOMPARE(coverRequests.first().query.queryItemValue(QStringLiteral("id")), QStringLiteral("zyTCAlFPjgYC"));
    QCOMPARE(coverRequests.first().query.queryItemValue(QStringLiteral("zoom")), QStringLiteral("1"));
    QCOMPARE(coverRequests.first().query.queryItemValue(QStringLiteral("edge")), QStringLiteral("curl"));
}

void TestDataDownloader::unusableCoverLeavesTheDefault_data()
{
    QTest::addColumn<HttpTestServer::Reply>("coverReply");
    QTest::addColumn<bool>("writeStaleCover");

    const QByteArray image = Fixtures::read(QStringLiteral("cover.jpg"));
    QTest::newRow("empty reply") << HttpTestServer::Reply::status(200) << false;
    QTest::newRow("empty reply after an earlier cover") << HttpTestServer::Reply::status(200) << true;
    QTest::newRow("not found, with an error page") << HttpTestServer::Reply::text("No such image", 404) << false;
    QTest::newRow("server error, with image bytes") << imageReply(image, 500) << false;
    QTest::newRow("dropped connection") << HttpTestServer::Reply::dropConnection() << false;
    QTest::newRow("body cut off") << imageReply(image)
                                         .withHeader("Content-Length", QByteArray::number(image.size() * 2))
                                         .withHeader("Connection", "close")
                                  << false;
    QTest::newRow("not an image") << imageReply("<html><body>Quota exceeded</body></html>") << false;
    // Refused by its announced size, and by what arrives when it announces none.
    const QByteArray huge = image + QByteArray(10 << 20, 'x');
    QTest::newRow("over 10 MB") << imageReply(huge) << false;
    QTest::newRow("over 10 MB, size not announced") << imageReply(huge).withoutLength() << false;
}

void TestDataDownloader::unusableCoverLeavesTheDefault()
{
    QFETCH(HttpTestServer::Reply, coverReply);
    QFETCH(bool, writeStaleCover);

    serveVolume(QStringLiteral("zyTCAlFPjgYC"), QStringLiteral("volume-full.json"));
    server->setReply(coverPath, coverReply);
    const QString coverFile = DataDownloader::temporaryCoverPath();
    if (writeStaleCover) {
        QFile stale(coverFile);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        QVERIFY(stale.write("an earlier book's cover") > 0);
    }

    DataDownloader downloader;
    LookupOutcome outcome(downloader);
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("zyTCAlFPjgYC")));
    QVERIFY(outcome.waitForEnd());
    QTest::qWait(SettleTime);

    QVERIFY(server->requestCount(coverPath) >= 1);
    QCOMPARE(outcome.failures, QStringList());
    QCOMPARE(outcome.delivered.size(), size_t(1));
    const Book &book = *outcome.delivered.front();
    QCOMPARE(book.getTitle(), QStringLiteral("The Google Story"));
    QCOMPARE(authorNames(book), QStringList({"David A. Vise", "Mark Malseed"}));
    QCOMPARE(book.getCoverFile(), Item::DefaultCover);
    // Nothing of this reply was written as a cover.
    if (!writeStaleCover)
        QVERIFY(!QFile::exists(coverFile));
}

void TestDataDownloader::failedVolumeRequestIsReported_data()
{
    QTest::addColumn<HttpTestServer::Reply>("volumeReply");
    QTest::addColumn<QString>("reasonPart");

    // A refused request is a failure even when its body looks like a volume.
    const QByteArray volume = Fixtures::read(QStringLiteral("volume-minimal.json"));
    QTest::newRow("server error") << HttpTestServer::Reply::json(volume, 500) << "500";
    QTest::newRow("not found") << HttpTestServer::Reply::json(volume, 404) << "404";
    QTest::newRow("dropped connection") << HttpTestServer::Reply::dropConnection() << "";
    QTest::newRow("body cut off") << HttpTestServer::Reply::json(volume)
                                         .withHeader("Content-Length", QByteArray::number(volume.size() * 2))
                                         .withHeader("Connection", "close")
                                  << "";
    QTest::newRow("not JSON") << HttpTestServer::Reply::text("<html><body>Service unavailable</body></html>") << "";
    QTest::newRow("empty body") << HttpTestServer::Reply::status(200) << "";
    QTest::newRow("JSON array") << HttpTestServer::Reply::json("[{\"volumeInfo\": {\"title\": \"x\"}}]") << "";
    QTest::newRow("no volumeInfo") << HttpTestServer::Reply::json("{\"kind\": \"books#volume\", \"id\": \"x\"}") << "";
    QTest::newRow("volumeInfo not an object")
        << HttpTestServer::Reply::json("{\"kind\": \"books#volume\", \"volumeInfo\": \"The Google Story\"}") << "";
    QByteArray huge = volume;
    huge.insert(huge.lastIndexOf('}'), ", \"padding\": \"" + QByteArray(5 << 20, 'x') + '"');
    QTest::newRow("over 5 MB, size not announced") << HttpTestServer::Reply::json(huge).withoutLength() << "too large";
}

void TestDataDownloader::failedVolumeRequestIsReported()
{
    QFETCH(HttpTestServer::Reply, volumeReply);
    QFETCH(QString, reasonPart);

    server->setReply(QStringLiteral("/books/v1/volumes/bad"), volumeReply);

    DataDownloader downloader;
    LookupOutcome outcome(downloader);
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("bad")));
    QVERIFY(outcome.waitForEnd());
    QTest::qWait(SettleTime);

    QCOMPARE(outcome.delivered.size(), size_t(0));
    QCOMPARE(outcome.failures.size(), 1);
    QVERIFY(!outcome.failures.first().trimmed().isEmpty());
    QVERIFY2(outcome.failures.first().contains(reasonPart), qPrintable(outcome.failures.first()));
    QCOMPARE(server->requestCount(coverPath), 0);
    QVERIFY(server->requestCount(QStringLiteral("/books/v1/volumes/bad")) >= 1);

    // The downloader is ready for the next lookup, which starts from an empty record.
    serveVolume(QStringLiteral("good"), QStringLiteral("volume-two-isbn13.json"));
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("good")));
    QVERIFY(QTest::qWaitFor([&outcome] { return outcome.endings() > 1; }, LookupTimeout));
    QCOMPARE(outcome.failures.size(), 1);
    QCOMPARE(outcome.delivered.size(), size_t(1));
    QCOMPARE(outcome.delivered.front()->getTitle(), QStringLiteral("Two Printings"));
}

void TestDataDownloader::callerAdditionsReachTheDeliveredRecord()
{
    serveVolume(QStringLiteral("zyTCAlFPjgYC"), QStringLiteral("volume-full.json"));
    const QString bookFile = library->writeFile(QStringLiteral("books/google.pdf"), "%PDF-1.4");

    DataDownloader downloader;
    LookupOutcome outcome(downloader);
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("zyTCAlFPjgYC")));
    Book *filling = downloader.getBook();
    QVERIFY(filling);
    filling->addFile(bookFile);
    filling->setTableRow(3);
    QVERIFY(outcome.waitForEnd());

    QCOMPARE(outcome.delivered.size(), size_t(1));
    const Book &book = *outcome.delivered.front();
    QCOMPARE(&book, filling);
    QCOMPARE(book.getTableRow(), 3);
    QCOMPARE(book.getFiles()->count(), 1);
    QCOMPARE(book.getMainFilePath(), bookFile);
    QCOMPARE(book.getTitle(), QStringLiteral("The Google Story"));
    // The record is handed over: the downloader goes on with another one.
    QVERIFY(downloader.getBook() != filling);
}

void TestDataDownloader::newLookupAbandonsThePreviousOne()
{
    serveVolume(QStringLiteral("first"), QStringLiteral("volume-full.json"));
    serveVolume(QStringLiteral("second"), QStringLiteral("volume-two-isbn13.json"));

    DataDownloader downloader;
    LookupOutcome outcome(downloader);
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("first")));
    downloader.getBook()->setTableRow(1);
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("second")));
    QVERIFY(outcome.waitForEnd());
    QTest::qWait(SettleTime);

    QCOMPARE(outcome.failures, QStringList());
    QCOMPARE(outcome.delivered.size(), size_t(1));
    QCOMPARE(outcome.delivered.front()->getTitle(), QStringLiteral("Two Printings"));
    // A fresh record, not the first lookup's.
    QCOMPARE(outcome.delivered.front()->getTableRow(), -1);
    QCOMPARE(server->requestCount(coverPath), 0);
}

void TestDataDownloader::onlyWebAddressesAreFetched()
{
    const QString secret
        = library->writeFile(QStringLiteral(".ssh/id_rsa"), Fixtures::read(QStringLiteral("cover.jpg")));
    server->setReply(QStringLiteral("/books/v1/volumes/local"),
                     HttpTestServer::Reply::json(R"({"volumeInfo": {"title": "Local", "imageLinks": {"thumbnail": ")"
                                                 + QUrl::fromLocalFile(secret).toEncoded() + "\"}}}"));

    DataDownloader downloader;
    LookupOutcome outcome(downloader);
    downloader.googleInfoDownload(volumeUrl(QStringLiteral("local")));
    QVERIFY(outcome.waitForEnd());
    QCOMPARE(outcome.delivered.size(), size_t(1));
    QCOMPARE(outcome.delivered.front()->getTitle(), QStringLiteral("Local"));
    QCOMPARE(outcome.delivered.front()->getCoverFile(), Item::DefaultCover);
    QVERIFY(!QFile::exists(DataDownloader::temporaryCoverPath()));

    // A volume address that is no web address fails the lookup, once the caller is back in the event loop.
    downloader.googleInfoDownload(QUrl::fromLocalFile(secret).toString());
    QCOMPARE(outcome.failures.size(), 0);
    QVERIFY(QTest::qWaitFor([&outcome] { return outcome.endings() > 1; }, LookupTimeout));
    QCOMPARE(outcome.failures.size(), 1);
    QVERIFY2(outcome.failures.first().contains(QStringLiteral("not a web address")),
             qPrintable(outcome.failures.first()));
    QCOMPARE(server->requests().size(), 1);
}

SHELVIO_TEST_MAIN(TestDataDownloader)

#include "tst_datadownloader.moc"
