#include "browser/capturefilename.h"
#include "browser/webbrowser.h"
#include "core/settings.h"
#include "model/records.h"
#include "model/viewitem.h"
#include "tests/support/httptestserver.h"
#include "tests/support/offlinewebprofile.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/urlrecorder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPdfDocument>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>

#include <functional>
#include <memory>
#include <vector>

namespace {

QByteArray page(const QByteArray &title, const QByteArray &body)
{
    const QByteArray head = title.isNull() ? QByteArray() : "<title>" + title + "</title>";
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + head + "</head><body>" + body + "</body></html>";
}

HttpTestServer::Reply html(const QByteArray &content)
{
    return HttpTestServer::Reply::text(content).withHeader("Content-Type", "text/html; charset=utf-8");
}

// Answers every message box that opens while it lives, keeping the texts; a box opened inside a
// signal handler runs its own event loop, which only a timer reaches.
class MessageBoxAnswerer
{
public:
    MessageBoxAnswerer()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->windowTitle() + u'|' + box->text();
                box->accept();
            }
        });
        timer.start();
    }

    QStringList texts;

private:
    QTimer timer;
};

} // namespace

class TestWebBrowser : public QObject
{
    Q_OBJECT

public:
    explicit TestWebBrowser(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init()
    {
        library = std::make_unique<TestLibrary>(environment);
        libraryDir = environment.home() + QStringLiteral("/Shelvio Library/");
        QVERIFY(QDir().mkpath(libraryDir));
        Settings().setValue(Settings::LibraryDir, libraryDir);

        server = std::make_unique<HttpTestServer>();
        QVERIFY(server->listen());
        server->setReply(QStringLiteral("/page"),
                         html(page("a/b: c?", "<h1>Capture me</h1><p>Hello capture world.</p>")));
        server->setReply(QStringLiteral("/second"), html(page("Second", "<p>The second page.</p>")));
        server->setReply(QStringLiteral("/untitled"), html(page(QByteArray(), "<p>No title here.</p>")));
        server->setReply(QStringLiteral("/opener"),
                         html(page("Opener", "<a id=\"l\" href=\"/second\" target=\"_blank\">new window</a>")));
        server->setReply(QStringLiteral("/links"), html(page("Links", "<a id=\"l\" href=\"/second\">same</a>")));
        server->setReply(QStringLiteral("/long"), html(page(QByteArray(300, 'x'), "<p>Long.</p>")));

        offline = std::make_unique<OfflineWebProfile>();
        browser = std::make_unique<WebBrowser>(nullptr);
        // Held as a view of web pages would hold them, so that the captured display items stay valid.
        connect(browser.get(), &WebBrowser::newViewItem, this,
                [this](ViewItem *item) { capturedRecords.push_back(Records::find(item->iid)); });
        browser->resize(900, 700);
        browser->show();
        view = browser->findChild<QWebEngineView *>(QStringLiteral("webView"));
        addressLine = browser->findChild<QLineEdit *>(QStringLiteral("URL"));
        QVERIFY(view);
        waitForStartPage();
    }

    void cleanup()
    {
        browser.reset();
        capturedRecords.clear();
        offline.reset();
        server.reset();
        library.reset();
        environment.reset();
    }

    void startsBlankAndGoesWhereTheAddressLineSays()
    {
        // Nothing is asked of a server the user did not name, and the address line waits for one.
        QCOMPARE(offline->pagesRequested, QList<QUrl>());
        QCOMPARE(view->url(), QUrl(QStringLiteral("about:blank")));
        QVERIFY(addressLine->hasFocus());

        // A bare host gets "http://" in front.
        const QString bare = QStringLiteral("127.0.0.1:%1/second").arg(server->port());
        enterAddress(bare);
        QTRY_COMPARE(view->url(), server->url(QStringLiteral("/second")));
        QTRY_COMPARE(addressLine->text(), server->url(QStringLiteral("/second")).toString());
        QCOMPARE(server->requestCount(QStringLiteral("/second")), 1);

        // An address typed with https is loaded as typed.
        QUrl secure = server->url(QStringLiteral("/page"));
        secure.setScheme(QStringLiteral("https"));
        addressLine->setText(secure.toString());
        QTest::mouseClick(button("btnGo"), Qt::LeftButton);
        QTRY_VERIFY(offline->pagesRequested.contains(secure));
        // A host whose name begins with "http" still gets the scheme.
        addressLine->setText(QStringLiteral("httpbin.org/get"));
        QTest::mouseClick(button("btnGo"), Qt::LeftButton);
        QTRY_VERIFY(offline->pagesRequested.contains(QUrl(QStringLiteral("http://httpbin.org/get"))));

        const qsizetype requests = offline->pagesRequested.size();
        addressLine->clear();
        QTest::mouseClick(button("btnGo"), Qt::LeftButton);
        QTest::keyClick(addressLine, Qt::Key_Return);
        QVERIFY(!QSignalSpy(view, &QWebEngineView::loadStarted).wait(300));
        QCOMPARE(offline->pagesRequested.size(), requests);
    }

    void backAndForwardWalkTheHistory()
    {
        load(QStringLiteral("/links"));
        load(QStringLiteral("/second"));
        QTest::mouseClick(button("btnBack"), Qt::LeftButton);
        QTRY_COMPARE(view->url(), server->url(QStringLiteral("/links")));
        QTRY_COMPARE(addressLine->text(), server->url(QStringLiteral("/links")).toString());
        QTest::mouseClick(button("btnForward"), Qt::LeftButton);
        QTRY_COMPARE(view->url(), server->url(QStringLiteral("/second")));
    }

    void linksAndNewWindowsStayInTheView()
    {
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        const auto run
            = [this](const QString &script) { return [this, script] { view->page()->runJavaScript(script); }; };
        const QString clickLink = QStringLiteral("document.getElementById('l').click()");
        load(QStringLiteral("/opener"));
        loadBy(QStringLiteral("/second"), run(clickLink));
        QTRY_COMPARE(view->title(), QStringLiteral("Second"));

        load(QStringLiteral("/links"));
        loadBy(QStringLiteral("/page"), run(QStringLiteral("window.open('/page')")));

        load(QStringLiteral("/links"));
        loadBy(QStringLiteral("/second"), run(clickLink));
        QCOMPARE(QApplication::topLevelWidgets(), windows);
    }

    void externalBrowserAndSelectionTool()
    {
        UrlRecorder desktop;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &desktop, "open");
        load(QStringLiteral("/second"));
        QTest::mouseClick(button("toolButton_3"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(desktop.opened, QList<QUrl>{server->url(QStringLiteral("/second"))});

        // The selection tool is not offered yet, and its script is empty: running it changes nothing.
        QVERIFY(!button("toolButton")->isEnabled());
        const QString before = pageText();
        QVERIFY(QMetaObject::invokeMethod(browser.get(), "loadJS"));
        QCOMPARE(pageText(), before);
        QCOMPARE(view->url(), server->url(QStringLiteral("/second")));
    }

    void captureStoresThePageWithItsCover()
    {
        QSignalSpy titles(browser.get(), &WebBrowser::titleChanged);
        load(QStringLiteral("/page"));
        QTRY_VERIFY(!titles.isEmpty() && titles.last().first().toString() == QStringLiteral("a/b: c?"));
        QSignalSpy captured(browser.get(), &WebBrowser::newViewItem);
        QSignalSpy saved(browser.get(), &WebBrowser::pageSaved);
        QTest::mouseClick(button("btnDownload"), Qt::LeftButton);
        QVERIFY(!button("btnDownload")->isEnabled());
        QVERIFY(captured.wait(30000));
        QVERIFY(button("btnDownload")->isEnabled());

        const QString pdf = libraryDir + QStringLiteral("a_b_ c_.pdf");
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
        QPdfDocument document;
        QCOMPARE(document.load(pdf), QPdfDocument::Error::None);
        // A4 in points.
        QCOMPARE(document.pagePointSize(0).toSize(), QSize(595, 842));

        const QList<QVariantList> pages
            = TestLibrary::rows(QStringLiteral("SELECT iid, url, title, description, created FROM webpages"));
        QCOMPARE(pages.size(), 1);
        const int iid = pages[0][0].toInt();
        QCOMPARE(pages[0][1].toString(), server->url(QStringLiteral("/page")).toString());
        QCOMPARE(pages[0][2].toString(), QStringLiteral("a/b: c?"));
        // Blocks keep a line between them.
        QVERIFY2(pages[0][3].toString().contains(QStringLiteral("Capture me\n")), qPrintable(pages[0][3].toString()));
        QVERIFY(pages[0][3].toString().contains(QStringLiteral("Hello capture world.")));
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved.first().first().toString(), QStringLiteral("a/b: c?"));
        QVERIFY(qAbs(qint64(pages[0][4].toUInt()) - QDateTime::currentSecsSinceEpoch()) < 600);

        const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
        QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT type, coverFile FROM items")),
                 QList<QVariantList>({{QStringLiteral("WebPage"), cover}}));
        const QImage thumbnail(cover);
        QCOMPARE(thumbnail.height(), 190);
        QVERIFY(thumbnail.width() > 100 && thumbnail.width() < 190);
        // The first page is white paper with a title on it, not a black square.
        QCOMPARE(QColor(thumbnail.pixel(thumbnail.width() - 3, thumbnail.height() - 3)).lightness() > 200, true);
        QVERIFY(!QFileInfo::exists(library->dataDir() + QStringLiteral("pdf-thumb-tmp.jpg")));
        QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid, filePath FROM files")),
                 QList<QVariantList>({{iid, pdf}}));

