#include "app/mainwindow.h"
#include "metadata/multiselect.h"
#include "model/book.h"
#include "model/itemroles.h"
#include "model/labeledit.h"
#include "model/records.h"
#include "model/webpage.h"
#include "tests/support/startedwindow.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/viewtesting.h"
#include "views/itemviews.h"
#include "views/searchbox.h"
#include "widgets/rating.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

public:
    explicit TestMainWindow(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void startsWithBooksTabAndAuthors();
    void treeFilterMatchesAnyWord();
    void doubleClicksOpenTabs();
    void tagsAndSeriesOpenTabsOfTheirBooks();
    void renamingToAnExistingNameMerges();
    void firstTabCannotBeClosed();
    void searchBoxFollowsTheCurrentTab();
    void viewActionsSwitchAndFollowTheTab();
    void notesToggleShowsTheEditor();
    void informationPanelShowsTitlesAsTyped();
    void notesFollowTheSelection();
    void deletingFromWebPagesTabRemovesThePage();
    void deletingFromAuthorTabHidesItEverywhere();
    void ratingInAuthorTabIsStoredAndShownEverywhere();
    void addedBookAppearsInEveryBooksTab();
    void singleBookIsAddedThroughTheProperties_data();
    void singleBookIsAddedThroughTheProperties();
    void folderOfBooksIsListedAndAdded();
    void menusKeysAndStatusBarWork();

private:
    int storeBook(const QString &title, const QStringList &authors, const QString &description = QString());
    int storePage(const QString &title, const QString &url);
    void startWindow();

    template<typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    ItemViews *tab(int index) const;
    QTreeWidgetItem *treeEntry(const QString &text) const;
    void doubleClickTreeEntry(const QString &text);
    // "Rename..." from the entry's context menu, answering the new name and, when asked, the merge.
    void renameTreeEntry(const QString &text, const QString &name);
    static QTableWidget *tableOf(ItemViews *view);
    static int rowOf(ItemViews *view, const QString &title);
    static void clickRow(ItemViews *view, const QString &title, Qt::KeyboardModifiers modifiers = {});
    // Runs the view's context menu and chooses "Delete", answering the confirmation with the button.
    static void deleteSelection(ItemViews *view, QMessageBox::StandardButton answer);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<MainWindow> window;
    int dune = 0;
    int emma = 0;
    int persuasion = 0;
    int page = 0;
};

void TestMainWindow::init()
{
    library = std::make_unique<TestLibrary>(environment);
    dune = storeBook(QStringLiteral("Dune"), {QStringLiteral("Frank Herbert")}, QStringLiteral("Spice."));
    emma = storeBook(QStringLiteral("Emma"), {QStringLiteral("Jane Austen")});
    persuasion = storeBook(QStringLiteral("Persuasion"), {QStringLiteral("Jane Austen")});
    storeBook(QStringLiteral("The Hobbit"), {QStringLiteral("J.R.R. Tolkien")});
    storeBook(QStringLiteral("Narnia"), {QStringLiteral("C.S. Lewis")});
    page = storePage(QStringLiteral("Example page"), QStringLiteral("https://example.org/"));
    startWindow();
}

void TestMainWindow::cleanup()
{
    window.reset();
    library.reset();
}

int TestMainWindow::storeBook(const QString &title, const QStringList &authors, const QString &description)
{
    Book book(nullptr, 0);
    book.setTitle(title);
    book.setDescription(description);
    book.setPageCount(QStringLiteral("12"));
    for (const QString &author : authors)
        book.addAuthor(author);
    book.addFile(library->writeFile(QStringLiteral("books/") + title + QStringLiteral(".pdf"), "%PDF-1.4"));
    if (!book.save())
        qFatal("Cannot store %s", qPrintable(title));
    return book.getIid();
}

int TestMainWindow::storePage(const QString &title, const QString &url)
{
    WebPage webPage(nullptr, -1);
    webPage.setTitle(title);
    webPage.setUrl(url);
    webPage.setDescription(QStringLiteral("An example."));
    if (!webPage.save())
        qFatal("Cannot store %s", qPrintable(title));
    return webPage.getIid();
}

void TestMainWindow::startWindow()
{
    window = startMainWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents();
}

