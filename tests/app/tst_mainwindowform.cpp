#include "app/mainwindow.h"
#include "core/logger.h"
#include "tests/support/startedwindow.h"
#include "tests/support/testmain.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QSqlDatabase>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace {

// Object names of a menu's or tool bar's entries, separators as "-", sub-menus by their menu's name.
QStringList entryNames(const QWidget *widget)
{
    QStringList names;
    const auto *toolbar = qobject_cast<const QToolBar *>(widget);
    const QList<QAction *> actions = widget->actions();
    for (QAction *action : actions) {
        const QWidget *embedded = toolbar ? toolbar->widgetForAction(action) : nullptr;
        if (action->isSeparator())
            names.append(QStringLiteral("-"));
        else if (embedded && !qobject_cast<const QToolButton *>(embedded))
            names.append(embedded->objectName());
        else if (action->menu())
            names.append(action->menu()->objectName());
        else
            names.append(action->objectName());
    }
    return names;
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void windowHasTitleIconAndSize();
    void layoutHasTheNamedWidgets();
    void libraryTreeListsBooksAuthorsAndWebPages();
    void menusAreInOrder();
    void toolBarIsInOrder();
    void onlyViewListAndNotesAreCheckable();
    void everyActionHasAnIcon();
    void addButtonOpensItsMenuOnPress();
    void loggingEnginesAreRegisteredSilent();
    void quitClosesTheWindow();

private:
    template<typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }

    std::unique_ptr<MainWindow> window;
};

void TestMainWindowForm::initTestCase()
{
    window = startMainWindow();
}

void TestMainWindowForm::cleanupTestCase()
{
    window.reset();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

void TestMainWindowForm::windowHasTitleIconAndSize()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Shelvio"));
    QCOMPARE(window->size(), QSize(800, 600));
    QCOMPARE(window->minimumSize(), QSize(800, 600));
    QCOMPARE(iconImage(window->windowIcon()), iconImage(QIcon(QStringLiteral(":/icons/icons/32x32/bookshelf.png"))));
    QVERIFY(!window->windowIcon().isNull());
}

void TestMainWindowForm::layoutHasTheNamedWidgets()
{
    QCOMPARE(window->centralWidget()->objectName(), QStringLiteral("main"));

    auto *vSplitter = child<QSplitter>("vSplitter");
    QVERIFY(vSplitter);
    QCOMPARE(vSplitter->orientation(), Qt::Horizontal);
    QCOMPARE(vSplitter->handleWidth(), 2);
    QCOMPARE(vSplitter->widget(0)->objectName(), QStringLiteral("verticalLayoutWidget"));
    QCOMPARE(vSplitter->widget(1)->objectName(), QStringLiteral("verticalLayoutWidget_2"));

    auto *filter = child<QLineEdit>("lineEdit");
    QVERIFY(filter);
    QCOMPARE(filter->placeholderText(), QStringLiteral("Filter..."));

    auto *toolbox = child<QToolBox>("mainToolbox");
    QVERIFY(toolbox);
    QCOMPARE(toolbox->count(), 2);
    QCOMPARE(toolbox->itemText(0), QStringLiteral("Libraries"));
    QCOMPARE(toolbox->widget(0)->objectName(), QStringLiteral("libraryItems"));
    QCOMPARE(toolbox->itemText(1), QStringLiteral("Information"));
    QCOMPARE(toolbox->widget(1)->objectName(), QStringLiteral("page"));
    QCOMPARE(toolbox->currentIndex(), 0);
    QCOMPARE(toolbox->font().family(), QStringLiteral("Arial"));
    QVERIFY(toolbox->widget(0)->findChild<QTreeWidget *>(QStringLiteral("libraryList")));
    QVERIFY(toolbox->widget(1)->findChild<QTextBrowser *>(QStringLiteral("informationPanel")));

    auto *splitter = child<QSplitter>("splitter");
    QVERIFY(splitter);
    QCOMPARE(splitter->orientation(), Qt::Vertical);
    QCOMPARE(splitter->handleWidth(), 2);
    QCOMPARE(splitter->parentWidget()->objectName(), QStringLiteral("verticalLayoutWidget_2"));
    auto *tabs = qobject_cast<QTabWidget *>(splitter->widget(0));
    QVERIFY(tabs);
    QCOMPARE(tabs->objectName(), QStringLiteral("tabWidget"));
    QVERIFY(tabs->tabsClosable());
    QCOMPARE(tabs->tabPosition(), QTabWidget::North);
    QCOMPARE(splitter->widget(1)->objectName(), QStringLiteral("stackedWidget"));
    QVERIFY(qobject_cast<QStackedWidget *>(splitter->widget(1)));

    const auto *tree = child<QTreeWidget>("libraryList");
    const auto *panel = child<QTextBrowser>("informationPanel");
    for (const QWidget *framed : {static_cast<const QWidget *>(tree), static_cast<const QWidget *>(panel)}) {
        QVERIFY(framed->styleSheet().contains(QStringLiteral("#CCE1EF")));
        QVERIFY(framed->styleSheet().contains(QStringLiteral("border-radius: 3px")));
        QCOMPARE(framed->font().family(), QStringLiteral("Arial"));
    }
    QVERIFY(tree->styleSheet().contains(QStringLiteral("background: white")));
}

