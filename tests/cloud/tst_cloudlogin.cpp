#include "app/mainwindow.h"
#include "cloud/filesyncmanager.h"
#include "cloud/login.h"
#include "core/settings.h"
#include "model/book.h"
#include "sandbox/cloudservice.h"
#include "tests/support/filetesting.h"
#include "tests/support/httptestserver.h"
#include "tests/support/startedwindow.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <memory>

namespace {

const QString ReaderName = QStringLiteral("reader");
// Every character that a query would take for something else.
const QString Password = QStringLiteral("p&ss +w#rd=1");

QString storedToken()
{
    return Settings().value(Settings::CloudToken).toString();
}

} // namespace

// Login and sync end to end, against the real cloud service on this machine.
class TestCloudLogin : public QObject
{
    Q_OBJECT

public:
    explicit TestCloudLogin(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init()
    {
        library = std::make_unique<TestLibrary>(environment);
        service = std::make_unique<CloudService>(CloudService::Options{QString(), 4096, {}, {}});
        QVERIFY(service->addUser(ReaderName, Password));
        QVERIFY(service->start());
        Settings settings;
        settings.setValue(Settings::BaseUrl, service->url());
        settings.setValue(Settings::Guid, QStringLiteral("{2f1e0d3c-0000-4000-8000-000000000001}"));
    }

    void cleanup()
    {
        service.reset();
        library.reset();
        environment.reset();
    }

    void loginIsAcceptedOrRefused()
    {
        // Too short to be validated at start, and still removed by the refusal.
        Settings().setValue(Settings::CloudToken, QString(63, u'f'));
        Login refused(nullptr);
        refused.show();
        QSignalSpy refusedEnds(&refused, &QDialog::finished);
        logIn(refused, ReaderName, QStringLiteral("p&ss"));
        QTRY_COMPARE(browser(refused)->toPlainText(), QStringLiteral("Login was not accepted."));
        QVERIFY(refused.isVisible());
        QCOMPARE(refusedEnds.count(), 0);
        QVERIFY(!Settings().contains(Settings::CloudToken));

        Login accepted(nullptr);
        accepted.show();
        QSignalSpy acceptedEnds(&accepted, &QDialog::accepted);
        logIn(accepted, ReaderName, Password);
        QVERIFY(acceptedEnds.wait(10000));
        QCOMPARE(storedToken().size(), 64);
    }

    void storedTokenIsValidatedOnlyWhenItCanBeOne()
    {
        const QString token = obtainToken();
        // A valid token: the dialog accepts by itself.
        {
            Login login(nullptr);
            QSignalSpy accepted(&login, &QDialog::accepted);
            QVERIFY(accepted.wait(10000));
            QCOMPARE(storedToken(), token);
        }
        // A token the service does not know: it is reset and removed.
        Settings().setValue(Settings::CloudToken, QString(64, u'f'));
        {
            Login login(nullptr);
            login.show();
            QTRY_COMPARE(browser(login)->toPlainText(),
                         QStringLiteral("The token has been reset, please attempt to login again."));
            QVERIFY(!Settings().contains(Settings::CloudToken));
        }
        // 63 or 65 characters cannot be a token: nothing is asked, nothing changes.
        for (const int length : {63, 65}) {
            Settings().setValue(Settings::CloudToken, QString(length, u'f'));
            Login login(nullptr);
            QSignalSpy finished(&login, &QDialog::finished);
            QTest::qWait(300);
            QCOMPARE(finished.count(), 0);
            QCOMPARE(storedToken(), QString(length, u'f'));
        }
        // A login while a token is stored keeps the stored one.
        Login login(nullptr);
        login.show();
        QSignalSpy accepted(&login, &QDialog::accepted);
        logIn(login, ReaderName, Password);
        QVERIFY(accepted.wait(10000));
        QCOMPARE(storedToken(), QString(65, u'f'));
    }

    void loginWithoutAnAnswerSaysWhy_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no service") << "closed" << "Connection refused";
        QTest::newRow("unavailable") << "503" << "The server answered 503 Service Unavailable.";
        QTest::newRow("not the protocol's JSON") << "html" << "The reply could not be read.";
    }