ItemViews *TestMainWindow::tab(int index) const
{
    return qobject_cast<ItemViews *>(child<QTabWidget>("tabWidget")->widget(index));
}

QTreeWidgetItem *TestMainWindow::treeEntry(const QString &text) const
{
    const QList<QTreeWidgetItem *> found
        = child<QTreeWidget>("libraryList")->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.constFirst();
}

void TestMainWindow::doubleClickTreeEntry(const QString &text)
{
    auto *tree = child<QTreeWidget>("libraryList");
    tree->expandAll();
    QTreeWidgetItem *entry = treeEntry(text);
    QVERIFY2(entry, qPrintable(text));
    const QRect rect = tree->visualItemRect(entry);
    QVERIFY(rect.isValid());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
}

QTableWidget *TestMainWindow::tableOf(ItemViews *view)
{
    return ViewTesting::table(*view);
}

int TestMainWindow::rowOf(ItemViews *view, const QString &title)
{
    const QTableWidget *table = tableOf(view);
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0) && table->item(row, 0)->text() == title)
            return row;
    }
    return -1;
}

void TestMainWindow::clickRow(ItemViews *view, const QString &title, Qt::KeyboardModifiers modifiers)
{
    QTableWidget *table = tableOf(view);
    const int row = rowOf(view, title);
    QVERIFY2(row >= 0, qPrintable(title));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers,
                      table->visualItemRect(table->item(row, 0)).center());
}

void TestMainWindow::deleteSelection(ItemViews *view, QMessageBox::StandardButton answer)
{
    bool answered = false;
    QTimer::singleShot(0, view, [&answered, answer] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *remove = nullptr;
        const QList<QAction *> actions = menu->actions();
        for (QAction *action : actions) {
            if (action->text() == QLatin1String("Delete"))
                remove = action;
        }
        QVERIFY(remove);
        QTimer::singleShot(0, menu, [&answered, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            box->button(answer)->click();
            answered = true;
        });
        menu->close();
        remove->trigger();
    });
    emit tableOf(view)->customContextMenuRequested(QPoint());
    QVERIFY(answered);
}

void TestMainWindow::startsWithBooksTabAndAuthors()
{
    auto *tabs = child<QTabWidget>("tabWidget");
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Books"));
    QCOMPARE(tabs->iconSize(), QSize(20, 20));
    QCOMPARE(tableOf(tab(0))->rowCount(), 5);
    QCOMPARE(tableOf(tab(0))->item(0, 0)->text(), QStringLiteral("Dune"));
    QVERIFY(!child<QStackedWidget>("stackedWidget")->isVisible());

    QTreeWidgetItem *authors = child<QTreeWidget>("libraryList")->topLevelItem(1);
    QStringList names;
    for (int index = 0; index < authors->childCount(); ++index)
        names.append(authors->child(index)->text(0));
    QCOMPARE(names, QStringList({"Austen, Jane", "Herbert, Frank", "Lewis, C.S.", "Tolkien, J.R.R."}));
    const QList<QVariantList> austen
        = TestLibrary::rows(QStringLiteral("SELECT aid FROM authors WHERE lastName = 'Austen'"));
    QCOMPARE(authors->child(0)->data(0, 43), austen.value(0).value(0));

    QList<QAction *> toolbarActions = child<QToolBar>("toolbar")->actions();
    QCOMPARE(child<QToolBar>("toolbar")->widgetForAction(toolbarActions.takeLast())->objectName(),
             QStringLiteral("searchbox"));
    QVERIFY(toolbarActions.constLast()->isSeparator());
}

