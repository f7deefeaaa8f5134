#include "app/mainwindow.h"
#include "tests/support/httptestserver.h"
#include "tests/support/startedwindow.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "update/updatemanager.h"

#include <QDialogButtonBox>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QString UpdatePath = QStringLiteral("/update.php");
const QString RunningLine = QStringLiteral("You are currently running version: 0.3 Alpha");

// What the user saw of an update dialog, read while it was open.
struct Shown
{
    bool seen = false;
    const QWidget *dialog = nullptr;
    QString title;
    QSize size;
    bool opensExternalLinks = false;
    // The paragraphs, a line break inside one as '\n'.
    QStringList lines;
    // Link text to address.
    QMap<QString, QString> links;
};

Shown read(UpdateManager *dialog)
{
    Shown shown;
    shown.seen = true;
    shown.dialog = dialog;
    shown.title = dialog->windowTitle();
    shown.size = dialog->size();
    const auto *browser = dialog->findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    if (!browser)
        return shown;
    shown.opensExternalLinks = browser->openExternalLinks();
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        shown.lines.append(block.text().replace(QChar::LineSeparator, u'\n'));
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (format.isAnchor())
                shown.links.insert(fragment.fragment().text(), format.anchorHref());
        }
    }
    return shown;
}

// Reads and closes every update dialog that becomes modal, also one opened inside a reply handler,
// which runs its own event loop.
class DialogWatcher
{
public:
    DialogWatcher()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto *dialog = qobject_cast<UpdateManager *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shown = read(dialog);
            ++count;
            auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            if (buttons && buttons->button(QDialogButtonBox::Close))
                buttons->button(QDialogButtonBox::Close)->click();
            else
                dialog->reject();
        });
        timer.start();
    }

    QTimer timer;
    Shown shown;
    int count = 0;
};

} // namespace

class TestUpdateManager : public QObject
{
    Q_OBJECT

public:
    explicit TestUpdateManager(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newerVersionIsShown_data();
    void newerVersionIsShown();
    void nothingIsShownWithoutASuccessfulReply_data();
    void nothingIsShownWithoutASuccessfulReply();
    void refusedConnectionShowsNothing();
    void requestNamesTheRunningVersion();
    void mainWindowChecksOnceAtStartUp();

private:
    // Runs one check against the server as it is set up, until the reply has been handled.
    void check(DialogWatcher &watcher);

    TestEnvironment &environment;
    HttpTestServer server;
};

void TestUpdateManager::initTestCase()
{
    if (QNetworkInformation::loadDefaultBackend()
        && QNetworkInformation::instance()->reachability() == QNetworkInformation::Reachability::Disconnected)
        QSKIP("This machine reports no network, so the update check rightly sends nothing.");
    QVERIFY(server.listen());
}

void TestUpdateManager::init()
{
    server.clearReplies();
    server.clearRequests();
    qputenv("SHELVIO_UPDATE_URL", server.url(UpdatePath).toString().toUtf8());
}

void TestUpdateManager::cleanup()
{
    qunsetenv("SHELVIO_UPDATE_URL");
    environment.reset();
}

void TestUpdateManager::check(DialogWatcher &watcher)
{
    UpdateManager manager(nullptr);
    auto *network = manager.findChild<QNetworkAccessManager *>();
    QVERIFY(network);
    // Connected after the manager's own slot, so it records once that slot has returned.
    QSignalSpy handled(network, &QNetworkAccessManager::finished);
    QVERIFY(handled.wait(10000));
    QVERIFY(!manager.isVisible());
    if (watcher.count > 0)
        QCOMPARE(watcher.shown.dialog, &manager);
}

void TestUpdateManager::newerVersionIsShown_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("latestLine");
    QTest::newRow("0.4") << QByteArray("0.4") << QStringLiteral("The latest version is: 0.4");
    QTest::newRow("trailing line break") << QByteArray("0.4\n") << QStringLiteral("The latest version is: 0.4");
    QTest::newRow("ampersand") << QByteArray("1.0 R&D") << QStringLiteral("The latest version is: 1.0 R&D");
    QTest::newRow("UTF-8") << QByteArray("0.4 B\xc3\xaata") << QStringLiteral("The latest version is: 0.4 B\u00eata");
}

