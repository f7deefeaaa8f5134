#include "app/mainwindow.h"
#include "reader/reader.h"
#include "tests/support/epubbuilder.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"

#include <QAction>
#include <QFileDialog>
#include <QPointer>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include <memory>

// The "Open" action: a book file chosen in the file dialog opens in a reader tab.
class TestMainWindowReader : public QObject
{
    Q_OBJECT

public:
    explicit TestMainWindowReader(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init()
    {
        library = std::make_unique<TestLibrary>(environment);
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup()
    {
        window.reset();
        library.reset();
        environment.reset();
    }

    void openPutsTheBookIntoABackgroundTab_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("long name") << QStringLiteral("averylongname.epub") << QStringLiteral("averylon..epub");
        QTest::newRow("ten characters") << QStringLiteral("abcdef.txt") << QStringLiteral("abcdef.txt");
        QTest::newRow("eleven characters") << QStringLiteral("abcdefg.txt") << QStringLiteral("abcdefg..g.txt");
    }

    void openPutsTheBookIntoABackgroundTab()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        const QString path = environment.home() + QStringLiteral("/books/") + name;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (name.endsWith(QStringLiteral(".epub")))
            QVERIFY(EpubBuilder().add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A"))).write(path));
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
            chooser->selectFile(path);
            static_cast<QDialog *>(chooser)->accept();
        });
        open->trigger();

        QCOMPARE(caption, QStringLiteral("Select Book"));
        QCOMPARE(startDirectory, QDir(environment.home()).absolutePath());
        QCOMPARE(filters, QStringList(QStringLiteral("Book Files (*.txt *.html *.epub)")));

        auto *tabs = window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->tabText(1), title);
        QCOMPARE(tabs->tabToolTip(1), path);
        QPointer<Reader> reader = qobject_cast<Reader *>(tabs->widget(1));
        QVERIFY(reader);
        auto *view = reader->findChild<QWebEngineView *>(QStringLiteral("webView"));
        QTRY_VERIFY(view->url().isLocalFile());

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

private:
    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<MainWindow> window;
};

SHELVIO_TEST_MAIN(TestMainWindowReader)
#include "tst_mainwindowreader.moc"