void TestMainWindow::treeFilterMatchesAnyWord()
{
    auto *filter = child<QLineEdit>("lineEdit");
    auto *tree = child<QTreeWidget>("libraryList");
    QTest::keyClicks(filter, QStringLiteral(" tolkien LEWIS "));
    QCOMPARE(filter->styleSheet(), QStringLiteral("QLineEdit{background: #D8FCD7}"));
    QTreeWidgetItem *authors = tree->topLevelItem(1);
    QVERIFY(authors->isExpanded());
    QStringList shown;
    for (int index = 0; index < authors->childCount(); ++index) {
        if (!authors->child(index)->isHidden())
            shown.append(authors->child(index)->text(0));
    }
    QCOMPARE(shown, QStringList({"Lewis, C.S.", "Tolkien, J.R.R."}));
    for (int index = 0; index < tree->topLevelItemCount(); ++index)
        QVERIFY(!tree->topLevelItem(index)->isHidden());

    // A text that is no valid expression is matched as typed.
    filter->setText(QStringLiteral("(austen"));
    QVERIFY(treeEntry(QStringLiteral("Herbert, Frank"))->isHidden());
    filter->setText(QStringLiteral("Herbert, ("));
    QVERIFY(!treeEntry(QStringLiteral("Herbert, Frank"))->isHidden());

    filter->clear();
    QCOMPARE(filter->styleSheet(), QStringLiteral("QLineEdit{background: none}"));
    QVERIFY(!authors->isExpanded());
    for (int index = 0; index < authors->childCount(); ++index)
        QVERIFY(!authors->child(index)->isHidden());
}

void TestMainWindow::tagsAndSeriesOpenTabsOfTheirBooks()
{
    const auto label = [](const QString &title, double position) {
        const QList<QVariantList> found
            = TestLibrary::rows(QStringLiteral("SELECT iid FROM books WHERE title = '%1'").arg(title));
        Book book(nullptr, found.value(0).value(0).toInt());
        book.setTags({QStringLiteral("Classics")});
        book.setSeries({QStringLiteral("Austen Novels"), position});
        return book.save();
    };
    QVERIFY(label(QStringLiteral("Persuasion"), 1));
    QVERIFY(label(QStringLiteral("Emma"), 2));
    emit tab(0)->labelsChanged();
    const auto titles = [this](ItemViews *view) {
        QStringList shown;
        for (int row = 0; row < tableOf(view)->rowCount(); ++row)
            shown.append(tableOf(view)->item(row, 0)->text());
        return shown;
    };

    auto *tabs = child<QTabWidget>("tabWidget");
    // A series in the order of its numbers.
    doubleClickTreeEntry(QStringLiteral("Austen Novels (2)"));
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(tabs->tabText(1), QStringLiteral("Austen Novels"));
    QCOMPARE(titles(tab(1)), QStringList({"Persuasion", "Emma"}));
    doubleClickTreeEntry(QStringLiteral("Classics (2)"));
    QCOMPARE(tabs->currentIndex(), 2);
    QCOMPARE(titles(tab(2)), QStringList({"Emma", "Persuasion"}));
    // A search stays with the tag's books.
    tab(2)->search(QStringLiteral("e"));
    QCOMPARE(titles(tab(2)), QStringList({"Emma", "Persuasion"}));
    tab(2)->search(QStringLiteral("dune"));
    QCOMPARE(titles(tab(2)), QStringList());
}

void TestMainWindow::renameTreeEntry(const QString &text, const QString &name)
{
    auto *tree = child<QTreeWidget>("libraryList");
    tree->expandAll();
    QTreeWidgetItem *entry = treeEntry(text);
    QVERIFY2(entry, qPrintable(text));
    tree->scrollToItem(entry);
    QTimer::singleShot(0, [name] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QTimer::singleShot(0, [name] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setTextValue(name);
            QTimer::singleShot(0, [] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                    box->button(QMessageBox::Yes)->click();
            });
            dialog->accept();
        });
        menu->actions().constFirst()->trigger();
        menu->close();
    });
    const QPoint position = tree->visualItemRect(entry).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, tree->viewport()->mapToGlobal(position));
    QApplication::sendEvent(tree->viewport(), &event);
}

