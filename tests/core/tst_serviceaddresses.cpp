#include "core/serviceaddresses.h"
#include "tests/support/basetestmain.h"

#include <QTest>

class TestServiceAddresses : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaultsAddressTheRealServices();
    void environmentOverridesEachAddress();
    void cloudRootAlwaysEndsWithSlash();
    void updateScriptFollowsTheCloudRoot();
};

void TestServiceAddresses::init()
{
    qunsetenv("SHELVIO_BOOKS_API");
    qunsetenv("SHELVIO_CLOUD_URL");
    qunsetenv("SHELVIO_UPDATE_URL");
}

void TestServiceAddresses::defaultsAddressTheRealServices()
{
    QCOMPARE(ServiceAddresses::booksApi(), QUrl(QStringLiteral("https://www.googleapis.com/books/v1/volumes")));
    QCOMPARE(ServiceAddresses::cloudUrl(), QStringLiteral("http://127.0.0.1:8470/"));
    QCOMPARE(ServiceAddresses::updateUrl(), QUrl(QStringLiteral("http://127.0.0.1:8470/update.php")));
}

void TestServiceAddresses::environmentOverridesEachAddress()
{
    qputenv("SHELVIO_BOOKS_API", "http://127.0.0.1:4711/books/v1/volumes");
    qputenv("SHELVIO_CLOUD_URL", "https://cloud.example.org/shelvio/");
    qputenv("SHELVIO_UPDATE_URL", "http://127.0.0.1:4712/check/update.php");

    QCOMPARE(ServiceAddresses::booksApi(), QUrl(QStringLiteral("http://127.0.0.1:4711/books/v1/volumes")));
    QCOMPARE(ServiceAddresses::cloudUrl(), QStringLiteral("https://cloud.example.org/shelvio/"));
    QCOMPARE(ServiceAddresses::updateUrl(), QUrl(QStringLiteral("http://127.0.0.1:4712/check/update.php")));
}

void TestServiceAddresses::cloudRootAlwaysEndsWithSlash()
{
    qputenv("SHELVIO_CLOUD_URL", "http://127.0.0.1:9000");
    QCOMPARE(ServiceAddresses::cloudUrl(), QStringLiteral("http://127.0.0.1:9000/"));
    qputenv("SHELVIO_CLOUD_URL", "   ");
    QCOMPARE(ServiceAddresses::cloudUrl(), QStringLiteral("http://127.0.0.1:8470/"));
}

void TestServiceAddresses::updateScriptFollowsTheCloudRoot()
{
    qputenv("SHELVIO_CLOUD_URL", "http://127.0.0.1:9000/root/");
    QCOMPARE(ServiceAddresses::updateUrl(), QUrl(QStringLiteral("http://127.0.0.1:9000/root/update.php")));
}

SHELVIO_BASE_TEST_MAIN(TestServiceAddresses)
#include "tst_serviceaddresses.moc"
