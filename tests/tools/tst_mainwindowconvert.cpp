#include "app/mainwindow.h"
#include "core/settings.h"
#include "model/book.h"
#include "model/viewitem.h"
#include "tests/support/dialogtesting.h"
#include "tests/support/libraryrows.h"
#include "tests/support/startedwindow.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/viewtesting.h"
#include "tests/tools/modaldriver.h"
#include "tools/configapps.h"
#include "tools/conversionwizard.h"
#include "views/itemviews.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

// Writes the output file named by its second argument, as Calibre's converter does.
const QByteArray StandInConverter = R"(#!/bin/sh
echo "Converting $1"
printf 'EPUB' > "$2"
)";

void press(QWizard &wizard, QWizard::WizardButton which)
{
    QAbstractButton *button = wizard.button(which);
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

ModalDriver::Ready onPage(QWizard &wizard, int id, bool nextEnabled = true)
{
    return [&wizard, id, nextEnabled](QWidget *widget) {
        return widget == &wizard && wizard.currentId() == id
            && wizard.button(QWizard::NextButton)->isEnabled() == nextEnabled;
    };
}

} // namespace

// The main window's part in a conversion: the Convert action shows the one wizard, a book's "Convert"
// entry in any books tab converts that book, and every tab then shows the added EPUB.
class TestMainWindowConvert : public QObject
{
    Q_OBJECT

public:
    explicit TestMainWindowConvert(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void convertActionShowsTheWizardBesideTheWindow();
    void convertEntryConvertsTheBookAndEveryTabShowsTheEpub();

private:
    ConversionWizard *wizard() const { return window->findChild<ConversionWizard *>(); }
    ItemViews *tab(int index) const;
    // Selects the book's row in the tab, which becomes the current one, and returns what the row shows.
    const ViewItem *select(int index, const QString &title);
    // Chooses the entry in the tab's context menu, as a right click and a click on the entry do.
    bool chooseFromContextMenu(int index, const QString &entry);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<MainWindow> window;
    QString pdf;
    int iid = 0;
};

void TestMainWindowConvert::init()
{
    library = std::make_unique<TestLibrary>(environment);
    pdf = library->writeFile(QStringLiteral("books/Dune.pdf"), "%PDF-1.4");
    Book book(nullptr, -1);
    book.setTitle(QStringLiteral("Dune"));
    book.addFile(pdf);
    QVERIFY(book.save());
    iid = book.getIid();

    const QString converter
        = library->writeFile(QStringLiteral("calibre/") + ConfigApps::converterFileName(), StandInConverter);
    QVERIFY(QFile::setPermissions(converter, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    Settings settings;
    settings.setValue(Settings::CalibreDirPath, QFileInfo(converter).absolutePath());
    settings.setValue(Settings::CalibreConvertorPath, converter);

    window = startMainWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMainWindowConvert::cleanup()
{
    DialogTesting::closeModalWindows();
    window.reset();
    library.reset();
}

ItemViews *TestMainWindowConvert::tab(int index) const
{
    return qobject_cast<ItemViews *>(window->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->widget(index));
}

const ViewItem *TestMainWindowConvert::select(int index, const QString &title)
{
    window->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(index);
    QTableWidget *table = ViewTesting::table(*tab(index));
    const QList<QTableWidgetItem *> found = table->findItems(title, Qt::MatchExactly);
    if (found.isEmpty())
        return nullptr;
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(found.first()).center());
    const QList<ViewItem *> selection = tab(index)->getSelection();
    return selection.size() == 1 ? selection.first() : nullptr;
}

bool TestMainWindowConvert::chooseFromContextMenu(int index, const QString &entry)
{
    bool chosen = false;
    QTimer::singleShot(0, window.get(), [&chosen, entry] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions()) {
            if (action->text() == entry && action->isEnabled()) {
                chosen = true;
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                break;
            }
        }
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    });
    QWidget *viewport = tab(index)->findChild<QTableWidget *>(QStringLiteral("viewTable"))->viewport();
    const QPoint position(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, viewport->mapToGlobal(position));
    QApplication::sendEvent(viewport, &event);
    return chosen;
}

void TestMainWindowConvert::convertActionShowsTheWizardBesideTheWindow()
{
    ConversionWizard *conversion = wizard();
    QVERIFY(conversion);
    QCOMPARE(window->findChildren<ConversionWizard *>().size(), 1);
    QCOMPARE(conversion->parent(), window.get());
    QVERIFY(!conversion->isVisible());

    auto *action = window->findChild<QAction *>(QStringLiteral("actionConvert"));
    QVERIFY(action->isEnabled());
    action->trigger();
    QVERIFY(conversion->isVisible());
    QVERIFY(!conversion->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(conversion->currentId(), int(ConversionWizard::FormatPage));

    // Shown again, it is the same wizard.
    conversion->close();
    action->trigger();
    QCOMPARE(wizard(), conversion);
    QVERIFY(conversion->isVisible());
}

void TestMainWindowConvert::convertEntryConvertsTheBookAndEveryTabShowsTheEpub()
{
    // A second books tab, opened from the library tree.
    auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("libraryList"));
    const QList<QTreeWidgetItem *> books = tree->findItems(QStringLiteral("Books"), Qt::MatchExactly);
    QVERIFY(!books.isEmpty());
    const QRect rect = tree->visualItemRect(books.first());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    QVERIFY(tab(1));
    const ViewItem *inSecondTab = select(1, QStringLiteral("Dune"));
    QVERIFY(inSecondTab);
    QCOMPARE(inSecondTab->filePaths, QStringList{pdf});

    const ViewItem *inFirstTab = select(0, QStringLiteral("Dune"));
    QVERIFY(inFirstTab);
    QCOMPARE(inFirstTab->filePaths, QStringList{pdf});
    ConversionWizard *conversion = wizard();
    ModalDriver driver;
    driver.when(onPage(*conversion, ConversionWizard::FormatPage),
                [conversion](QWidget *) { press(*conversion, QWizard::NextButton); });
    driver.when(onPage(*conversion, ConversionWizard::OutputPage),
                [conversion](QWidget *) { press(*conversion, QWizard::NextButton); });
    driver.when(onPage(*conversion, ConversionWizard::DonePage, false),
                [conversion](QWidget *) { press(*conversion, QWizard::FinishButton); });
    QVERIFY(chooseFromContextMenu(0, QStringLiteral("Convert")));
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, QStringList());
    QVERIFY(!conversion->isVisible());

    const QString epub = environment.home() + QStringLiteral("/books/Dune.epub");
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT filePath FROM files WHERE iid = %1 ORDER BY fid").arg(iid)),
             (QList<QStringList>{{pdf}, {epub}}));
    QCOMPARE(inFirstTab->filePaths, (QStringList{pdf, epub}));
    QCOMPARE(inSecondTab->filePaths, (QStringList{pdf, epub}));
}

SHELVIO_TEST_MAIN(TestMainWindowConvert)

#include "tst_mainwindowconvert.moc"