void TestMainWindow::renamingToAnExistingNameMerges()
{
    // As the tabs' menus do, on the records the first tab holds.
    const auto label = [](int iid, const QStringList &tags, const QString &series) {
        const std::shared_ptr<Item> record = Records::find(iid);
        return record && LabelEdit::addTags({record.get()}, tags) && LabelEdit::setSeries({record.get()}, series, 1);
    };
    QVERIFY(label(persuasion, {QStringLiteral("Classics")}, QStringLiteral("Austen")));
    QVERIFY(label(emma, {QStringLiteral("Old Books"), QStringLiteral("Classics")}, QStringLiteral("Austen Novels")));
    QVERIFY(label(dune, {QStringLiteral("Old Books")}, QStringLiteral("Dune Saga")));
    // The entries count the books their tabs show, not the web pages.
    WebPage tagged(nullptr, page);
    tagged.setTags({QStringLiteral("Classics")});
    QVERIFY(tagged.save());
    emit tab(0)->labelsChanged();
    QVERIFY(treeEntry(QStringLiteral("Classics (2)")));
    doubleClickTreeEntry(QStringLiteral("Old Books (2)"));
    auto *tabs = child<QTabWidget>("tabWidget");
    QCOMPARE(tabs->count(), 2);
    const auto tagsOf = [this](const QString &title) { return tableOf(tab(0))->item(rowOf(tab(0), title), 5)->text(); };

    renameTreeEntry(QStringLiteral("Old Books (2)"), QStringLiteral(" Vintage "));
    QVERIFY(treeEntry(QStringLiteral("Vintage (2)")));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Vintage"));
    QCOMPARE(tagsOf(QStringLiteral("Dune")), QStringLiteral("Vintage"));

    // Merged into the tag first stored; a book that had both has it once, and the merged tag's tab goes.
    renameTreeEntry(QStringLiteral("Vintage (2)"), QStringLiteral("classics"));
    QVERIFY(treeEntry(QStringLiteral("Classics (3)")));
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tagsOf(QStringLiteral("Emma")), QStringLiteral("Classics"));
    QCOMPARE(tagsOf(QStringLiteral("Dune")), QStringLiteral("Classics"));
    QCOMPARE(
        TestLibrary::rows(QStringLiteral("SELECT name, count(*) FROM tags JOIN itemtags USING (tid) GROUP BY tid")),
        QList<QVariantList>({{QStringLiteral("Classics"), 4}}));

    renameTreeEntry(QStringLiteral("Austen (1)"), QStringLiteral("austen novels"));
    QVERIFY(treeEntry(QStringLiteral("Austen Novels (2)")));
    QCOMPARE(tableOf(tab(0))->item(rowOf(tab(0), QStringLiteral("Persuasion")), 6)->text(),
             QStringLiteral("Austen Novels [1]"));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM series")), QList<QVariantList>({{2}}));
}

void TestMainWindow::doubleClicksOpenTabs()
{
    auto *tabs = child<QTabWidget>("tabWidget");
    doubleClickTreeEntry(QStringLiteral("Books"));
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(tab(1)->getKind(), QStringLiteral("Books"));

    doubleClickTreeEntry(QStringLiteral("Web Pages"));
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->currentIndex(), 2);
    QCOMPARE(tabs->tabText(2), QStringLiteral("Web Pages"));
    QTableWidget *pages = tableOf(tab(2));
    QCOMPARE(pages->columnCount(), 4);
    QCOMPARE(pages->horizontalHeaderItem(1)->text(), QStringLiteral("Url"));
    QCOMPARE(pages->rowCount(), 1);
    QCOMPARE(pages->item(0, 1)->text(), QStringLiteral("https://example.org/"));

    doubleClickTreeEntry(QStringLiteral("Austen, Jane"));
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(tabs->currentIndex(), 2);
    QCOMPARE(tabs->tabText(3), QStringLiteral("Austen, Jane"));
    QCOMPARE(tab(3)->getKind(), QStringLiteral("BooksAuthor"));
    QCOMPARE(tableOf(tab(3))->rowCount(), 2);

    doubleClickTreeEntry(QStringLiteral("Authors"));
    QCOMPARE(tabs->count(), 4);
}