    void loginWithoutAnAnswerSaysWhy()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, reason);
        HttpTestServer stand;
        QVERIFY(stand.listen());
        stand.setReply(QStringLiteral("/upload/token/"), trouble == u"503"
                           ? HttpTestServer::Reply::text("Down for maintenance", 503)
                           : HttpTestServer::Reply::text("<html><body>Welcome</body></html>"));
        QString root = stand.url().toString();
        if (trouble == u"closed") {
            // A port that was free a moment ago.
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            root = QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
        }
        Settings().setValue(Settings::BaseUrl, root);

        Login login(nullptr);
        login.show();
        logIn(login, ReaderName, Password);
        auto *button = login.findChild<QPushButton *>(QStringLiteral("btnLogin"));
        QTRY_VERIFY(button->isEnabled());
        const QString said = browser(login)->toPlainText();
        QVERIFY2(said.startsWith(QStringLiteral("Could not reach the cloud service: ")), qPrintable(said));
        QVERIFY2(said.contains(reason), qPrintable(said));
        QVERIFY(login.isVisible());
        QVERIFY(storedToken().isEmpty());
    }

    void syncDeliversEveryFileOnce()
    {
        obtainToken();
        const QByteArray shared(3000, 's');
        const QByteArray quoted = "%PDF-1.4 a file whose name has a quote";
        const QByteArray large(5000, 'L');
        QVERIFY(TestLibrary::storeBook(QStringLiteral("Shared once"),
                                       {library->writeFile(QStringLiteral("a/one.pdf"), shared)}));
        {
            FileSyncManager first(nullptr);
            QTRY_COMPARE(storedFile(FileTesting::md5Of(shared)), shared);
            QTRY_COMPARE(storedTitles(), QStringList({QStringLiteral("Shared once")}));
        }
        // Content sent again would replace this stand-in, which differs in size.
        const QByteArray standIn = "held already";
        QVERIFY(replaceStoredFile(FileTesting::md5Of(shared), standIn));

        QVERIFY(TestLibrary::storeBook(QStringLiteral("Shared twice"),
                                       {library->writeFile(QStringLiteral("b/one.pdf"), shared),
                                        library->writeFile(QStringLiteral("b/say \"hi\".pdf"), quoted)}));
        QVERIFY(TestLibrary::storeBook(QStringLiteral("Too large"),
                                       {library->writeFile(QStringLiteral("c/large.pdf"), large)}));
        const QStringList titles{QStringLiteral("Shared once"), QStringLiteral("Shared twice"),
                                 QStringLiteral("Too large")};
        for (int run = 0; run < 2; ++run) {
            FileSyncManager sync(nullptr);
            auto *list = sync.findChild<QListWidget *>(QStringLiteral("uploadList"));
            QCOMPARE(list->count(), 3);
            QTRY_VERIFY_WITH_TIMEOUT(list->item(2)->toolTip().contains(QStringLiteral("413")), 20000);
            QTRY_COMPARE(storedFile(FileTesting::md5Of(quoted)), quoted);
            QTRY_COMPARE(storedTitles(), titles);
            QVERIFY(storedFile(FileTesting::md5Of(large)).isEmpty());
            QCOMPARE(storedFile(FileTesting::md5Of(shared)), standIn);
            QVERIFY(list->item(0)->toolTip().isEmpty());
            QVERIFY(list->item(1)->toolTip().isEmpty());
        }
    }

    void loginSlotRunsTheLoginDialog()
    {
        qputenv("SHELVIO_CLOUD_URL", service->url().toUtf8());
        auto window = startMainWindow();
        const std::shared_ptr<bool> loginShown = logInWhenAsked(window.get());
        QVERIFY(QMetaObject::invokeMethod(window.get(), "on_actionLogin_triggered"));
        QVERIFY(*loginShown);
        QCOMPARE(storedToken().size(), 64);
        // A login by itself starts no sync.
        QVERIFY(!window->findChild<FileSyncManager *>());
        qunsetenv("SHELVIO_CLOUD_URL");
    }

    void syncAsksForALoginFirst()
    {
        // The window takes the service's address from the environment, as the program does.
        qputenv("SHELVIO_CLOUD_URL", service->url().toUtf8());
        // No token at start-up: Sync logs in, then starts the sync dialog.
        auto window = startMainWindow();
        const std::shared_ptr<bool> loginShown = logInWhenAsked(window.get());
        window->findChild<QAction *>(QStringLiteral("actionSync"))->trigger();
        QVERIFY(*loginShown);
        auto *sync = window->findChild<FileSyncManager *>();
        QVERIFY(sync);
        QVERIFY(sync->isVisible());
        QCOMPARE(storedToken().size(), 64);
        // The token the login stored serves the next click: no second login.
        QTRY_VERIFY(!sync->isRunning());
        bool askedAgain = false;
        QTimer::singleShot(0, window.get(), [&askedAgain] {
            if (auto *login = qobject_cast<Login *>(QApplication::activeModalWidget())) {
                askedAgain = true;
                login->reject();
            }
        });
        window->findChild<QAction *>(QStringLiteral("actionSync"))->trigger();
        QVERIFY(!askedAgain);
        window.reset();

        // With a token at start-up the sync dialog opens at once; a run that has ended makes way for a new one.
        window = startMainWindow();
        QAction *action = window->findChild<QAction *>(QStringLiteral("actionSync"));
        action->trigger();
        QPointer<FileSyncManager> first = window->findChild<FileSyncManager *>();
        QVERIFY(first && first->isVisible());
        QTRY_VERIFY(!first->isRunning());
        first->close();
        action->trigger();
        QTRY_VERIFY(!first);
        QCOMPARE(window->findChildren<FileSyncManager *>().size(), 1);
        QVERIFY(window->findChild<FileSyncManager *>()->isVisible());
    }

    void syncClickFindsTheRunUnderWay()
    {
        // A service that takes the check and does not answer keeps the run going.
        HttpTestServer stalling;
        QVERIFY(stalling.listen());
        stalling.setReply(QStringLiteral("/upload/data/"), HttpTestServer::Reply::json(R"({"stored":"true"})"));
        stalling.setReply(QStringLiteral("/upload/check/"), HttpTestServer::Reply::silence());
        QVERIFY(TestLibrary::storeBook(QStringLiteral("Slow"), {library->writeFile(QStringLiteral("slow.pdf"), "%PDF")}));
        qputenv("SHELVIO_CLOUD_URL", stalling.url().toString().toUtf8());
        Settings().setValue(Settings::CloudToken, QString(64, u'a'));
        auto window = startMainWindow();
        QAction *action = window->findChild<QAction *>(QStringLiteral("actionSync"));
        action->trigger();
        QPointer<FileSyncManager> running = window->findChild<FileSyncManager *>();
        QVERIFY(running && running->isRunning());
        QTRY_COMPARE(stalling.requestCount(QStringLiteral("/upload/check/")), 1);
        running->close();
        action->trigger();
        // The same run, on show again: nothing was sent anew.
        QVERIFY(running && running->isVisible());
        QCOMPARE(window->findChildren<FileSyncManager *>().size(), 1);
        QCOMPARE(stalling.requestCount(QStringLiteral("/upload/data/")), 1);
        qunsetenv("SHELVIO_CLOUD_URL");
        qunsetenv("SHELVIO_CLOUD_URL");
    }