void TestMainWindowForm::libraryTreeListsBooksAuthorsAndWebPages()
{
    auto *tree = child<QTreeWidget>("libraryList");
    QCOMPARE(tree->columnCount(), 1);
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("Main"));
    QCOMPARE(tree->topLevelItemCount(), 5);

    const struct
    {
        const char *text;
        const char *icon;
    } entries[] = {
        {"Books", ":/icons/icons/32x32/books.png"},     {"Authors", ":/icons/icons/32x32/group.png"},
        {"Web Pages", ":/icons/icons/32x32/world.png"}, {"Tags", ":/icons/icons/32x32/bookshelf.png"},
        {"Series", ":/icons/icons/32x32/books.png"},
    };
    for (int row = 0; row < 5; ++row) {
        const QTreeWidgetItem *item = tree->topLevelItem(row);
        QCOMPARE(item->text(0), QLatin1String(entries[row].text));
        QVERIFY(!item->icon(0).isNull());
        QCOMPARE(iconImage(item->icon(0)), iconImage(QIcon(QLatin1String(entries[row].icon))));
    }
    // An empty library has no authors to list.
    QCOMPARE(tree->topLevelItem(1)->childCount(), 0);
}

void TestMainWindowForm::menusAreInOrder()
{
    const QMenuBar *bar = window->menuBar();
    QStringList titles;
    const QList<QAction *> menus = bar->actions();
    for (const QAction *action : menus)
        titles.append(action->text());
    QCOMPARE(titles, (QStringList{"File", "&Library", "&Edit", "&View", "Settings", "&Help"}));

    QCOMPARE(entryNames(child<QMenu>("menuFile")), (QStringList{"actionOpen_2", "menuRecentFiles", "-", "actionQuit"}));
    QCOMPARE(entryNames(child<QMenu>("menuLibrary")), (QStringList{"menuAdd", "-"}));
    QCOMPARE(child<QMenu>("menuAdd")->title(), QStringLiteral("Add"));
    QCOMPARE(entryNames(child<QMenu>("menuAdd")),
             (QStringList{"actionSingle_eBook", "actionMultiple_eBooks", "actionMultiple_eBooks_2"}));
    QCOMPARE(entryNames(child<QMenu>("menuEdit")),
             (QStringList{"actionProperties", "actionDelete", "-", "actionSelectAll", "actionFind"}));
    QCOMPARE(
        entryNames(child<QMenu>("menuView")),
        (QStringList{"actionList", "actionView", "-", "actionShowLibrary", "actionShowInformation", "actionNotes"}));
    QCOMPARE(entryNames(child<QMenu>("menuSettings")), QStringList{"actionConfiguration"});
    QCOMPARE(entryNames(child<QMenu>("menuHelp")), (QStringList{"actionCredits", "-", "actionAbout"}));

    QCOMPARE(child<QAction>("actionSingle_eBook")->text(), QStringLiteral("Single Book"));
    QCOMPARE(child<QAction>("actionMultiple_eBooks")->text(), QStringLiteral("Multiple Books (Directory)"));
    QCOMPARE(child<QAction>("actionMultiple_eBooks_2")->text(), QStringLiteral("Multiple Books (Directory + Sub dir)"));
    QCOMPARE(child<QAction>("actionConfiguration")->text(), QStringLiteral("Preferences"));
}