void TestMainWindow::firstTabCannotBeClosed()
{
    auto *tabs = child<QTabWidget>("tabWidget");
    doubleClickTreeEntry(QStringLiteral("Web Pages"));
    QCOMPARE(tabs->count(), 2);
    QPointer<QWidget> first = tabs->widget(0);
    QPointer<QWidget> second = tabs->widget(1);
    QVERIFY(!tabs->tabBar()->tabButton(0, QTabBar::RightSide));

    emit tabs->tabBar()->tabCloseRequested(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(tabs->count(), 2);
    QVERIFY(first);

    auto *close = qobject_cast<QAbstractButton *>(tabs->tabBar()->tabButton(1, QTabBar::RightSide));
    QVERIFY(close);
    close->click();
    QCOMPARE(tabs->count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!second);
    QVERIFY(first);
}

void TestMainWindow::searchBoxFollowsTheCurrentTab()
{
    auto *tabs = child<QTabWidget>("tabWidget");
    auto *box = child<QLineEdit>("searchBox");
    ItemViews *books = tab(0);
    QTest::keyClicks(box, QStringLiteral("Dune"));
    QTRY_COMPARE(books->searchTerms(), QStringLiteral("Dune"));
    QVERIFY(ViewTesting::shows(*books, QStringLiteral("Dune")));
    QVERIFY(!ViewTesting::shows(*books, QStringLiteral("Emma")));

    doubleClickTreeEntry(QStringLiteral("Books"));
    ItemViews *second = tab(1);
    QCOMPARE(box->text(), QString());
    QCOMPARE(second->searchTerms(), QString());
    // Left before the pause after the last key: the search still reaches the tab it was typed for.
    QTest::keyClicks(box, QStringLiteral("Emma"));
    QCOMPARE(books->searchTerms(), QStringLiteral("Dune"));

    tabs->setCurrentIndex(0);
    QCOMPARE(box->text(), QStringLiteral("Dune"));
    QCOMPARE(second->searchTerms(), QStringLiteral("Emma"));
    QVERIFY(!ViewTesting::shows(*books, QStringLiteral("Emma")));

    // Deleting the last character shows every book again.
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTRY_COMPARE(books->searchTerms(), QString());
    QVERIFY(ViewTesting::shows(*books, QStringLiteral("Emma")));
    QCOMPARE(second->searchTerms(), QStringLiteral("Emma"));
}

void TestMainWindow::viewActionsSwitchAndFollowTheTab()
{
    auto *iconView = child<QAction>("actionView");
    auto *list = child<QAction>("actionList");
    ItemViews *books = tab(0);
    QVERIFY(list->isChecked());
    QVERIFY(!iconView->isChecked());

    iconView->trigger();
    QCOMPARE(books->currentPage(), int(ItemViews::ListPage));
    QVERIFY(iconView->isChecked());
    QVERIFY(!list->isChecked());
    // Triggering the action that is on keeps it on and changes nothing.
    iconView->trigger();
    QVERIFY(iconView->isChecked());
    QCOMPARE(books->currentPage(), int(ItemViews::ListPage));

    auto *tabs = child<QTabWidget>("tabWidget");
    tabs->addTab(new QWidget, QStringLiteral("Other"));
    tabs->setCurrentIndex(1);
    QVERIFY(!iconView->isEnabled());
    QVERIFY(!list->isEnabled());

    tabs->setCurrentIndex(0);
    QVERIFY(iconView->isEnabled());
    QVERIFY(list->isEnabled());
    QVERIFY(iconView->isChecked());
    QVERIFY(!list->isChecked());

    list->trigger();
    QCOMPARE(books->currentPage(), int(ItemViews::TablePage));
    QVERIFY(list->isChecked());
    QVERIFY(!iconView->isChecked());
}

void TestMainWindow::notesToggleShowsTheEditor()
{
    auto *notes = child<QAction>("actionNotes");
    auto *stack = child<QStackedWidget>("stackedWidget");
    auto *toolbox = child<QToolBox>("mainToolbox");
    notes->trigger();
    QVERIFY(stack->isVisible());
    QCOMPARE(toolbox->currentIndex(), 1);
    QVERIFY(stack->findChild<QTextEdit *>(QStringLiteral("textEdit")));
    notes->trigger();
    QVERIFY(!stack->isVisible());
    QCOMPARE(toolbox->currentIndex(), 0);

    // Opening a Books tab hides the notes, and the action says so.
    notes->trigger();
    doubleClickTreeEntry(QStringLiteral("Books"));
    QVERIFY(!stack->isVisible());
    QVERIFY(!notes->isChecked());
}

void TestMainWindow::informationPanelShowsTitlesAsTyped()
{
    window.reset();
    storeBook(QStringLiteral("C++ <templates> & more"), {QStringLiteral("Ann Other")},
              QStringLiteral("<b>Generic</b> code"));
    startWindow();
    clickRow(tab(0), QStringLiteral("C++ <templates> & more"));
    auto *panel = child<QTextBrowser>("informationPanel");
    QTRY_VERIFY(panel->toPlainText().contains(QStringLiteral("C++ <templates> & more")));
    const QString text = panel->toPlainText();
    QVERIFY(text.contains(QStringLiteral("12 Pages")));
    QVERIFY(text.contains(QStringLiteral("Generic code")));
    QVERIFY(panel->toHtml().contains(QStringLiteral("font-weight")));
}

void TestMainWindow::notesFollowTheSelection()
{
    child<QAction>("actionNotes")->trigger();
    auto *editor = child<QTextEdit>("textEdit");
    ItemViews *books = tab(0);

    // Every selected book is announced; the panels show the last one, once.
    books->selectAll();
    QTRY_VERIFY(child<QTextBrowser>("informationPanel")->toPlainText().contains(QStringLiteral("The Hobbit")));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM notes")), (QList<QVariantList>{{1}}));
    QVERIFY(TestLibrary::exec(QStringLiteral("DELETE FROM notes")));

    clickRow(books, QStringLiteral("Dune"));
    QTRY_COMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM notes")), (QList<QVariantList>{{dune}}));
    QVERIFY(editor->toPlainText().isEmpty());
    QTest::keyClicks(editor, QStringLiteral("Reread the appendix"));

    clickRow(books, QStringLiteral("Emma"));
    QTRY_COMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM notes")).value(0).value(0).toInt(), 2);
    const QList<QVariantList> duneNote
        = TestLibrary::rows(QStringLiteral("SELECT note FROM notes WHERE iid = %1").arg(dune));
    QVERIFY(duneNote.value(0).value(0).toString().contains(QStringLiteral("Reread the appendix")));
    QVERIFY(editor->toPlainText().isEmpty());

    clickRow(books, QStringLiteral("Dune"));
    QTRY_COMPARE(editor->toPlainText(), QStringLiteral("Reread the appendix"));

    // Closing the window stores the last edit.
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral("!"));
    window.reset();
    const QList<QVariantList> stored
        = TestLibrary::rows(QStringLiteral("SELECT note FROM notes WHERE iid = %1").arg(dune));
    QVERIFY(stored.value(0).value(0).toString().contains(QStringLiteral("appendix!")));
}