void TestUpdateManager::newerVersionIsShown()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, latestLine);
    server.setReply(UpdatePath, HttpTestServer::Reply::text(body));
    DialogWatcher watcher;
    check(watcher);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(watcher.count, 1);

    const Shown &shown = watcher.shown;
    QCOMPARE(shown.title, QStringLiteral("Update Available"));
    QCOMPARE(shown.size, QSize(400, 180));
    QVERIFY(shown.opensExternalLinks);
    QCOMPARE(shown.lines.value(0), QStringLiteral("Shelvio Update Available"));
    QCOMPARE(shown.lines.value(1), QStringLiteral("A new version of Shelvio  is available."));
    QCOMPARE(shown.lines.value(2), RunningLine);
    QCOMPARE(shown.lines.value(3), latestLine);
    // Only the links of the template: markup in the reply makes none.
    QCOMPARE(shown.links.keys(), (QStringList{"Changelog", "Download"}));
    QCOMPARE(shown.links.value(QStringLiteral("Download")), QStringLiteral("https://www.shelvio.org/download"));
    QCOMPARE(shown.links.value(QStringLiteral("Changelog")), QStringLiteral("https://www.shelvio.org/changelog"));
}

void TestUpdateManager::nothingIsShownWithoutASuccessfulReply_data()
{
    QTest::addColumn<int>("statusCode");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("dropped");
    QTest::newRow("empty") << 200 << QByteArray() << false;
    QTest::newRow("404 with a body") << 404 << QByteArray("<html><body>Not Found</body></html>") << false;
    QTest::newRow("500 with a version") << 500 << QByteArray("0.4") << false;
    QTest::newRow("connection dropped") << 200 << QByteArray() << true;
    // What a broken service or a captive portal sends with a 200: no version's name.
    QTest::newRow("HTML page") << 200 << QByteArray("<!DOCTYPE html>\n<html><body>Maintenance</body></html>") << false;
    QTest::newRow("markup") << 200 << QByteArray("<b>1.0</b>") << false;
    QTest::newRow("two lines") << 200 << QByteArray("0.4\nand more") << false;
    QTest::newRow("too long") << 200 << QByteArray(65, '1') << false;
    QTest::newRow("over 4 KB") << 200 << QByteArray(5000, '1') << false;
}

void TestUpdateManager::nothingIsShownWithoutASuccessfulReply()
{
    QFETCH(int, statusCode);
    QFETCH(QByteArray, body);
    QFETCH(bool, dropped);
    server.setReply(UpdatePath,
                    dropped ? HttpTestServer::Reply::dropConnection() : HttpTestServer::Reply::text(body, statusCode));
    DialogWatcher watcher;
    check(watcher);
    if (QTest::currentTestFailed())
        return;
    // A dropped connection may be retried once by the network stack.
    QVERIFY(server.requestCount(UpdatePath) >= 1);
    QCOMPARE(watcher.count, 0);
}

void TestUpdateManager::refusedConnectionShowsNothing()
{
    // A port that was just free and is closed again: the connection is refused, as for a program
    // started without any update service.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    qputenv("SHELVIO_UPDATE_URL", QByteArray("http://127.0.0.1:") + QByteArray::number(port) + "/update.php");
    DialogWatcher watcher;
    check(watcher);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(watcher.count, 0);
}

void TestUpdateManager::requestNamesTheRunningVersion()
{
    server.setReply(UpdatePath, HttpTestServer::Reply::text({}));
    DialogWatcher watcher;
    check(watcher);
    if (QTest::currentTestFailed())
        return;
    const QList<HttpTestServer::Request> requests = server.requestsTo(UpdatePath);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.constFirst().method, QByteArray("GET"));
    QCOMPARE(requests.constFirst().rawTarget, QByteArray("/update.php?version=0.3%20Alpha"));
    QCOMPARE(requests.constFirst().query.queryItems(QUrl::FullyDecoded),
             (QList<std::pair<QString, QString>>{{QStringLiteral("version"), QStringLiteral("0.3 Alpha")}}));
}

void TestUpdateManager::mainWindowChecksOnceAtStartUp()
{
    TestLibrary library(environment);
    server.setReply(UpdatePath, HttpTestServer::Reply::text("0.4"));
    DialogWatcher watcher;
    auto window = startMainWindow();
    QTRY_COMPARE_WITH_TIMEOUT(watcher.count, 1, 10000);
    QCOMPARE(watcher.shown.dialog->parentWidget(), window.get());
    QCOMPARE(window->findChildren<UpdateManager *>().size(), 1);
    QCOMPARE(watcher.shown.lines.value(2), RunningLine);
    QCOMPARE(watcher.shown.lines.value(3), QStringLiteral("The latest version is: 0.4"));
    QCOMPARE(server.requestCount(UpdatePath), 1);
    window.reset();
}

SHELVIO_TEST_MAIN(TestUpdateManager)

#include "tst_updatemanager.moc"