        auto *item = captured.first().first().value<ViewItem *>();
        QCOMPARE(item->iid, iid);
        QCOMPARE(item->title, QStringLiteral("a/b: c?"));
        QCOMPARE(item->coverFile, cover);

        // Later captures of the same title never overwrite the first.
        for (const char *next : {"a_b_ c_-0.pdf", "a_b_ c_-1.pdf"}) {
            QTest::mouseClick(button("btnDownload"), Qt::LeftButton);
            QVERIFY(captured.wait(30000));
            QVERIFY(QFileInfo(libraryDir + QLatin1String(next)).size() > 0);
        }
        QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM webpages")).size(), 3);
    }

    void longAndMissingTitlesGiveVisibleNames()
    {
        QSignalSpy captured(browser.get(), &WebBrowser::newViewItem);
        load(QStringLiteral("/long"));
        QTest::mouseClick(button("btnDownload"), Qt::LeftButton);
        QVERIFY(captured.wait(30000));
        const QString cut = (libraryDir + QString(300, u'x')).left(248) + QStringLiteral(".pdf");
        QVERIFY(QFileInfo::exists(cut));

        // A page without a title is named after its host, never a hidden ".pdf".
        load(QStringLiteral("/untitled"));
        for (int capture = 0; capture < 2; ++capture) {
            QTest::mouseClick(button("btnDownload"), Qt::LeftButton);
            QVERIFY(captured.wait(30000));
        }
        QCOMPARE(QDir(libraryDir).entryList({QStringLiteral("127.0.0.1*")}, QDir::Files, QDir::Name),
                 QStringList({QStringLiteral("127.0.0.1-0.pdf"), QStringLiteral("127.0.0.1.pdf")}));
        QVERIFY(QDir(libraryDir).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden).isEmpty());
        QCOMPARE(captured.last().first().value<ViewItem *>()->title, QStringLiteral("127.0.0.1"));
    }

    void fileNamesFollowTheTitle()
    {
        const QString dir = QStringLiteral("/lib/");
        QCOMPARE(CaptureFileName::basePath(QStringLiteral("a/b: c?"), QStringLiteral("example.org"), dir),
                 QStringLiteral("/lib/a_b_ c_"));
        QCOMPARE(CaptureFileName::basePath(QStringLiteral("  1+1 <is> \"2\" * x|y  "), QString(), dir),
                 QStringLiteral("/lib/1_1 _is_ _2_ _ x_y"));
        // An empty title would make a hidden ".pdf": the host stands in.
        QCOMPARE(CaptureFileName::basePath(QStringLiteral("   "), QStringLiteral("example.org"), dir),
                 QStringLiteral("/lib/example.org"));
        QCOMPARE(CaptureFileName::basePath(QString(300, u'y'), QString(), dir).size(), 248);
    }

    void failedPdfIsReportedAndStoresNothing()
    {
        // A library directory below a plain file cannot be written, not even by root.
        const QString blocker = environment.home() + QStringLiteral("/blocker");
        QFile plain(blocker);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        Settings().setValue(Settings::LibraryDir, blocker + QStringLiteral("/library/"));
        browser = std::make_unique<WebBrowser>(nullptr);
        browser->show();
        view = browser->findChild<QWebEngineView *>(QStringLiteral("webView"));
        addressLine = browser->findChild<QLineEdit *>(QStringLiteral("URL"));
        waitForStartPage();

        QSignalSpy titles(browser.get(), &WebBrowser::titleChanged);
        load(QStringLiteral("/page"));
        QTRY_VERIFY(!titles.isEmpty() && titles.last().first().toString() == QStringLiteral("a/b: c?"));
        QSignalSpy captured(browser.get(), &WebBrowser::newViewItem);
        QSignalSpy saved(browser.get(), &WebBrowser::pageSaved);
        MessageBoxAnswerer answerer;
        QTest::mouseClick(button("btnDownload"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts.size(), 1, 30000);
        QVERIFY(answerer.texts.first().startsWith(QStringLiteral("Capture failed|")));
        QVERIFY(answerer.texts.first().contains(blocker + QStringLiteral("/library/a_b_ c_.pdf")));
        QVERIFY(button("btnDownload")->isEnabled());
        QCOMPARE(captured.count(), 0);
        QVERIFY(TestLibrary::rows(QStringLiteral("SELECT iid FROM items")).isEmpty());
        QVERIFY(TestLibrary::rows(QStringLiteral("SELECT fid FROM files")).isEmpty());
    }

    void refusedRecordIsReportedAndStoresNothing()
    {
        load(QStringLiteral("/page"));
        QSqlQuery refuse;
        QVERIFY(refuse.exec(QStringLiteral("CREATE TEMP TRIGGER refuse BEFORE INSERT ON webpages "
                                           "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
        QSignalSpy captured(browser.get(), &WebBrowser::newViewItem);
        MessageBoxAnswerer answerer;
        QTest::mouseClick(button("btnDownload"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts.size(), 1, 30000);
        QVERIFY(refuse.exec(QStringLiteral("DROP TRIGGER refuse")));
        QVERIFY(answerer.texts.first().startsWith(QStringLiteral("Capture failed|")));
        QVERIFY(button("btnDownload")->isEnabled());
        QCOMPARE(captured.count(), 0);
        // No item without its page row, and the thumbnail is not left under a given-up id.
        QVERIFY(TestLibrary::rows(QStringLiteral("SELECT iid FROM items")).isEmpty());
        QVERIFY(TestLibrary::rows(QStringLiteral("SELECT fid FROM files")).isEmpty());
        QCOMPARE(QDir(library->dataDir()).entryList({QStringLiteral("*.jpg")}),
                 QStringList{QStringLiteral("pdf-thumb-tmp.jpg")});
    }

private:
    QToolButton *button(const char *name) const { return browser->findChild<QToolButton *>(QLatin1String(name)); }

    // The blank start page's load must not be taken for the end of a later one.
    void waitForStartPage()
    {
        QSignalSpy finished(view, &QWebEngineView::loadFinished);
        QVERIFY(finished.wait(10000));
    }

    void enterAddress(const QString &address)
    {
        addressLine->clear();
        QTest::keyClicks(addressLine, address);
        QTest::keyClick(addressLine, Qt::Key_Return);
    }

    void load(const QString &path)
    {
        loadBy(path, [this, path] { browser->loadAddress(server->url(path).toString()); });
    }

    // Starts a load and waits for its end. A load started earlier may still finish after this one began;
    // only a successful end at the requested address counts.
    void loadBy(const QString &path, const std::function<void()> &start)
    {
        const QUrl url = server->url(path);
        bool loaded = false;
        const QMetaObject::Connection connection = connect(view, &QWebEngineView::loadFinished, this, [&](bool ok) {
            if (ok && view->url() == url)
                loaded = true;
        });
        start();
        QTRY_VERIFY_WITH_TIMEOUT(loaded, 10000);
        disconnect(connection);
    }

    QString pageText() const
    {
        QString text;
        bool done = false;
        view->page()->toPlainText([&](const QString &result) {
            text = result;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 5000))
            qWarning("The page's text did not arrive");
        return text;
    }

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<HttpTestServer> server;
    std::unique_ptr<OfflineWebProfile> offline;
    std::unique_ptr<WebBrowser> browser;
    std::vector<std::shared_ptr<Item>> capturedRecords;
    QWebEngineView *view = nullptr;
    QLineEdit *addressLine = nullptr;
    QString libraryDir;
};

SHELVIO_TEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