void TestMainWindow::deletingFromWebPagesTabRemovesThePage()
{
    doubleClickTreeEntry(QStringLiteral("Web Pages"));
    ItemViews *pages = tab(1);
    clickRow(pages, QStringLiteral("Example page"));
    QCOMPARE(pages->getSelection().size(), 1);

    deleteSelection(pages, QMessageBox::No);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM webpages")).size(), 1);
    QCOMPARE(pages->getSelection().size(), 1);

    deleteSelection(pages, QMessageBox::Yes);
    QVERIFY(TestLibrary::rows(QStringLiteral("SELECT iid FROM webpages")).isEmpty());
    QVERIFY(TestLibrary::rows(QStringLiteral("SELECT iid FROM items WHERE iid = %1").arg(page)).isEmpty());
    QVERIFY(!ViewTesting::shows(*pages, QStringLiteral("Example page")));
    QCOMPARE(pages->findChild<QListWidget *>(QStringLiteral("viewList"))->count(), 0);
    // The books are untouched.
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM books")).size(), 5);
}

void TestMainWindow::deletingFromAuthorTabHidesItEverywhere()
{
    doubleClickTreeEntry(QStringLiteral("Books"));
    doubleClickTreeEntry(QStringLiteral("Austen, Jane"));
    auto *tabs = child<QTabWidget>("tabWidget");
    ItemViews *austen = tab(2);
    tabs->setCurrentWidget(austen);
    clickRow(austen, QStringLiteral("Emma"));
    clickRow(austen, QStringLiteral("Persuasion"), Qt::ControlModifier);
    QCOMPARE(austen->getSelection().size(), 2);

    deleteSelection(austen, QMessageBox::Yes);
    for (const int iid : {emma, persuasion}) {
        QVERIFY(TestLibrary::rows(QStringLiteral("SELECT iid FROM books WHERE iid = %1").arg(iid)).isEmpty());
        QVERIFY(TestLibrary::rows(QStringLiteral("SELECT iid FROM items WHERE iid = %1").arg(iid)).isEmpty());
    }
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM books")).size(), 3);
    for (ItemViews *view : {tab(0), tab(1), austen}) {
        QVERIFY(!ViewTesting::shows(*view, QStringLiteral("Emma")));
        QVERIFY(!ViewTesting::shows(*view, QStringLiteral("Persuasion")));
    }
    QVERIFY(ViewTesting::shows(*tab(0), QStringLiteral("Dune")));

    // A later search does not bring them back.
    tabs->setCurrentIndex(0);
    window->findChild<searchbox *>()->setText(QStringLiteral("e"));
    QVERIFY(!ViewTesting::shows(*tab(0), QStringLiteral("Emma")));
    QVERIFY(ViewTesting::shows(*tab(0), QStringLiteral("Dune")));
}