void TestMainWindowForm::toolBarIsInOrder()
{
    auto *toolbar = child<QToolBar>("toolbar");
    QVERIFY(toolbar);
    QCOMPARE(toolbar->windowTitle(), QStringLiteral("Main Toolbar"));
    QVERIFY(!toolbar->isMovable());
    QCOMPARE(toolbar->iconSize(), QSize(32, 32));
    QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(window->toolBarArea(toolbar), Qt::TopToolBarArea);
    QCOMPARE(entryNames(toolbar),
             (QStringList{"actionOpen", "-", "actionAdd", "-", "actionConvert", "actionSync", "actionNotes", "-",
                          "actionWeb", "actionCloud", "actionNotices", "-", "actionView", "actionList", "-",
                          "actionQuit", "-", "searchbox"}));

    const QStringList texts{"Open",  "Add",     "Convert",   "Sync", "Notes", "Web",
                            "Cloud", "Notices", "Icon View", "List", "Quit"};
    QStringList shown;
    const QList<QAction *> actions = toolbar->actions();
    for (QAction *action : actions) {
        if (!action->isSeparator() && qobject_cast<QToolButton *>(toolbar->widgetForAction(action)))
            shown.append(action->text());
    }
    QCOMPARE(shown, texts);
    QCOMPARE(child<QAction>("actionList")->toolTip(), QStringLiteral("Detailed View"));
}

void TestMainWindowForm::onlyViewListAndNotesAreCheckable()
{
    QStringList checkable;
    const QList<QAction *> actions = window->findChildren<QAction *>();
    for (const QAction *action : actions) {
        if (action->isCheckable() && action->objectName().startsWith(QLatin1String("action")))
            checkable.append(action->objectName());
    }
    checkable.sort();
    QCOMPARE(checkable,
             (QStringList{"actionList", "actionNotes", "actionShowInformation", "actionShowLibrary", "actionView"}));
}

void TestMainWindowForm::everyActionHasAnIcon()
{
    const QList<QAction *> actions = window->findChildren<QAction *>();
    int named = 0;
    for (const QAction *action : actions) {
        if (!action->objectName().startsWith(QLatin1String("action")))
            continue;
        ++named;
        QVERIFY2(!action->icon().pixmap(QSize(16, 16)).isNull(), qPrintable(action->objectName()));
    }
    QCOMPARE(named, 28);
}

void TestMainWindowForm::addButtonOpensItsMenuOnPress()
{
    auto *toolbar = child<QToolBar>("toolbar");
    auto *button = qobject_cast<QToolButton *>(toolbar->widgetForAction(child<QAction>("actionAdd")));
    QVERIFY(button);
    QCOMPARE(button->popupMode(), QToolButton::InstantPopup);
    QMenu *menu = button->menu();
    QVERIFY(menu);
    QCOMPARE(menu->styleSheet(), QStringLiteral("QMenu {    } "));
    QCOMPARE(entryNames(menu), (QStringList{"actionAddEbook", "actionAdd_Mutiple", "actionAdd_Mutiple_Recusive"}));
    QStringList texts;
    const QList<QAction *> actions = menu->actions();
    for (const QAction *action : actions) {
        QVERIFY(action->isIconVisibleInMenu());
        texts.append(action->text());
    }
    QCOMPARE(texts, (QStringList{"Single Book", "Mutiple Books (Dir)", "Mutiple Books (Dir+Sub-dirs)"}));
}

void TestMainWindowForm::loggingEnginesAreRegisteredSilent()
{
    const Logger &logger = Logger::instance();
    QCOMPARE(logger.engineFileName(QStringLiteral("dbg")), QStringLiteral("debug.log"));
    QCOMPARE(logger.engineFileName(QStringLiteral("app")), QStringLiteral("info.log"));
    QCOMPARE(logger.enabledLevels(QStringLiteral("dbg")), Logger::Levels(Logger::NoLevels));
    QCOMPARE(logger.enabledLevels(QStringLiteral("app")), Logger::Levels(Logger::NoLevels));
    // Start-up logs several messages; with every level off none reaches a file.
    QVERIFY(!QFile::exists(QStringLiteral("debug.log")));
    QVERIFY(!QFile::exists(QStringLiteral("info.log")));
}

void TestMainWindowForm::quitClosesTheWindow()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    child<QAction>("actionQuit")->trigger();
    QVERIFY(!window->isVisible());
}

SHELVIO_TEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
