#include "app/mainwindow.h"
#include "app/recentfiles.h"
#include "browser/webbrowser.h"
#include "core/settings.h"
#include "model/book.h"
#include "reader/pdfreader.h"
#include "reader/reader.h"
#include "tests/support/dialogtesting.h"
#include "tests/support/epubbuilder.h"
#include "tests/support/fixtures.h"
#include "tests/support/httptestserver.h"
#include "tests/support/offlinewebprofile.h"
#include "tests/support/startedwindow.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/viewtesting.h"
#include "views/itemviews.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWebEngineView>

#include <memory>

// The tabs of the main window's tools: a book file chosen with "Open" in a reader, the web in a
// browser ("Web"), the cloud service's page in a locked one ("Cloud").
class TestMainWindowTools : public QObject
{
    Q_OBJECT

public:
    explicit TestMainWindowTools(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.listen());
        server.setReply(
            QStringLiteral("/"),
            HttpTestServer::Reply::text("<html><title>Cloud</title></html>").withHeader("Content-Type", "text/html"));
        server.setReply(QStringLiteral("/news"),
                        HttpTestServer::Reply::text("<html><title>Today</title><body>All the news.</body></html>")
                            .withHeader("Content-Type", "text/html"));
        qputenv("SHELVIO_CLOUD_URL", server.url().toString().toUtf8());
    }

    void init()
    {
        library = std::make_unique<TestLibrary>(environment);
        window = startMainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup()
    {
        window.reset();
        library.reset();
        environment.reset();
    }

    void openPutsTheBookIntoANewCurrentTab_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("long name") << QStringLiteral("averylongname.epub") << QStringLiteral("averylon..epub");
        QTest::newRow("ten characters") << QStringLiteral("abcdef.txt") << QStringLiteral("abcdef.txt");
        QTest::newRow("eleven characters") << QStringLiteral("abcdefg.txt") << QStringLiteral("abcdefg..g.txt");
    }

    void openPutsTheBookIntoANewCurrentTab()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        const QString path = environment.home() + QStringLiteral("/books/") + name;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (name.endsWith(QStringLiteral(".epub")))
            QVERIFY(
                EpubBuilder()
                    .add(QStringLiteral("toc.ncx"),
                         EpubBuilder::ncx(EpubBuilder::navPoint(QStringLiteral("Chapter A"), QStringLiteral("a.html"))))
                    .add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A")))
                    .write(path));
        else
            library->writeFile(QStringLiteral("books/") + name, "Some words.\n");

        auto *open = window->findChild<QAction *>(QStringLiteral("actionOpen"));
        QVERIFY(open->isEnabled());
        QString caption;
        QString startDirectory;
        QStringList filters;
        QTimer::singleShot(0, window.get(), [&] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(chooser);
            caption = chooser->windowTitle();
            startDirectory = chooser->directory().absolutePath();
            filters = chooser->nameFilters();
            DialogTesting::chooseFile(chooser, path);
        });
        open->trigger();

        QCOMPARE(caption, QStringLiteral("Select Book"));
        QCOMPARE(startDirectory, QDir(environment.home()).absolutePath());
        QCOMPARE(filters, QStringList(QStringLiteral("Book Files (*.pdf *.epub *.txt *.html *.htm)")));

        auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QCOMPARE(tabs->count(), 2);
        // The book the user asked for is the tab on show, and one of the files opened lately.
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(Settings().value(Settings::RecentFiles).toStringList().value(0), path);
        QCOMPARE(tabs->tabText(1), title);
        QCOMPARE(tabs->tabToolTip(1), path);
        QPointer<Reader> reader = qobject_cast<Reader *>(tabs->widget(1));
        QVERIFY(reader);
        auto *view = reader->findChild<QWebEngineView *>(QStringLiteral("webView"));
        QTRY_VERIFY(view->url().isLocalFile());
        if (name.endsWith(QStringLiteral(".epub"))) {
            QCOMPARE(view->url().fileName(), QStringLiteral("a.html"));
            QCOMPARE(reader->findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText().trimmed(),
                     QStringLiteral("TABLE OF CONTENTS\nChapter A"));
        }

        // A reader has no icon or list view to switch to.
        auto *iconView = window->findChild<QAction *>(QStringLiteral("actionView"));
        auto *list = window->findChild<QAction *>(QStringLiteral("actionList"));
        tabs->setCurrentIndex(1);
        QVERIFY(!iconView->isEnabled());
        QVERIFY(!list->isEnabled());
        tabs->setCurrentIndex(0);
        QVERIFY(iconView->isEnabled());

        emit tabs->tabCloseRequested(1);
        QCOMPARE(tabs->count(), 1);
        QTRY_VERIFY(reader.isNull());
    }

    void pdfOpensInItsReaderOrSaysWhyNot()
    {
        Book book(nullptr, -1);
        book.setTitle(QStringLiteral("The Walled Garden"));
        book.addFile(library->writeFile(QStringLiteral("books/garden.pdf"),
                                        Fixtures::read(QStringLiteral("calibre-garden.pdf"))));
        QVERIFY(book.save());
        const QString damaged = library->writeFile(QStringLiteral("books/damaged.pdf"), "%PDF-1.4\nno pages");
        auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        auto *panel = window->findChild<QTextBrowser *>(QStringLiteral("informationPanel"));
        const auto open = [this](const QString &path) {
            QTimer::singleShot(0, window.get(), [path] {
                DialogTesting::chooseFile(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()), path);
            });
            window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();
        };

        // Read to a page and closed, the book tells how far it was read.
        open(book.getMainFilePath());
        QCOMPARE(tabs->count(), 2);
        QPointer<PdfReader> reader = qobject_cast<PdfReader *>(tabs->currentWidget());
        QVERIFY(reader);
        QCOMPARE(tabs->tabText(1), QStringLiteral("garden.pdf"));
        QVERIFY(panel->toPlainText().contains(QStringLiteral("The Walled Garden")));
        QVERIFY(!panel->toPlainText().contains(QStringLiteral("Read to page")));
        QTest::keyClick(reader->findChild<QWidget *>(QStringLiteral("pdfView")), Qt::Key_PageDown);
        emit tabs->tabCloseRequested(1);
        QTRY_VERIFY(reader.isNull());
        open(book.getMainFilePath());
        QVERIFY(panel->toPlainText().contains(QStringLiteral("Read to page 2 of 33")));

        // A file that is no PDF opens no tab, and the message says so.
        QString message;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &watch, [&message] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                message = box->text();
                box->accept();
            }
        });
        watch.start(10);
        open(damaged);
        QVERIFY2(message.endsWith(QStringLiteral("This file is not a readable PDF.")), qPrintable(message));
        QCOMPARE(tabs->count(), 2);
    }

    void libraryTextIsIndexedByItselfAndCanBePaused()
    {
        const int iid = TestLibrary::storeBook(QStringLiteral("The Walled Garden"),
                                               {library->writeFile(QStringLiteral("books/garden.pdf"),
                                                                   Fixtures::read(QStringLiteral("calibre-garden.pdf")))});
        const QString fid = TestLibrary::rows(QStringLiteral("SELECT fid FROM files WHERE iid = %1").arg(iid))
                                .value(0)
                                .value(0)
                                .toString();
        QTRY_COMPARE_WITH_TIMEOUT(
            TestLibrary::rows(QStringLiteral("SELECT fid, part FROM fulltext WHERE fulltext MATCH 'quince'")),
            QList<QVariantList>({{fid, 19}}), 20000);

        // Paused, it says so at the next start, and goes on when resumed.
        Settings().setValue(Settings::FullTextIndexing, false);
        window = startMainWindow();
        window->show();
        TestLibrary::storeBook(QStringLiteral("Notes"),
                               {library->writeFile(QStringLiteral("books/notes.txt"), "Medlars ripen late")});
        auto *pause = window->findChild<QToolButton *>(QStringLiteral("btnFullTextPause"));
        QVERIFY(pause->isVisible());
        QCOMPARE(pause->text(), QStringLiteral("Resume"));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("fullTextProgress"))->text(),
                 QStringLiteral("Indexing paused"));
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(Settings().value(Settings::FullTextIndexing).toBool());
        QTRY_COMPARE_WITH_TIMEOUT(
            TestLibrary::rows(QStringLiteral("SELECT count(*) FROM fulltext WHERE fulltext MATCH 'medlars'")),
            QList<QVariantList>({{1}}), 20000);
    }

    void fullTextHitsOpenTheirPage()
    {
        TestLibrary::storeBook(QStringLiteral("The Walled Garden"),
                               {library->writeFile(QStringLiteral("books/garden.pdf"),
                                                   Fixtures::read(QStringLiteral("calibre-garden.pdf")))});
        TestLibrary::storeBook(QStringLiteral("Dune"), {library->writeFile(QStringLiteral("books/dune.txt"), "Spice")});
        window = startMainWindow();
        window->show();
        QTRY_COMPARE_WITH_TIMEOUT(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM fulltextfiles")),
                                  QList<QVariantList>({{2}}), 20000);

        auto *box = window->findChild<QLineEdit *>(QStringLiteral("searchBox"));
        QMenu *scopes = window->findChild<QToolButton *>(QStringLiteral("btnScope"))->menu();
        scopes->actions().at(1)->trigger();
        QTest::keyClicks(box, QStringLiteral("quince"));
        auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        auto *books = qobject_cast<ItemViews *>(tabs->widget(0));
        QTRY_COMPARE(ViewTesting::table(*books)->rowCount(), 1);
        QVERIFY(ViewTesting::shows(*books, QStringLiteral("The Walled Garden")));
        auto *hits = books->findChild<QListWidget *>(QStringLiteral("fullTextResults"));
        QVERIFY(hits->isVisible());
        QCOMPARE(hits->count(), 1);
        QVERIFY2(hits->item(0)->text().contains(QStringLiteral("page 19")), qPrintable(hits->item(0)->text()));
        QVERIFY(hits->item(0)->text().contains(QStringLiteral("<b>quince</b>")));

        // A hit opens its page, with the word searched for there.
        emit hits->itemActivated(hits->item(0));
        auto *reader = qobject_cast<PdfReader *>(tabs->currentWidget());
        QVERIFY(reader);
        QCOMPARE(reader->findChild<QSpinBox *>(QStringLiteral("pageSpin"))->value(), 19);
        QCOMPARE(reader->findChild<QLineEdit *>(QStringLiteral("searchEdit"))->text(), QStringLiteral("quince"));

        // A phrase left open is told under the box.
        tabs->setCurrentIndex(0);
        DialogTesting::retype(box, QStringLiteral("\"walled gar"));
        auto *message = window->findChild<QLabel *>(QStringLiteral("searchMessage"));
        // Shown by the box, whether or not the tool bar has room for it.
        QTRY_VERIFY(!message->isHidden());
        QCOMPARE(message->text(), QStringLiteral("Unfinished phrase: add the closing quote"));
    }

    void recentFilesReopenInTabsThatFillThePanels()
    {
        window.reset();
        const QString notes = library->writeFile(QStringLiteral("notes.txt"), "plain words");
        Book read(nullptr, -1);
        read.setTitle(QStringLiteral("Read Along"));
        read.addFile(library->writeFile(QStringLiteral("books/along.txt"), "a library book"));
        QVERIFY(read.save());
        RecentFiles::add(read.getMainFilePath());
        RecentFiles::add(notes);
        window = startMainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        auto *panel = window->findChild<QTextBrowser *>(QStringLiteral("informationPanel"));
        QMenu *recent = window->findChild<QAction *>(QStringLiteral("actionRecent_Files"))->menu();
        emit recent->aboutToShow();
        QCOMPARE(recent->actions().size(), 2);
        // A library file brings its book into the panels, any other file clears them.
        recent->actions().at(1)->trigger();
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(panel->toPlainText().contains(QStringLiteral("Read Along")));
        recent->actions().at(0)->trigger();
        QCOMPARE(tabs->currentIndex(), 2);
        QVERIFY(qobject_cast<Reader *>(tabs->currentWidget()));
        QVERIFY(panel->toPlainText().isEmpty());
        // Ctrl+W closes the tab on show.
        QTest::keyClick(window.get(), Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(tabs->count(), 2);
    }

    void cancelledChoiceOpensNothing()
    {
        QTimer::singleShot(0, window.get(), [] {
            auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(chooser);
            chooser->reject();
        });
        window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();
        QCOMPARE(window->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->count(), 1);
    }

    void webAndCloudOpenBrowserTabs()
    {
        auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        window->findChild<QAction *>(QStringLiteral("actionWeb"))->trigger();
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(1), QStringLiteral("Browser"));
        QCOMPARE(tabs->currentIndex(), 1);
        auto *web = qobject_cast<WebBrowser *>(tabs->widget(1));
        QVERIFY(web);
        QVERIFY(web->findChild<QLineEdit *>(QStringLiteral("URL"))->isEnabled());

        window->findChild<QAction *>(QStringLiteral("actionCloud"))->trigger();
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(2), QStringLiteral("Cloud"));
        QCOMPARE(tabs->currentIndex(), 2);
        auto *cloud = qobject_cast<WebBrowser *>(tabs->widget(2));
        QVERIFY(cloud);
        QVERIFY(!cloud->findChild<QLineEdit *>(QStringLiteral("URL"))->isEnabled());
        QCOMPARE(cloud->address(), server.url().toString());
        QTRY_VERIFY(offline.pagesRequested.contains(server.url()));
        QTRY_COMPARE(cloud->findChild<QWebEngineView *>(QStringLiteral("webView"))->title(), QStringLiteral("Cloud"));
    }

    void capturedPageAppearsInTheWebPagesTab()
    {
        auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("libraryList"));
        QTreeWidgetItem *pagesEntry = tree->topLevelItem(2);
        QCOMPARE(pagesEntry->text(0), QStringLiteral("Web Pages"));
        emit tree->itemDoubleClicked(pagesEntry, 0);
        auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        auto *pages = qobject_cast<ItemViews *>(tabs->widget(1));
        QVERIFY(pages);
        auto *pageTable = pages->findChild<QTableWidget *>(QStringLiteral("viewTable"));
        QCOMPARE(pageTable->rowCount(), 0);

        window->findChild<QAction *>(QStringLiteral("actionWeb"))->trigger();
        auto *browser = qobject_cast<WebBrowser *>(tabs->currentWidget());
        auto *view = browser->findChild<QWebEngineView *>(QStringLiteral("webView"));
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(10000)); // the blank start page
        loaded.clear();
        const QUrl news = server.url(QStringLiteral("/news"));
        browser->loadAddress(news.toString());
        // The address changes before the page has loaded; only the end of its own load tells.
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty() && loaded.last().at(0).toBool() && view->url() == news, 10000);
        QCOMPARE(view->title(), QStringLiteral("Today"));

        QSignalSpy captured(browser, &WebBrowser::newViewItem);
        QTest::mouseClick(browser->findChild<QToolButton *>(QStringLiteral("btnDownload")), Qt::LeftButton);
        QVERIFY(captured.wait(30000));
        QCOMPARE(pageTable->rowCount(), 1);
        tabs->setCurrentWidget(pages);
        pageTable = ViewTesting::table(*pages);
        QCOMPARE(pageTable->item(0, 0)->text(), QStringLiteral("Today"));
        QCOMPARE(pageTable->item(0, 1)->text(), server.url(QStringLiteral("/news")).toString());
        // Books tabs show books only.
        QCOMPARE(qobject_cast<ItemViews *>(tabs->widget(0))
                     ->findChild<QTableWidget *>(QStringLiteral("viewTable"))
                     ->rowCount(),
                 0);
    }

private:
    TestEnvironment &environment;
    HttpTestServer server;
    OfflineWebProfile offline;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<MainWindow> window;
};

SHELVIO_TEST_MAIN(TestMainWindowTools)
#include "tst_mainwindowtools.moc"