void TestMainWindow::ratingInAuthorTabIsStoredAndShownEverywhere()
{
    doubleClickTreeEntry(QStringLiteral("Austen, Jane"));
    auto *tabs = child<QTabWidget>("tabWidget");
    ItemViews *austen = tab(1);
    tabs->setCurrentWidget(austen);
    QTRY_VERIFY(tableOf(austen)->cellWidget(rowOf(austen, QStringLiteral("Emma")), 4));
    auto *rating = qobject_cast<Rating *>(tableOf(austen)->cellWidget(rowOf(austen, QStringLiteral("Emma")), 4));
    QVERIFY(rating);
    QTest::mouseClick(rating->findChild<QToolButton *>(QStringLiteral("btnRating4")), Qt::LeftButton);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT rating FROM items WHERE iid = %1").arg(emma))
                 .value(0)
                 .value(0)
                 .toInt(),
             4);

    tabs->setCurrentIndex(0);
    QTRY_VERIFY(tableOf(tab(0))->cellWidget(rowOf(tab(0), QStringLiteral("Emma")), 4));
    auto *shown = qobject_cast<Rating *>(tableOf(tab(0))->cellWidget(rowOf(tab(0), QStringLiteral("Emma")), 4));
    QCOMPARE(shown->getRating(), 4);
}

void TestMainWindow::addedBookAppearsInEveryBooksTab()
{
    doubleClickTreeEntry(QStringLiteral("Books"));
    doubleClickTreeEntry(QStringLiteral("Web Pages"));
    window->findChild<searchbox *>()->setText(QStringLiteral("nothing like this"));
    child<QTabWidget>("tabWidget")->setCurrentIndex(1);
    window->findChild<searchbox *>()->setText(QStringLiteral("Dune"));

    auto book = std::make_unique<Book>(nullptr, 0);
    book->setTitle(QStringLiteral("Middlemarch"));
    book->addAuthor(QStringLiteral("George Eliot"));
    QVERIFY(book->save());
    window->bookAddedSlot(book.release());

    for (ItemViews *view : {tab(0), tab(1)}) {
        child<QTabWidget>("tabWidget")->setCurrentWidget(view);
        const int row = rowOf(view, QStringLiteral("Middlemarch"));
        QVERIFY(row >= 0);
        QCOMPARE(tableOf(view)->item(row, 1)->text(), QStringLiteral("George Eliot"));
    }
    QVERIFY(!ViewTesting::shows(*tab(2), QStringLiteral("Middlemarch")));
    // A new author enters the library tree at once.
    QVERIFY(treeEntry(QStringLiteral("Eliot, George")));
}

void TestMainWindow::singleBookIsAddedThroughTheProperties_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("saved") << true;
    QTest::newRow("cancelled") << false;
}