private:
    static QTextBrowser *browser(const Login &login)
    {
        return login.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    }

    static void logIn(Login &login, const QString &name, const QString &password)
    {
        auto *user = login.findChild<QLineEdit *>(QStringLiteral("loginText"));
        auto *secret = login.findChild<QLineEdit *>(QStringLiteral("passwordText"));
        user->clear();
        secret->clear();
        QTest::keyClicks(user, name);
        QTest::keyClicks(secret, password);
        QTest::mouseClick(login.findChild<QPushButton *>(QStringLiteral("btnLogin")), Qt::LeftButton);
    }

    // Logs in with the login dialog that the window runs next; true once that dialog was there, over the
    // window.
    static std::shared_ptr<bool> logInWhenAsked(MainWindow *window)
    {
        auto shown = std::make_shared<bool>(false);
        QTimer::singleShot(0, window, [window, shown] {
            auto *login = qobject_cast<Login *>(QApplication::activeModalWidget());
            QVERIFY(login);
            QCOMPARE(login->parentWidget(), window);
            *shown = true;
            // A login that never comes back fails the test instead of hanging it.
            QTimer::singleShot(20000, login, &QDialog::reject);
            logIn(*login, ReaderName, Password);
        });
        return shown;
    }

    QString obtainToken()
    {
        Login login(nullptr);
        login.show();
        QSignalSpy accepted(&login, &QDialog::accepted);
        logIn(login, ReaderName, Password);
        if (!accepted.wait(10000))
            qWarning("The service did not accept the login");
        return storedToken();
    }

    // The bytes the service holds under this digest, for any user; empty when it holds none.
    QByteArray storedFile(const QString &md5) const
    {
        QDir files(service->dataDirectory() + QStringLiteral("/files"));
        for (const QString &user : files.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile file(files.filePath(user + u'/' + md5));
            if (file.open(QIODevice::ReadOnly))
                return file.readAll();
        }
        return {};
    }

    bool replaceStoredFile(const QString &md5, const QByteArray &content) const
    {
        QDir files(service->dataDirectory() + QStringLiteral("/files"));
        for (const QString &user : files.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile file(files.filePath(user + u'/' + md5));
            if (file.exists())
                return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
        }
        return false;
    }

    // The titles of the books whose metadata the service holds.
    QStringList storedTitles() const
    {
        const QString connection = QStringLiteral("service");
        QStringList titles;
        {
            QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            database.setDatabaseName(service->databasePath());
            if (database.open()) {
                QSqlQuery query(QStringLiteral("SELECT title FROM books ORDER BY title"), database);
                while (query.next())
                    titles << query.value(0).toString();
            }
        }
        QSqlDatabase::removeDatabase(connection);
        return titles;
    }

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<CloudService> service;
};

SHELVIO_TEST_MAIN(TestCloudLogin)
#include "tst_cloudlogin.moc"