void TestMainWindow::singleBookIsAddedThroughTheProperties()
{
    QFETCH(bool, save);
    QVERIFY(window->findChild<QAction *>(QStringLiteral("actionAddEbook"))->isEnabled());
    bool answered = false;
    QTimer::singleShot(0, window.get(), [&answered, save] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answered = dialog->windowTitle() == QLatin1String("Book Properties");
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("bookTitle")), QStringLiteral("Middlemarch"));
        QTest::mouseClick(
            dialog->findChild<QPushButton *>(save ? QStringLiteral("btnSave") : QStringLiteral("btnCancel")),
            Qt::LeftButton);
        if (dialog->isVisible())
            dialog->reject();
    });
    window->findChild<QAction *>(QStringLiteral("actionAddEbook"))->trigger();
    QVERIFY(answered);

    const QList<QVariantList> stored
        = TestLibrary::rows(QStringLiteral("SELECT iid FROM books WHERE title = 'Middlemarch'"));
    QCOMPARE(stored.size(), save ? 1 : 0);
    const int row = rowOf(tab(0), QStringLiteral("Middlemarch"));
    QCOMPARE(row >= 0, save);
    if (save)
        QCOMPARE(tableOf(tab(0))->item(row, 0)->data(ItemIdRole).toInt(), stored.first().first().toInt());
}

void TestMainWindow::folderOfBooksIsListedAndAdded()
{
    QAction *action = window->findChild<QAction *>(QStringLiteral("actionAdd_Mutiple"));
    QVERIFY(action->isEnabled());
    const QString folder
        = QFileInfo(library->writeFile(QStringLiteral("new/Middlemarch.pdf"), "%PDF-1.7 new")).absolutePath();

    // The folder dialog first; the list only when a folder was chosen.
    QStringList shown;
    std::function<void()> answer = [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *chooser = qobject_cast<QFileDialog *>(modal)) {
            shown.append(QStringLiteral("folder"));
            if (shown.size() == 1) {
                chooser->reject();
                return;
            }
            chooser->setDirectory(folder);
            QTimer::singleShot(0, window.get(), answer);
            QTest::mouseClick(chooser->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open), Qt::LeftButton);
        } else if (auto *list = qobject_cast<MultiSelect *>(modal)) {
            auto *table = list->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
            shown.append(table->item(0, 1) ? table->item(0, 1)->text() : QStringLiteral("empty"));
            // What the list announces reaches the Books tab.
            const int iid = storeBook(QStringLiteral("Middlemarch"), {QStringLiteral("George Eliot")});
            emit list->newBookItem(new Book(nullptr, iid));
            list->reject();
        }
    };
    QTimer::singleShot(0, window.get(), answer);
    action->trigger();
    QCOMPARE(shown, QStringList({"folder"}));
    QTRY_VERIFY(!window->findChild<MultiSelect *>());

    QTimer::singleShot(0, window.get(), answer);
    action->trigger();
    QCOMPARE(shown, QStringList({"folder", "folder", "Middlemarch"}));
    QVERIFY(rowOf(tab(0), QStringLiteral("Middlemarch")) >= 0);
    QVERIFY(treeEntry(QStringLiteral("Eliot, George")));
    QTRY_VERIFY(!window->findChild<MultiSelect *>());
}

void TestMainWindow::menusKeysAndStatusBarWork()
{
    startWindow();
    const QString count = window->statusBar()->findChild<QLabel *>()->text();
    QCOMPARE(count, tab(0)->summary());
    QVERIFY2(count.endsWith(QStringLiteral(" books")), qPrintable(count));
    // The update check named no version: there is no notice to show.
    QVERIFY(!child<QAction>("actionNotices")->isEnabled());
    // The first tab stays.
    QTest::keyClick(window.get(), Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(child<QTabWidget>("tabWidget")->count(), 1);

    // Find puts the cursor in the search box; View hides and shows the library.
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(window->findChild<searchbox *>()->findChild<QLineEdit *>()->hasFocus());
    child<QAction>("actionShowLibrary")->trigger();
    QVERIFY(!child<QTreeWidget>("libraryList")->isVisible());
    child<QAction>("actionShowLibrary")->trigger();
    QVERIFY(child<QTreeWidget>("libraryList")->isVisible());

    // Credits name what the program is made with.
    QString credits;
    QTimer::singleShot(0, [&credits] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            credits = box->text();
            box->accept();
        }
    });
    child<QAction>("actionCredits")->trigger();
    QVERIFY2(credits.contains(QStringLiteral("QuaZip")) && credits.contains(QStringLiteral("Silk")),
             qPrintable(credits));
}

SHELVIO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
