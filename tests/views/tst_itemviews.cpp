#include "editing/bookproperties.h"
#include "editing/webpageproperties.h"
#include "model/book.h"
#include "model/itemroles.h"
#include "model/records.h"
#include "model/viewitem.h"
#include "model/webpage.h"
#include "tests/support/dialogtesting.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/urlrecorder.h"
#include "tests/support/viewtesting.h"
#include "views/coverlistentry.h"
#include "views/itemorder.h"
#include "views/itemviews.h"
#include "widgets/rating.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <functional>
#include <memory>

namespace {

constexpr int RatingColumn = 4;

// A book to store, described field by field: StoredBook("Dune").by("Frank Herbert").rated(4).
struct StoredBook
{
    explicit StoredBook(const QString &title)
        : title(title)
        , files{title + QStringLiteral(".pdf")}
    {
    }

    StoredBook &by(const QString &author)
    {
        authors.append(author);
        return *this;
    }
    StoredBook &describedAs(const QString &text)
    {
        description = text;
        return *this;
    }
    // File names below books/; a new book has one PDF named after its title.
    StoredBook &withFiles(const QStringList &names)
    {
        files = names;
        return *this;
    }
    StoredBook &tagged(const QStringList &names)
    {
        tags = names;
        return *this;
    }
    StoredBook &inSeries(const QString &name, std::optional<double> position)
    {
        series = {name, position};
        return *this;
    }
    StoredBook &rated(int stars)
    {
        rating = stars;
        return *this;
    }
    StoredBook &published(const QString &date, const QString &by = {})
    {
        datePublished = date;
        publisher = by;
        return *this;
    }
    StoredBook &withPages(const QString &count)
    {
        pageCount = count;
        return *this;
    }
    StoredBook &coveredBy(const QString &path)
    {
        coverFile = path;
        return *this;
    }

    QString title;
    QString description;
    QStringList authors;
    QStringList files;
    int rating = 0;
    QStringList tags;
    ItemSeries series;
    QString datePublished;
    QString pageCount;
    QString publisher;
    QString coverFile;
};

QTableWidget *tableOf(const ItemViews &view)
{
    return ViewTesting::table(view);
}

// The texts of a column from top to bottom, hidden rows left out.
QStringList columnTexts(const ItemViews &view, int column)
{
    const QTableWidget *table = tableOf(view);
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!table->isRowHidden(row) && table->item(row, column))
            texts << table->item(row, column)->text();
    }
    return texts;
}

QListWidget *listOf(const ItemViews &view)
{
    return view.findChild<QListWidget *>(QStringLiteral("viewList"));
}

QStackedWidget *pagesOf(const ItemViews &view)
{
    return view.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
}

int rowOf(const ItemViews &view, const QString &title)
{
    const QTableWidget *table = tableOf(view);
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0) && table->item(row, 0)->text() == title)
            return row;
    }
    return -1;
}

QTableWidgetItem *titleCellOf(const ItemViews &view, const QString &title)
{
    const int row = rowOf(view, title);
    return row < 0 ? nullptr : tableOf(view)->item(row, 0);
}

QListWidgetItem *entryOf(const ItemViews &view, int iid)
{
    const QListWidget *list = listOf(view);
    for (int index = 0; index < list->count(); ++index) {
        if (list->item(index)->data(ItemIdRole).toInt() == iid)
            return list->item(index);
    }
    return nullptr;
}

Rating *ratingOf(const ItemViews &view, const QString &title)
{
    const int row = rowOf(view, title);
    return row < 0 ? nullptr : qobject_cast<Rating *>(tableOf(view)->cellWidget(row, RatingColumn));
}

// Titles of the rows that are not hidden, top to bottom.
QStringList shownRows(const ItemViews &view)
{
    const QTableWidget *table = tableOf(view);
    QStringList titles;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!table->isRowHidden(row))
            titles.append(table->item(row, 0)->text());
    }
    return titles;
}

// Texts of the list entries that are not hidden, in list order.
QStringList shownEntries(const ItemViews &view)
{
    const QListWidget *list = listOf(view);
    QStringList texts;
    for (int index = 0; index < list->count(); ++index) {
        if (!list->item(index)->isHidden())
            texts.append(list->item(index)->text());
    }
    return texts;
}

QStringList sorted(QStringList texts)
{
    texts.sort();
    return texts;
}

QStringList selectedRows(const ItemViews &view)
{
    const QTableWidget *table = tableOf(view);
    QStringList titles;
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    for (const QModelIndex &index : rows)
        titles.append(table->item(index.row(), 0)->text());
    return sorted(titles);
}

QStringList selectedEntries(const ItemViews &view)
{
    QStringList texts;
    const QList<QListWidgetItem *> entries = listOf(view)->selectedItems();
    for (const QListWidgetItem *entry : entries)
        texts.append(entry->text());
    return sorted(texts);
}

QStringList selectionTitles(const ItemViews &view)
{
    QStringList titles;
    const QList<ViewItem *> selection = view.getSelection();
    for (const ViewItem *item : selection)
        titles.append(item->title);
    return titles;
}

void clickRow(const ItemViews &view, const QString &title, Qt::KeyboardModifiers modifiers = {})
{
    QTableWidget *table = tableOf(view);
    const QTableWidgetItem *cell = titleCellOf(view, title);
    QVERIFY2(cell, qPrintable(title));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, table->visualItemRect(cell).center());
}

// A press and release, then the second press that the system reports as a double click.
void doubleClick(QWidget *viewport, const QPoint &position)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, position);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, position);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, position);
}

void clickEntry(const ItemViews &view, int iid, Qt::KeyboardModifiers modifiers = {})
{
    QListWidget *list = listOf(view);
    const QListWidgetItem *entry = entryOf(view, iid);
    QVERIFY(entry);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(entry).center());
}

int iidOf(const QString &title)
{
    const QList<QVariantList> found = TestLibrary::rows(
        QStringLiteral("SELECT iid FROM books WHERE title = '%1' UNION SELECT iid FROM webpages WHERE title = '%1'")
            .arg(title));
    return found.isEmpty() ? -1 : found.constFirst().constFirst().toInt();
}

int authorId(const QString &name)
{
    const QList<QVariantList> found
        = TestLibrary::rows(QStringLiteral("SELECT aid FROM authors WHERE name = '%1'").arg(name));
    return found.isEmpty() ? -1 : found.constFirst().constFirst().toInt();
}

int countOf(const QString &table, int iid)
{
    return TestLibrary::rows(QStringLiteral("SELECT count(*) FROM %1 WHERE iid = %2").arg(table).arg(iid))
        .value(0)
        .value(0)
        .toInt();
}

QAction *actionNamed(const QMenu *menu, const QString &text)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// Chooses an entry with the keyboard, as a user would.
void choose(QMenu *menu, const QString &text)
{
    QAction *action = actionNamed(menu, text);
    QVERIFY2(action, qPrintable(text));
    menu->setActiveAction(action);
    QTest::keyClick(menu, Qt::Key_Return);
}

// The entries of a menu, disabled ones marked.
QStringList entriesOf(const QMenu *menu)
{
    QStringList entries;
    const QList<QAction *> actions = menu->actions();
    for (const QAction *action : actions) {
        if (action->isSeparator())
            continue;
        entries.append(action->isEnabled() ? action->text() : action->text() + QStringLiteral(" (disabled)"));
    }
    return entries;
}

// Asks for the context menu as a right click on the viewport does and hands the open menu to the handler;
// whatever is still open afterwards is closed. False when no menu opened.
bool withContextMenu(QWidget *viewport, const std::function<void(QMenu *)> &handler)
{
    auto shown = std::make_shared<bool>(false);
    auto done = std::make_shared<bool>(false);
    QTimer::singleShot(0, [shown, done, handler] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            *shown = true;
            handler(menu);
        }
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        *done = true;
    });
    const QPoint position(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, viewport->mapToGlobal(position));
    QApplication::sendEvent(viewport, &event);
    // A menu that never opened leaves the timer to find nothing.
    return QTest::qWaitFor([done] { return *done; }, 5000) && *shown;
}

struct Confirmation
{
    bool asked = false;
    QString text;
    QString informativeText;
    bool noIsDefault = false;
};

// Answers the next message box: "enter" presses Enter on the focused button, otherwise the named button is
// clicked.
std::shared_ptr<Confirmation> answerNextMessageBox(const QString &answer)
{
    auto confirmation = std::make_shared<Confirmation>();
    QTimer::singleShot(0, [confirmation, answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        confirmation->asked = true;
        confirmation->text = box->text();
        confirmation->informativeText = box->informativeText();
        confirmation->noIsDefault = box->defaultButton() && box->defaultButton() == box->button(QMessageBox::No);
        if (answer == QLatin1String("enter"))
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
        else if (answer == QLatin1String("yes"))
            box->button(QMessageBox::Yes)->click();
        else
            box->button(QMessageBox::No)->click();
        // Never leave a test waiting on a box that ignored the answer.
        if (box->isVisible())
            box->reject();
    });
    return confirmation;
}

// Chooses "Delete" in the context menu of the viewport and answers the confirmation.
std::shared_ptr<Confirmation> deleteThroughMenu(QWidget *viewport, const QString &answer)
{
    std::shared_ptr<Confirmation> confirmation;
    withContextMenu(viewport, [&confirmation, answer](QMenu *menu) {
        confirmation = answerNextMessageBox(answer);
        choose(menu, QStringLiteral("Delete"));
    });
    return confirmation ? confirmation : std::make_shared<Confirmation>();
}

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

// What a properties dialog opened from a view showed, and what the view reported while it was open.
struct PropertiesOutcome
{
    bool menuShown = false;
    QString title;
    QString description;
    qsizetype edited = 0;
    qsizetype deleted = 0;
};

// The image an entry shows, at the size it was made for.
QImage coverOf(const QListWidgetItem *entry)
{
    const QIcon icon = entry->icon();
    const QList<QSize> sizes = icon.availableSizes();
    return sizes.isEmpty() ? QImage() : icon.pixmap(sizes.constFirst()).toImage();
}

} // namespace

class TestItemViews : public QObject
{
    Q_OBJECT

public:
    explicit TestItemViews(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void populateFillsTableAndList();
    void columnsSortAsAReaderExpects();
    void columnsAreKeptForEachKindOfTab();
    void keysActOnTheSelection();
    void emptyLibraryAndSearchWithoutHitsSaySo();
    void listTitleIsCutAfterTwentyCharacters_data();
    void listTitleIsCutAfterTwentyCharacters();
    void bookToolTipSummarisesTheItem_data();
    void bookToolTipSummarisesTheItem();
    void webPageRowAlwaysHasAToolTip_data();
    void webPageRowAlwaysHasAToolTip();
    void titleCellsAndEntriesCarryTheItemRoles_data();
    void titleCellsAndEntriesCarryTheItemRoles();
    void listEntryShowsTheCover_data();
    void listEntryShowsTheCover();

    void showingStoredRatingsStoresNothing();
    void clickingAStarStoresTheRating_data();
    void clickingAStarStoresTheRating();
    void refusedRatingIsNotReported();
    void ratingWidgetsFollowWhatIsOnScreen();

    void toggleKeepsTheSameItemsSelected();
    void selectionReportsOnlyVisibleItems();
    void searchFiltersBothPresentations_data();
    void searchFiltersBothPresentations();
    void typedSearchGivesWayToANewerOne();
    void fullTextHitsComeBestFirst();
    void authorViewFiltersItsOwnBooks();
    void addedBookAppearsInBoth();
    void updateItemAddsOnlyBeforeTheFirstSearch();
    void editedItemMovesToItsPlace();

    void deleteNeedsConfirmation_data();
    void deleteNeedsConfirmation();
    void deletedItemsLeaveBothPresentations();
    void deleteFromOtherViews_data();
    void deleteFromOtherViews();

    void contextMenuOffersWhatTheSelectionAllows_data();
    void contextMenuOffersWhatTheSelectionAllows();
    void convertSendsTheSelectedRecord();
    void labelsReachTheSelectionInEveryView();
    void propertiesEditsTheSelectedBook_data();
    void propertiesEditsTheSelectedBook();
    void propertiesEditsTheSelectedWebPage_data();
    void propertiesEditsTheSelectedWebPage();
    void choosingAFileOpensThatFileOnce();
    void webPageMenuOpensThePdfOrTheAddress_data();
    void webPageMenuOpensThePdfOrTheAddress();
    void doubleClickOpensTheFileFromTheTitle_data();
    void doubleClickOpensTheFileFromTheTitle();

private:
    int storeBook(const StoredBook &data);
    int storeBook(const QString &title, const QString &description = {}, const QStringList &authors = {});
    int storePage(const QString &title, const QString &url, const QString &description, bool withPdf);
    QString bookFile(const QString &name) const;
    QString pageFile(const QString &title) const;
    static std::unique_ptr<ItemViews> makeView(const QString &kind, int aid = -1);
    static bool showView(ItemViews &view);
    static std::unique_ptr<ItemViews> openView(const QString &kind, int aid = -1);
    // Selects the row of `title` and answers the properties dialog its context menu opens: "save" saves
    // after `edit` has changed the form, "cancel" cancels after typing into the title, and anything else
    // deletes the item and confirms. The view drops a deleted item, as the main window connects it to do.
    template<typename Dialog>
    static PropertiesOutcome answerProperties(ItemViews &view, const QString &title, const QString &answer,
                                              const std::function<void(Dialog *)> &edit);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<UrlRecorder> recorder;
};

void TestItemViews::init()
{
    library = std::make_unique<TestLibrary>(environment);
    recorder = std::make_unique<UrlRecorder>();
    for (const char *scheme : {"file", "http", "https"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), recorder.get(), "open");
}

void TestItemViews::cleanup()
{
    for (const char *scheme : {"file", "http", "https"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    recorder.reset();
    library.reset();
}

int TestItemViews::storeBook(const StoredBook &data)
{
    Book book(nullptr, -1);
    book.setTitle(data.title);
    book.setDescription(data.description);
    book.setDatePublished(data.datePublished);
    book.setPageCount(data.pageCount);
    book.setPublisher(data.publisher);
    book.setRating(data.rating);
    if (!data.coverFile.isEmpty())
        book.setCoverFile(data.coverFile);
    book.setTags(data.tags);
    book.setSeries(data.series);
    for (const QString &author : data.authors)
        book.addAuthor(author);
    for (const QString &file : data.files)
        book.addFile(library->writeFile(QStringLiteral("books/") + file, "%PDF-1.4 " + data.title.toUtf8()));
    if (!book.save())
        qFatal("Cannot store %s", qPrintable(data.title));
    return book.getIid();
}

int TestItemViews::storeBook(const QString &title, const QString &description, const QStringList &authors)
{
    StoredBook book(title);
    book.describedAs(description);
    for (const QString &author : authors)
        book.by(author);
    return storeBook(book);
}

int TestItemViews::storePage(const QString &title, const QString &url, const QString &description, bool withPdf)
{
    WebPage page(nullptr, -1);
    page.setTitle(title);
    page.setUrl(url);
    page.setDescription(description);
    if (withPdf)
        page.addFile(library->writeFile(QStringLiteral("pages/") + title + QStringLiteral(".pdf"), "%PDF-1.4 page"));
    if (!page.save())
        qFatal("Cannot store the page %s", qPrintable(title));
    return page.getIid();
}

QString TestItemViews::bookFile(const QString &name) const
{
    return environment.home() + QStringLiteral("/books/") + name;
}

QString TestItemViews::pageFile(const QString &title) const
{
    return environment.home() + QStringLiteral("/pages/") + title + QStringLiteral(".pdf");
}

std::unique_ptr<ItemViews> TestItemViews::makeView(const QString &kind, int aid)
{
    auto view = std::make_unique<ItemViews>(nullptr, kind, aid);
    view->populate();
    if (kind == QLatin1String("WebPages"))
        view->setWebPageColumns();
    view->resize(1000, 700);
    return view;
}

bool TestItemViews::showView(ItemViews &view)
{
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;
    QCoreApplication::processEvents();
    return true;
}

std::unique_ptr<ItemViews> TestItemViews::openView(const QString &kind, int aid)
{
    std::unique_ptr<ItemViews> view = makeView(kind, aid);
    return showView(*view) ? std::move(view) : nullptr;
}

template<typename Dialog>
PropertiesOutcome TestItemViews::answerProperties(ItemViews &view, const QString &title, const QString &answer,
                                                  const std::function<void(Dialog *)> &edit)
{
    connect(&view, &ItemViews::itemDeleted, &view, &ItemViews::deleteItemFromView);
    QSignalSpy edited(&view, &ItemViews::itemEdited);
    QSignalSpy deleted(&view, &ItemViews::itemDeleted);
    clickRow(view, title);

    PropertiesOutcome outcome;
    // An answer still waiting when no dialog came ends with this call.
    QObject answering;
    outcome.menuShown = withContextMenu(tableOf(view)->viewport(), [&](QMenu *menu) {
        QTimer::singleShot(0, &answering, [&] {
            auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto *titleField = dialog->template findChild<QLineEdit *>(QStringLiteral("bookTitle"));
            outcome.title = titleField->text();
            outcome.description
                = dialog->template findChild<QTextEdit *>(QStringLiteral("bookDescription"))->toPlainText();
            if (answer == QLatin1String("save")) {
                edit(dialog);
                QTest::mouseClick(dialog->template findChild<QPushButton *>(QStringLiteral("btnSave")), Qt::LeftButton);
            } else if (answer == QLatin1String("cancel")) {
                QTest::keyClicks(titleField, QStringLiteral(" changed"));
                QTest::mouseClick(dialog->template findChild<QPushButton *>(QStringLiteral("btnCancel")),
                                  Qt::LeftButton);
            } else {
                answerNextMessageBox(QStringLiteral("yes"));
                QTest::mouseClick(dialog->template findChild<QPushButton *>(QStringLiteral("btnDelete")),
                                  Qt::LeftButton);
            }
            if (dialog->isVisible())
                dialog->reject();
        });
        choose(menu, QStringLiteral("Properties"));
    });
    outcome.edited = edited.size();
    outcome.deleted = deleted.size();
    return outcome;
}

void TestItemViews::columnsSortAsAReaderExpects()
{
    for (const char *title : {"Ubuntu Server Guide", "fontconfig user"})
        storeBook(StoredBook(QString::fromUtf8(title)));
    storeBook(StoredBook(QStringLiteral("Émile")).inSeries(QStringLiteral("The Expanse"), 2.25));
    storeBook(StoredBook(QStringLiteral("Chapter 10")).inSeries(QStringLiteral("The Expanse"), 10));
    storeBook(StoredBook(QStringLiteral("Chapter 2")).inSeries(QStringLiteral("The Expanse"), 2.5));
    storeBook(StoredBook(QStringLiteral("apache"))
                  .inSeries(QStringLiteral("Dune Chronicles"), std::nullopt)
                  .tagged({QStringLiteral("Web"), QStringLiteral("Servers")}));
    storePage(QStringLiteral("Later"), QStringLiteral("https://example.org/b"), {}, false);
    storePage(QStringLiteral("Earlier"), QStringLiteral("https://example.org/a"), {}, false);
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE webpages SET created = 1600000000 WHERE title = 'Earlier'")));
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE webpages SET created = 1700000000 WHERE title = 'Later'")));

    // Case and accents aside, numbers by value.
    std::unique_ptr<ItemViews> view = openView(QStringLiteral("Books"));
    QCOMPARE(columnTexts(*view, 0),
             QStringList({"apache", "Chapter 2", "Chapter 10", "Émile", "fontconfig user", "Ubuntu Server Guide"}));
    // Dates by their values, whatever their precision.
    QVERIFY(ItemOrder::dateKey(QStringLiteral("2005")) < ItemOrder::dateKey(QStringLiteral("2005-11-15")));
    QVERIFY(ItemOrder::dateKey(QStringLiteral("2005-11-15")) < ItemOrder::dateKey(QStringLiteral("2021")));
    // Ratings by their values, through a click on the header.
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE items SET rating = 5 WHERE iid = %1").arg(iidOf("apache"))));
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE items SET rating = 3 WHERE iid = %1").arg(iidOf("Émile"))));
    // The records are read again once no view holds them.
    view.reset();
    view = openView(QStringLiteral("Books"));
    QHeaderView *header = tableOf(*view)->horizontalHeader();
    header->setSortIndicator(4, Qt::DescendingOrder);
    QCOMPARE(columnTexts(*view, 0).mid(0, 2), QStringList({"apache", "Émile"}));
    QCOMPARE(columnTexts(*view, 5).at(0), QStringLiteral("Web, Servers"));
    // A series by its name, then by the place in it.
    header->setSortIndicator(6, Qt::AscendingOrder);
    QCOMPARE(columnTexts(*view, 6).mid(2),
             QStringList({"Dune Chronicles", "The Expanse [2.25]", "The Expanse [2.5]", "The Expanse [10]"}));

    // A page's capture time as a local date and time, in the order of time.
    std::unique_ptr<ItemViews> pages = openView(QStringLiteral("WebPages"));
    tableOf(*pages)->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
    QCOMPARE(columnTexts(*pages, 2),
             QStringList({QDateTime::fromSecsSinceEpoch(1600000000).toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                          QDateTime::fromSecsSinceEpoch(1700000000).toString(QStringLiteral("yyyy-MM-dd HH:mm"))}));
}

void TestItemViews::columnsAreKeptForEachKindOfTab()
{
    storeBook(QStringLiteral("Dune"));
    int titleWidth = 0;
    {
        std::unique_ptr<ItemViews> view = openView(QStringLiteral("Books"));
        QTableWidget *table = tableOf(*view);
        // At first titles get a good share of the width.
        titleWidth = table->columnWidth(0);
        QVERIFY2(titleWidth > table->viewport()->width() / 3, qPrintable(QString::number(titleWidth)));
        table->setColumnWidth(1, 333);
        table->horizontalHeader()->setSortIndicator(7, Qt::DescendingOrder);
    }
    std::unique_ptr<ItemViews> view = openView(QStringLiteral("Books"));
    QTableWidget *table = tableOf(*view);
    QCOMPARE(table->columnWidth(0), titleWidth);
    QCOMPARE(table->columnWidth(1), 333);
    QCOMPARE(table->horizontalHeader()->sortIndicatorSection(), 7);
    QCOMPARE(table->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    // Another kind of tab has columns of its own.
    std::unique_ptr<ItemViews> pages = openView(QStringLiteral("WebPages"));
    QCOMPARE(tableOf(*pages)->horizontalHeader()->sortIndicatorSection(), 0);
}

void TestItemViews::keysActOnTheSelection()
{
    const int dune = storeBook(StoredBook(QStringLiteral("Dune")).withFiles({QStringLiteral("dune.pdf")}));
    storeBook(QStringLiteral("Emma"));
    std::unique_ptr<ItemViews> view = openView(QStringLiteral("Books"));
    connect(view.get(), &ItemViews::itemDeleted, view.get(), &ItemViews::deleteItemFromView);
    QSignalSpy summaries(view.get(), &ItemViews::summaryChanged);
    clickRow(*view, QStringLiteral("Dune"));
    QCOMPARE(view->summary(), QStringLiteral("2 books, 1 selected"));
    QVERIFY(!summaries.isEmpty());

    // Enter opens as a double click does.
    QTest::keyClick(tableOf(*view), Qt::Key_Return);
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(bookFile(QStringLiteral("dune.pdf")))});
    // F2 opens the properties.
    bool propertiesShown = false;
    QTimer::singleShot(0, [&propertiesShown] {
        if (auto *dialog = qobject_cast<BookProperties *>(QApplication::activeModalWidget())) {
            propertiesShown = true;
            dialog->reject();
        }
    });
    QTest::keyClick(tableOf(*view), Qt::Key_F2);
    QVERIFY(propertiesShown);
    view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view.get()));
    // Delete asks first, then deletes.
    const std::shared_ptr<Confirmation> confirmation = answerNextMessageBox(QStringLiteral("yes"));
    QTest::keyClick(tableOf(*view), Qt::Key_Delete);
    QVERIFY(confirmation->asked);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM books WHERE iid = %1").arg(dune)),
             QList<QVariantList>({{0}}));
    QCOMPARE(view->summary(), QStringLiteral("1 book"));
}

void TestItemViews::emptyLibraryAndSearchWithoutHitsSaySo()
{
    {
        std::unique_ptr<ItemViews> empty = openView(QStringLiteral("Books"));
        QCOMPARE(empty->findChild<QLabel *>(QStringLiteral("noticeText"))->text(),
                 QStringLiteral("Your library is empty."));
        QSignalSpy asked(empty.get(), &ItemViews::multipleBooksRequested);
        QTest::mouseClick(empty->findChild<QPushButton *>(QStringLiteral("btnNoticeMultipleBooks")), Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
        QVERIFY(!tableOf(*empty)->isVisible());
    }
    storeBook(QStringLiteral("Dune"));
    std::unique_ptr<ItemViews> view = openView(QStringLiteral("Books"));
    QVERIFY(!view->findChild<QWidget *>(QStringLiteral("notice"))->isVisible());
    clickRow(*view, QStringLiteral("Dune"));
    QSignalSpy shown(view.get(), &ItemViews::selectedViewItem);
    view->search(QStringLiteral("packard"));
    QCOMPARE(view->findChild<QLabel *>(QStringLiteral("noticeText"))->text(),
             QStringLiteral("No items match “packard”."));
    QVERIFY(!view->findChild<QPushButton *>(QStringLiteral("btnNoticeSingleBook"))->isVisible());
    // What is no longer shown leaves the panels.
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().first().value<ViewItem *>(), nullptr);
    QCOMPARE(view->summary(), QStringLiteral("0 of 1 books match"));
    view->search(QString());
    QVERIFY(tableOf(*view)->isVisible());
}

void TestItemViews::populateFillsTableAndList()
{
    storeBook(StoredBook("Persuasion").by("Jane Austen").published("1817", "John Murray"));
    storeBook(StoredBook("Dune").by("Frank Herbert").published("1965", "Chilton"));
    storeBook(StoredBook("Emma").by("Jane Austen").published("1815"));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    QTableWidget *table = tableOf(*view);

    QCOMPARE(view->currentPage(), ItemViews::TablePage);
    QCOMPARE(pagesOf(*view)->currentIndex(), 0);
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(shownRows(*view), QStringList({"Dune", "Emma", "Persuasion"}));
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Dune", "Emma", "Persuasion"}));
    QCOMPARE(listOf(*view)->count(), 3);

    const int dune = rowOf(*view, QStringLiteral("Dune"));
    QCOMPARE(table->item(dune, 1)->text(), QStringLiteral("Frank Herbert"));
    QCOMPARE(table->item(dune, 2)->text(), QStringLiteral("1965"));
    QCOMPARE(table->item(dune, 7)->text(), QStringLiteral("Chilton"));
    QCOMPARE(table->item(dune, 8)->text(), QStringLiteral("1965"));
    // The size of its one small file, in megabytes.
    QCOMPARE(table->item(dune, 3)->text(), QStringLiteral("0.00"));
    QCOMPARE(table->item(rowOf(*view, QStringLiteral("Persuasion")), 7)->text(), QStringLiteral("John Murray"));
    QCOMPARE(table->item(rowOf(*view, QStringLiteral("Emma")), 1)->text(), QStringLiteral("Jane Austen"));

    QStringList headers;
    for (int column = 0; column < table->columnCount(); ++column)
        headers.append(table->horizontalHeaderItem(column)->text());
    QCOMPARE(
        headers,
        QStringList({"Title", "Author(s)", "Date", "Size (MB)", "Rating", "Tags", "Series", "Publisher", "Published"}));
    // Every row shown on screen gets its rating widget once the event loop ran.
    QTRY_VERIFY(ratingOf(*view, QStringLiteral("Dune")) && ratingOf(*view, QStringLiteral("Emma"))
                && ratingOf(*view, QStringLiteral("Persuasion")));
    QCOMPARE(ratingOf(*view, QStringLiteral("Emma"))->getIid(), iidOf(QStringLiteral("Emma")));
}

void TestItemViews::listTitleIsCutAfterTwentyCharacters_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("listed");

    QTest::newRow("short") << "Emma"
                           << "Emma";
    QTest::newRow("exactly 20") << "The Time Machine 123"
                                << "The Time Machine 123";
    QTest::newRow("21 characters") << "The Time Machine 1234"
                                   << "The Time Machine 123...";
    QTest::newRow("long") << "The Strange Case of Dr Jekyll and Mr Hyde"
                          << "The Strange Case of ...";
}

void TestItemViews::listTitleIsCutAfterTwentyCharacters()
{
    QFETCH(QString, title);
    QFETCH(QString, listed);

    const int iid = storeBook(title);
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);

    QCOMPARE(entryOf(*view, iid)->text(), listed);
    QCOMPARE(shownRows(*view), QStringList({title}));
}

void TestItemViews::bookToolTipSummarisesTheItem_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("no description") << "Dune"
                                    << ""
                                    << "";
    QTest::newRow("summary") << "Dune"
                             << "Spice on Arrakis."
                             << "<h4>Dune</h4><p>1965, 412 pages</p><p>Spice on Arrakis.</p>";
    const QString hundred = QStringLiteral("abcdefghij").repeated(10);
    QTest::newRow("401 characters") << "Dune" << hundred.repeated(4) + QStringLiteral("X")
                                    << "<h4>Dune</h4><p>1965, 412 pages</p><p>" + hundred.repeated(4) + "...</p>";
    QTest::newRow("exactly 400") << "Dune" << hundred.repeated(4)
                                 << "<h4>Dune</h4><p>1965, 412 pages</p><p>" + hundred.repeated(4) + "</p>";
    // The title is plain text; the description is rich text and keeps its markup.
    QTest::newRow("markup")
        << "C++ <templates> & more"
        << "Generic <b>code</b>"
        << "<h4>C++ &lt;templates&gt; &amp; more</h4><p>1965, 412 pages</p><p>Generic <b>code</b></p>";
}

void TestItemViews::bookToolTipSummarisesTheItem()
{
    QFETCH(QString, title);
    QFETCH(QString, description);
    QFETCH(QString, toolTip);

    const int iid = storeBook(StoredBook(title).describedAs(description).published("1965").withPages("412"));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);

    QCOMPARE(titleCellOf(*view, title)->toolTip(), toolTip);
    QCOMPARE(entryOf(*view, iid)->toolTip(), toolTip);
    if (!toolTip.isEmpty())
        QVERIFY2(plainText(toolTip).startsWith(title), qPrintable(plainText(toolTip)));
    // Only the title cell carries the summary.
    QCOMPARE(tableOf(*view)->item(rowOf(*view, title), 1)->toolTip(), QString());
}

void TestItemViews::webPageRowAlwaysHasAToolTip_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("no description") << "Qt blog"
                                    << ""
                                    << "<h4>Qt blog</h4><p></p>";
    QTest::newRow("description") << "Qt blog"
                                 << "News about <i>Qt</i>."
                                 << "<h4>Qt blog</h4><p></p><p>News about <i>Qt</i>.</p>";
    QTest::newRow("markup in the title") << "Q&A <forum>"
                                         << ""
                                         << "<h4>Q&amp;A &lt;forum&gt;</h4><p></p>";
}

void TestItemViews::webPageRowAlwaysHasAToolTip()
{
    QFETCH(QString, title);
    QFETCH(QString, description);
    QFETCH(QString, toolTip);

    const int iid = storePage(title, QStringLiteral("https://example.org/news"), description, true);
    auto view = openView(QStringLiteral("WebPages"));
    QVERIFY(view);
    QTableWidget *table = tableOf(*view);

    QStringList headers;
    for (int column = 0; column < table->columnCount(); ++column)
        headers.append(table->horizontalHeaderItem(column)->text());
    QCOMPARE(headers, QStringList({"Title", "Url", "Created", "Description"}));

    const int row = rowOf(*view, title);
    QVERIFY(row >= 0);
    QCOMPARE(table->item(row, 0)->toolTip(), toolTip);
    QCOMPARE(table->item(row, 1)->text(), QStringLiteral("https://example.org/news"));
    const QList<QVariantList> created
        = TestLibrary::rows(QStringLiteral("SELECT created FROM webpages WHERE iid = %1").arg(iid));
    QCOMPARE(table->item(row, 2)->text(),
             QDateTime::fromSecsSinceEpoch(created.value(0).value(0).toLongLong())
                 .toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    QCOMPARE(table->item(row, 3)->text(), description);
    QCOMPARE(entryOf(*view, iid)->text(), title);
    QTest::qWait(50);
    QCOMPARE(table->findChildren<Rating *>().size(), 0);
}

void TestItemViews::titleCellsAndEntriesCarryTheItemRoles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QString>("url");

    QTest::newRow("book with a file") << "Books" << true << "";
    QTest::newRow("book without a file") << "Books" << false << "";
    QTest::newRow("web page with a PDF") << "WebPages" << true << "https://example.org/a?b=1";
    QTest::newRow("web page without a PDF") << "WebPages" << false << "https://example.org/";
}

void TestItemViews::titleCellsAndEntriesCarryTheItemRoles()
{
    QFETCH(QString, kind);
    QFETCH(bool, withFile);
    QFETCH(QString, url);

    const QString title = QStringLiteral("Roles");
    const bool book = kind == QLatin1String("Books");
    const int iid = book ? storeBook(StoredBook(title).withFiles(withFile ? QStringList{"Roles.epub"} : QStringList{}))
                         : storePage(title, url, QString(), withFile);
    const QString path = !withFile ? QString() : book ? bookFile(QStringLiteral("Roles.epub")) : pageFile(title);
    auto view = openView(kind);
    QVERIFY(view);

    QTableWidgetItem *cell = titleCellOf(*view, title);
    QListWidgetItem *entry = entryOf(*view, iid);
    QVERIFY(cell);
    QVERIFY(entry);
    const QVariant expectedPath = path.isEmpty() ? QVariant() : QVariant(path);
    const QVariant expectedUrl = url.isEmpty() ? QVariant() : QVariant(url);
    QCOMPARE(cell->data(FilePathRole), expectedPath);
    QCOMPARE(entry->data(FilePathRole), expectedPath);
    QCOMPARE(cell->data(ItemIdRole).toInt(), iid);
    QCOMPARE(entry->data(ItemIdRole).toInt(), iid);
    QCOMPARE(cell->data(UrlRole), expectedUrl);
    QCOMPARE(entry->data(UrlRole), expectedUrl);
    // The other cells of the row carry no item data.
    QCOMPARE(tableOf(*view)->item(cell->row(), 1)->data(ItemIdRole), QVariant());
}

void TestItemViews::listEntryShowsTheCover_data()
{
    QTest::addColumn<QByteArray>("cover");
    QTest::addColumn<bool>("ownCover");

    QTest::newRow("none") << QByteArray() << false;
    QTest::newRow("unreadable file") << QByteArray("not an image") << false;
    QTest::newRow("own cover") << QByteArray("png") << true;
}

void TestItemViews::listEntryShowsTheCover()
{
    QFETCH(QByteArray, cover);
    QFETCH(bool, ownCover);

    QString coverFile;
    if (cover == "png") {
        QImage red(64, 96, QImage::Format_RGB32);
        red.fill(Qt::red);
        coverFile = environment.home() + QStringLiteral("/cover.png");
        QVERIFY(red.save(coverFile, "PNG"));
    } else if (!cover.isEmpty()) {
        coverFile = library->writeFile(QStringLiteral("cover.png"), cover);
    }
    const int iid = storeBook(StoredBook("Dune").coveredBy(coverFile));
    auto view = makeView(QStringLiteral("Books"));
    auto *entry = static_cast<CoverListEntry *>(entryOf(*view, iid));
    QVERIFY(entry);
    // Nothing is decoded before the list needs the picture.
    QVERIFY(!entry->isCoverDecoded());

    const QImage shown = coverOf(entry);
    QVERIFY(entry->isCoverDecoded());
    QCOMPARE(shown.height(), 128);
    if (ownCover) {
        QVERIFY2(qAbs(shown.width() - 85) <= 1, qPrintable(QString::number(shown.width())));
        QCOMPARE(shown.pixelColor(shown.rect().center()), QColor(Qt::red));
    } else {
        const QImage fallback
            = QImage(QStringLiteral(":/icons/images/book.png")).scaledToHeight(128, Qt::SmoothTransformation);
        QCOMPARE(shown.size(), fallback.size());
        QCOMPARE(shown.pixelColor(shown.rect().center()).rgb(), fallback.pixelColor(fallback.rect().center()).rgb());
        QVERIFY(shown.pixelColor(shown.rect().center()) != QColor(Qt::red));
    }
}

void TestItemViews::showingStoredRatingsStoresNothing()
{
    storeBook(StoredBook("Dune").rated(4));
    storeBook(StoredBook("Emma").rated(0));
    storeBook(StoredBook("Persuasion").rated(2));
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE items SET updated = '1'")));
    const QList<QVariantList> before = TestLibrary::rows(QStringLiteral("SELECT iid, rating, updated FROM items"));

    auto view = makeView(QStringLiteral("Books"));
    QSignalSpy stored(view.get(), &ItemViews::ratingSet);
    QVERIFY(showView(*view));
    for (const char *title : {"Dune", "Emma", "Persuasion"})
        QTRY_VERIFY2(ratingOf(*view, QString::fromLatin1(title)), title);
    QCOMPARE(ratingOf(*view, QStringLiteral("Dune"))->getRating(), 4);
    QCOMPARE(ratingOf(*view, QStringLiteral("Emma"))->getRating(), 0);
    QCOMPARE(ratingOf(*view, QStringLiteral("Persuasion"))->getRating(), 2);
    const QIcon setStar(QStringLiteral(":/icons/icons/16x16/001_15.png"));
    const QIcon unsetStar(QStringLiteral(":/icons/icons/16x16/001_17.png"));
    Rating *persuasion = ratingOf(*view, QStringLiteral("Persuasion"));
    QCOMPARE(persuasion->findChild<QToolButton *>("btnRating2")->icon().pixmap(16).toImage(),
             setStar.pixmap(16).toImage());
    QCOMPARE(persuasion->findChild<QToolButton *>("btnRating3")->icon().pixmap(16).toImage(),
             unsetStar.pixmap(16).toImage());

    // A rating changed through the shared record elsewhere is shown, not stored again.
    const std::shared_ptr<Item> emma = Records::find(iidOf(QStringLiteral("Emma")));
    emma->setRating(5);
    emma->announceChange();
    QCOMPARE(ratingOf(*view, QStringLiteral("Emma"))->getRating(), 5);

    // Re-showing rows after searches and a page switch stores nothing either.
    view->search(QStringLiteral("Dune"));
    view->search(QString());
    view->toggleView();
    view->toggleView();
    QTest::qWait(50);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid, rating, updated FROM items")), before);
    QCOMPARE(stored.count(), 0);
}

void TestItemViews::clickingAStarStoresTheRating_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("all books") << "Books";
    QTest::newRow("books of one author") << "BooksAuthor";
}

void TestItemViews::clickingAStarStoresTheRating()
{
    QFETCH(QString, kind);

    const int dune = storeBook(StoredBook("Dune").by("Frank Herbert").rated(1));
    const int emma = storeBook(StoredBook("Emma").by("Jane Austen").rated(2));
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE items SET updated = '1'")));
    auto view = openView(kind, authorId(QStringLiteral("Jane Austen")));
    QVERIFY(view);
    QSignalSpy stored(view.get(), &ItemViews::ratingSet);
    QTRY_VERIFY(ratingOf(*view, QStringLiteral("Emma")));
    Rating *rating = ratingOf(*view, QStringLiteral("Emma"));

    QTest::mouseClick(rating->findChild<QToolButton *>(QStringLiteral("btnRating3")), Qt::LeftButton);
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.constFirst(), QVariantList({emma, 3}));
    QCOMPARE(rating->getRating(), 3);
    const QList<QVariantList> emmaRow
        = TestLibrary::rows(QStringLiteral("SELECT rating, updated FROM items WHERE iid = %1").arg(emma));
    QCOMPARE(emmaRow.value(0).value(0).toInt(), 3);
    QVERIFY(emmaRow.value(0).value(1).toString() != QLatin1String("1"));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT rating, updated FROM items WHERE iid = %1").arg(dune)),
             QList<QVariantList>({{1, "1"}}));

    QTest::mouseClick(rating->findChild<QToolButton *>(QStringLiteral("btnRating0")), Qt::LeftButton);
    QCOMPARE(stored.count(), 2);
    QCOMPARE(stored.at(1), QVariantList({emma, 0}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT rating FROM items WHERE iid = %1").arg(emma)),
             QList<QVariantList>({{0}}));
}

void TestItemViews::refusedRatingIsNotReported()
{
    const int emma = storeBook(StoredBook("Emma").rated(2));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    QSignalSpy stored(view.get(), &ItemViews::ratingSet);
    QTRY_VERIFY(ratingOf(*view, QStringLiteral("Emma")));
    Rating *rating = ratingOf(*view, QStringLiteral("Emma"));
    QVERIFY(TestLibrary::exec(QStringLiteral(
        "CREATE TRIGGER keep_items BEFORE UPDATE ON items BEGIN SELECT RAISE(ABORT, 'read-only'); END")));

    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("The rating of item %1 could not be stored").arg(emma)));
    QTest::mouseClick(rating->findChild<QToolButton *>(QStringLiteral("btnRating5")), Qt::LeftButton);
    QCOMPARE(stored.count(), 0);
    QCOMPARE(rating->getRating(), 2);
    QCOMPARE(rating->findChild<QToolButton *>("btnRating5")->icon().pixmap(16).toImage(),
             QIcon(QStringLiteral(":/icons/icons/16x16/001_17.png")).pixmap(16).toImage());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT rating FROM items WHERE iid = %1").arg(emma)),
             QList<QVariantList>({{2}}));

    // Once the row can be written again, the next click is stored and reported.
    QVERIFY(TestLibrary::exec(QStringLiteral("DROP TRIGGER keep_items")));
    QTest::mouseClick(rating->findChild<QToolButton *>(QStringLiteral("btnRating4")), Qt::LeftButton);
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.constFirst(), QVariantList({emma, 4}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT rating FROM items WHERE iid = %1").arg(emma)),
             QList<QVariantList>({{4}}));
}

void TestItemViews::ratingWidgetsFollowWhatIsOnScreen()
{
    for (int number = 0; number < 40; ++number)
        storeBook(StoredBook(QStringLiteral("Book %1").arg(number, 2, 10, QLatin1Char('0'))).rated(number % 6));
    auto view = makeView(QStringLiteral("Books"));
    view->resize(800, 300);
    QVERIFY(showView(*view));
    QTableWidget *table = tableOf(*view);
    QTRY_VERIFY(ratingOf(*view, QStringLiteral("Book 00")));
    QVERIFY(!ratingOf(*view, QStringLiteral("Book 20")));
    QVERIFY(!ratingOf(*view, QStringLiteral("Book 39")));

    // Sorting brings the last rows to the top.
    QHeaderView *header = table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Book 39"));
    QTRY_VERIFY(ratingOf(*view, QStringLiteral("Book 39")));
    QCOMPARE(ratingOf(*view, QStringLiteral("Book 39"))->getRating(), 39 % 6);
    QVERIFY(!ratingOf(*view, QStringLiteral("Book 20")));

    // Book 20 is the twentieth row from the top now, and has no cells until it is on screen.
    QVERIFY(!titleCellOf(*view, QStringLiteral("Book 20")));
    table->scrollTo(table->model()->index(19, 0));
    QTRY_VERIFY(ratingOf(*view, QStringLiteral("Book 20")));
    QCOMPARE(ratingOf(*view, QStringLiteral("Book 20"))->getRating(), 20 % 6);

    QSignalSpy stored(view.get(), &ItemViews::ratingSet);
    ratingOf(*view, QStringLiteral("Book 20"))->findChild<QToolButton *>(QStringLiteral("btnRating5"))->click();
    const int iid = iidOf(QStringLiteral("Book 20"));
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.constFirst(), QVariantList({iid, 5}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT rating FROM items WHERE iid = %1").arg(iid)),
             QList<QVariantList>({{5}}));
}

void TestItemViews::toggleKeepsTheSameItemsSelected()
{
    for (const char *title : {"Persuasion", "Dune", "Middlemarch", "Emma"})
        storeBook(QString::fromLatin1(title));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    QSignalSpy reported(view.get(), &ItemViews::selectedViewItem);

    clickRow(*view, QStringLiteral("Dune"));
    clickRow(*view, QStringLiteral("Middlemarch"), Qt::ControlModifier);
    QCOMPARE(selectionTitles(*view), QStringList({"Dune", "Middlemarch"}));
    QStringList reportedTitles;
    for (const QVariantList &arguments : std::as_const(reported))
        reportedTitles.append(qvariant_cast<ViewItem *>(arguments.constFirst())->title);
    // Each change reports every selected item again.
    QCOMPARE(reportedTitles, QStringList({"Dune", "Dune", "Middlemarch"}));

    view->toggleView();
    QCOMPARE(view->currentPage(), ItemViews::ListPage);
    QCOMPARE(pagesOf(*view)->currentIndex(), 1);
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QCOMPARE(selectedEntries(*view), QStringList({"Dune", "Middlemarch"}));
    QCOMPARE(selectionTitles(*view), QStringList({"Dune", "Middlemarch"}));

    clickEntry(*view, iidOf(QStringLiteral("Emma")));
    clickEntry(*view, iidOf(QStringLiteral("Persuasion")), Qt::ControlModifier);
    QCOMPARE(sorted(selectionTitles(*view)), QStringList({"Emma", "Persuasion"}));

    view->toggleView();
    QCOMPARE(view->currentPage(), ItemViews::TablePage);
    QCOMPARE(selectedRows(*view), QStringList({"Emma", "Persuasion"}));
    QCOMPARE(sorted(selectionTitles(*view)), QStringList({"Emma", "Persuasion"}));

    // A selection made on the table replaces the one the list had.
    clickRow(*view, QStringLiteral("Dune"));
    view->toggleView();
    QCOMPARE(selectedEntries(*view), QStringList({"Dune"}));
    QCOMPARE(selectionTitles(*view), QStringList({"Dune"}));
}

void TestItemViews::selectionReportsOnlyVisibleItems()
{
    for (const char *title : {"Persuasion", "Dune", "Middlemarch", "Emma"})
        storeBook(QString::fromLatin1(title));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    view->search(QStringLiteral("ma"));
    QCOMPARE(shownRows(*view), QStringList({"Emma", "Middlemarch"}));

    clickRow(*view, QStringLiteral("Emma"));
    QTest::keyClick(tableOf(*view), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(selectionTitles(*view), QStringList({"Emma", "Middlemarch"}));

    view->toggleView();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QCOMPARE(selectedEntries(*view), QStringList({"Emma", "Middlemarch"}));
    clickEntry(*view, iidOf(QStringLiteral("Emma")));
    QTest::keyClick(listOf(*view), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(sorted(selectionTitles(*view)), QStringList({"Emma", "Middlemarch"}));

    // A search that hides a selected item takes it out of what the menu acts on.
    view->search(QStringLiteral("Middle"));
    QCOMPARE(selectionTitles(*view), QStringList({"Middlemarch"}));
    view->search(QStringLiteral("Dune"));
    QVERIFY(view->getSelection().isEmpty());
}

void TestItemViews::searchFiltersBothPresentations_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("title") << "emma" << QStringList({"Emma"});
    QTest::newRow("description") << "WENTWORTH" << QStringList({"Persuasion"});
    QTest::newRow("several") << "an" << QStringList({"Emma", "Persuasion"});
    QTest::newRow("nothing") << "Ulysses" << QStringList();
    QTest::newRow("empty") << "" << QStringList({"Dune", "Emma", "Persuasion"});
}

void TestItemViews::searchFiltersBothPresentations()
{
    QFETCH(QString, term);
    QFETCH(QStringList, shown);

    storeBook(QStringLiteral("Persuasion"), QStringLiteral("Anne Elliot meets Captain Wentworth again."));
    storeBook(QStringLiteral("Dune"), QStringLiteral("Spice on Arrakis."));
    storeBook(QStringLiteral("Emma"), QStringLiteral("A comedy of manners."));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    QCOMPARE(view->searchTerms(), QString());

    view->search(term);
    QCOMPARE(view->searchTerms(), term);
    QCOMPARE(shownRows(*view), shown);
    QCOMPARE(sorted(shownEntries(*view)), shown);
    // The hits are all the rows and entries there are.
    QCOMPARE(tableOf(*view)->rowCount(), shown.size());
    QCOMPARE(listOf(*view)->count(), shown.size());
    // Rows a search shows get their rating widgets too.
    for (const QString &title : std::as_const(shown))
        QTRY_VERIFY2(ratingOf(*view, title), qPrintable(title));

    view->search(QString());
    QCOMPARE(shownRows(*view), QStringList({"Dune", "Emma", "Persuasion"}));
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Dune", "Emma", "Persuasion"}));
}

void TestItemViews::typedSearchGivesWayToANewerOne()
{
    storeBook(QStringLiteral("Persuasion"), QStringLiteral("Anne Elliot meets Captain Wentworth again."));
    storeBook(QStringLiteral("Dune"), QStringLiteral("Spice on Arrakis."));
    storeBook(QStringLiteral("Emma"), QStringLiteral("A comedy of manners."));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    QStringList shownSearches;
    connect(view.get(), &ItemViews::summaryChanged, view.get(),
            [&shownSearches, &view] { shownSearches.append(view->searchTerms()); });

    view->searchTyped(QStringLiteral("emma"));
    view->searchTyped(QStringLiteral("dune"));
    QTRY_COMPARE(view->searchTerms(), QStringLiteral("dune"));
    QCOMPARE(shownRows(*view), QStringList({"Dune"}));
    QVERIFY2(!shownSearches.contains(QStringLiteral("emma")), qPrintable(shownSearches.join(u',')));

    // A search asked for at once supersedes a typed one still running. The searches run one after the other,
    // so once the last has shown its hits, the superseded one would have shown its own before.
    view->searchTyped(QStringLiteral("emma"));
    view->search(QStringLiteral("persuasion"));
    QCOMPARE(shownRows(*view), QStringList({"Persuasion"}));
    view->searchTyped(QStringLiteral("an"));
    QTRY_COMPARE(view->searchTerms(), QStringLiteral("an"));
    QCOMPARE(shownRows(*view), QStringList({"Emma", "Persuasion"}));
    QVERIFY2(!shownSearches.contains(QStringLiteral("emma")), qPrintable(shownSearches.join(u',')));
}

void TestItemViews::fullTextHitsComeBestFirst()
{
    const QStringList texts{QStringLiteral("Captain, captain: the captain sailed."),
                            QStringLiteral("The captain and the captain with a dog walked along the beach at dawn."),
                            QStringLiteral("A captain appears once in this long and meandering account of a summer.")};
    const QStringList titles{QStringLiteral("Persuasion"), QStringLiteral("Dune"), QStringLiteral("Emma")};
    for (qsizetype index = 0; index < titles.size(); ++index) {
        const int iid = storeBook(titles.at(index));
        const QVariant fid
            = TestLibrary::rows(QStringLiteral("SELECT fid FROM files WHERE iid = %1").arg(iid)).value(0).value(0);
        QVERIFY(TestLibrary::exec(QStringLiteral("INSERT INTO fulltext (fid, part, body) VALUES (%1, 1, '%2')")
                                      .arg(fid.toInt())
                                      .arg(texts.at(index))));
    }
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    view->setFullTextScope(true);
    // Typed, on the worker; then at once.
    view->searchTyped(QStringLiteral("captain"));
    QTRY_COMPARE(shownRows(*view), titles);
    view->search(QStringLiteral("capt*"));
    QCOMPARE(shownRows(*view), titles);
    QCOMPARE(shownEntries(*view), titles);

    // The header's sort takes over.
    QHeaderView *header = tableOf(*view)->horizontalHeader();
    QVERIFY(!header->isSortIndicatorShown());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(shownRows(*view), QStringList({"Persuasion", "Emma", "Dune"}));
}

void TestItemViews::authorViewFiltersItsOwnBooks()
{
    storeBook(QStringLiteral("Dune"), QStringLiteral("Spice on Arrakis."), {QStringLiteral("Frank Herbert")});
    storeBook(QStringLiteral("Emma"), QStringLiteral("A comedy of manners."), {QStringLiteral("Jane Austen")});
    storeBook(QStringLiteral("Persuasion"), QStringLiteral("Anne Elliot meets Captain Wentworth again."),
              {QStringLiteral("Jane Austen")});
    auto view = openView(QStringLiteral("BooksAuthor"), authorId(QStringLiteral("Jane Austen")));
    QVERIFY(view);
    QCOMPARE(shownRows(*view), QStringList({"Emma", "Persuasion"}));

    view->search(QStringLiteral("Dune"));
    QCOMPARE(shownRows(*view), QStringList());
    QCOMPARE(shownEntries(*view), QStringList());
    QCOMPARE(tableOf(*view)->rowCount(), 0);
    QCOMPARE(listOf(*view)->count(), 0);

    view->search(QStringLiteral("emma"));
    QCOMPARE(shownRows(*view), QStringList({"Emma"}));
    QCOMPARE(shownEntries(*view), QStringList({"Emma"}));

    view->search(QString());
    QCOMPARE(shownRows(*view), QStringList({"Emma", "Persuasion"}));
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Emma", "Persuasion"}));
    QCOMPARE(tableOf(*view)->rowCount(), 2);
}

void TestItemViews::addedBookAppearsInBoth()
{
    storeBook(QStringLiteral("Emma"));
    storeBook(QStringLiteral("Dune"));
    // The view refers to the added records until it is gone, so they are made first.
    Book middlemarch(nullptr, -1);
    Book anna(nullptr, -1);
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);

    middlemarch.setTitle(QStringLiteral("Middlemarch"));
    middlemarch.addFile(library->writeFile(QStringLiteral("books/Middlemarch.pdf"), "%PDF-1.4"));
    QVERIFY(middlemarch.save());
    view->addBook(&middlemarch);
    QCOMPARE(shownRows(*view), QStringList({"Dune", "Emma", "Middlemarch"}));
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Dune", "Emma", "Middlemarch"}));
    QCOMPARE(titleCellOf(*view, QStringLiteral("Middlemarch"))->data(FilePathRole).toString(),
             bookFile(QStringLiteral("Middlemarch.pdf")));
    QTRY_VERIFY(ratingOf(*view, QStringLiteral("Middlemarch")));

    view->search(QStringLiteral("Dune"));
    QCOMPARE(shownRows(*view), QStringList({"Dune"}));
    anna.setTitle(QStringLiteral("Anna Karenina"));
    QVERIFY(anna.save());
    view->addBook(&anna);
    QCOMPARE(shownRows(*view), QStringList({"Anna Karenina", "Dune"}));
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Anna Karenina", "Dune"}));

    // A book that is already shown is not added twice.
    view->addBook(&anna);
    QCOMPARE(tableOf(*view)->rowCount(), 2);
    QCOMPARE(listOf(*view)->count(), 2);

    view->search(QString());
    QCOMPARE(shownRows(*view), QStringList({"Anna Karenina", "Dune", "Emma", "Middlemarch"}));
}

void TestItemViews::editedItemMovesToItsPlace()
{
    for (const char *title : {"Anna Karenina", "Dune", "Emma"})
        storeBook(QString::fromLatin1(title));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    clickRow(*view, QStringLiteral("Anna Karenina"));
    const auto anna = std::static_pointer_cast<Book>(Records::find(iidOf(QStringLiteral("Anna Karenina"))));
    anna->setTitle(QStringLiteral("Zorba the Greek"));
    QVERIFY(anna->save());
    anna->reload();
    QCOMPARE(columnTexts(*view, 0), QStringList({"Dune", "Emma", "Zorba the Greek"}));
    QCOMPARE(shownEntries(*view), QStringList({"Dune", "Emma", "Zorba the Greek"}));
    // It stays selected where it went.
    QCOMPARE(selectedRows(*view), QStringList({"Zorba the Greek"}));
}

void TestItemViews::updateItemAddsOnlyBeforeTheFirstSearch()
{
    storeBook(QStringLiteral("Emma"));
    storeBook(QStringLiteral("Dune"));
    // Stored once the view exists, so its collection does not know them; made before it, as it refers to them.
    std::unique_ptr<Book> middlemarch;
    std::unique_ptr<Book> ulysses;
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    middlemarch = std::make_unique<Book>(nullptr, storeBook(QStringLiteral("Middlemarch")));
    ulysses = std::make_unique<Book>(nullptr, storeBook(QStringLiteral("Ulysses")));

    view->updateItem(middlemarch.get());
    QCOMPARE(shownRows(*view), QStringList({"Dune", "Emma", "Middlemarch"}));
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Dune", "Emma", "Middlemarch"}));

    view->search(QString());
    view->updateItem(ulysses.get());
    QCOMPARE(rowOf(*view, QStringLiteral("Ulysses")), -1);
    QCOMPARE(tableOf(*view)->rowCount(), 3);
    QCOMPARE(listOf(*view)->count(), 3);

    // A shown item is drawn again with its new data.
    clickRow(*view, QStringLiteral("Emma"));
    QCOMPARE(view->getSelection().size(), 1);
    auto *emma = static_cast<Book *>(view->getSelection().constFirst()->record());
    emma->setTitle(QStringLiteral("Emma, annotated"));
    emma->setPublisher(QStringLiteral("Penguin"));
    QVERIFY(emma->save());
    view->updateItem(emma);
    const int row = rowOf(*view, QStringLiteral("Emma, annotated"));
    QVERIFY(row >= 0);
    QCOMPARE(tableOf(*view)->item(row, 7)->text(), QStringLiteral("Penguin"));
    QCOMPARE(entryOf(*view, emma->getIid())->text(), QStringLiteral("Emma, annotated"));
    QCOMPARE(tableOf(*view)->rowCount(), 3);
    QCOMPARE(listOf(*view)->count(), 3);
}

void TestItemViews::deleteNeedsConfirmation_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("fromList");
    QTest::addColumn<QStringList>("deleted");

    QTest::newRow("Enter") << "enter" << false << QStringList();
    QTest::newRow("No") << "no" << false << QStringList();
    QTest::newRow("Yes") << "yes" << false << QStringList({"Emma", "Persuasion"});
    QTest::newRow("Enter in the list") << "enter" << true << QStringList();
    QTest::newRow("Yes in the list") << "yes" << true << QStringList({"Emma", "Persuasion"});
}

void TestItemViews::deleteNeedsConfirmation()
{
    QFETCH(QString, answer);
    QFETCH(bool, fromList);
    QFETCH(QStringList, deleted);

    QHash<QString, int> ids;
    for (const char *title : {"Persuasion", "Dune", "Emma"})
        ids.insert(QString::fromLatin1(title), storeBook(QString::fromLatin1(title)));
    QList<int> deletedIds;
    for (const QString &title : std::as_const(deleted))
        deletedIds.append(ids.value(title));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    connect(view.get(), &ItemViews::itemDeleted, view.get(), &ItemViews::deleteItemFromView);
    QSignalSpy reported(view.get(), &ItemViews::itemDeleted);
    QWidget *viewport = tableOf(*view)->viewport();
    clickRow(*view, QStringLiteral("Emma"));
    clickRow(*view, QStringLiteral("Persuasion"), Qt::ControlModifier);
    if (fromList) {
        view->toggleView();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        viewport = listOf(*view)->viewport();
    }

    const std::shared_ptr<Confirmation> confirmation = deleteThroughMenu(viewport, answer);
    QVERIFY(confirmation->asked);
    QCOMPARE(confirmation->text, QStringLiteral("You have requested to delete one or more items."));
    QCOMPARE(confirmation->informativeText,
             QStringLiteral("Are you sure you want to delete these items? No files will be deleted!"));
    QVERIFY(confirmation->noIsDefault);

    QList<int> reportedIds;
    for (const QVariantList &arguments : std::as_const(reported))
        reportedIds.append(arguments.constFirst().toInt());
    QCOMPARE(reportedIds, deletedIds);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM books")).value(0).value(0).toInt(),
             3 - deleted.size());
    for (const char *title : {"Persuasion", "Dune", "Emma"})
        QVERIFY(QFileInfo::exists(bookFile(QString::fromLatin1(title) + QStringLiteral(".pdf"))));

    if (deleted.isEmpty()) {
        QCOMPARE(selectionTitles(*view), QStringList({"Emma", "Persuasion"}));
        QCOMPARE(fromList ? selectedEntries(*view) : selectedRows(*view), QStringList({"Emma", "Persuasion"}));
        QCOMPARE(shownRows(*view), QStringList({"Dune", "Emma", "Persuasion"}));
    } else {
        QCOMPARE(selectionTitles(*view), QStringList());
        QCOMPARE(shownRows(*view), QStringList({"Dune"}));
        QCOMPARE(shownEntries(*view), QStringList({"Dune"}));
    }
}

void TestItemViews::deletedItemsLeaveBothPresentations()
{
    for (const char *title : {"Persuasion", "Dune", "Middlemarch", "Emma"})
        storeBook(QString::fromLatin1(title));
    const int emma = iidOf(QStringLiteral("Emma"));
    const int persuasion = iidOf(QStringLiteral("Persuasion"));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    connect(view.get(), &ItemViews::itemDeleted, view.get(), &ItemViews::deleteItemFromView);
    clickRow(*view, QStringLiteral("Emma"));
    clickRow(*view, QStringLiteral("Persuasion"), Qt::ControlModifier);
    QVERIFY(deleteThroughMenu(tableOf(*view)->viewport(), QStringLiteral("yes"))->asked);

    QCOMPARE(shownRows(*view), QStringList({"Dune", "Middlemarch"}));
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Dune", "Middlemarch"}));
    for (const int iid : {emma, persuasion}) {
        for (const char *table : {"items", "books", "files", "items_authors"})
            QCOMPARE(countOf(QString::fromLatin1(table), iid), 0);
        QVERIFY(!entryOf(*view, iid));
    }
    QVERIFY(!titleCellOf(*view, QStringLiteral("Emma")));
    QCOMPARE(countOf(QStringLiteral("items"), iidOf(QStringLiteral("Dune"))), 1);
    // Nothing is selected any more, so there is nothing to offer.
    QVERIFY(!withContextMenu(tableOf(*view)->viewport(), [](QMenu *) {}));

    view->search(QString());
    QCOMPARE(shownRows(*view), QStringList({"Dune", "Middlemarch"}));
    view->search(QStringLiteral("m"));
    QCOMPARE(shownRows(*view), QStringList({"Middlemarch"}));
    QCOMPARE(shownEntries(*view), QStringList({"Middlemarch"}));
    view->search(QString());
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Dune", "Middlemarch"}));

    // Sorting the other way round brings back nothing deleted.
    QHeaderView *header = tableOf(*view)->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    QCOMPARE(shownRows(*view), QStringList({"Middlemarch", "Dune"}));

    view->toggleView();
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Dune", "Middlemarch"}));
    view->deleteItemFromView(emma);
    QCOMPARE(sorted(shownEntries(*view)), QStringList({"Dune", "Middlemarch"}));
}

void TestItemViews::deleteFromOtherViews_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("removed");

    QTest::newRow("web page") << "WebPages"
                              << "KDE news" << QStringList({"Qt blog"}) << true;
    QTest::newRow("book of the author") << "BooksAuthor"
                                        << "Emma" << QStringList({"Persuasion"}) << true;
    QTest::newRow("book of another author") << "BooksAuthor"
                                            << "Dune" << QStringList({"Emma", "Persuasion"}) << false;
    QTest::newRow("web page in a books view") << "Books"
                                              << "Qt blog" << QStringList({"Dune", "Emma", "Persuasion"}) << false;
    QTest::newRow("book in a web page view") << "WebPages"
                                             << "Dune" << QStringList({"KDE news", "Qt blog"}) << false;
}

void TestItemViews::propertiesEditsTheSelectedBook_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("hidden");

    QTest::newRow("saved") << "save"
                           << "Emma (Annotated)" << false;
    QTest::newRow("cancelled") << "cancel"
                               << "Emma" << false;
    QTest::newRow("deleted") << "delete"
                             << "Emma" << true;
}

void TestItemViews::propertiesEditsTheSelectedBook()
{
    QFETCH(QString, answer);
    QFETCH(QString, title);
    QFETCH(bool, hidden);

    storeBook(StoredBook(QStringLiteral("Emma")).by(QStringLiteral("Jane Austen")).rated(2));
    storeBook(QStringLiteral("Dune"));
    const int emma = iidOf(QStringLiteral("Emma"));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    // Nothing links the two views: the change reaches the other one through the shared record.
    auto other = openView(QStringLiteral("BooksAuthor"), authorId(QStringLiteral("Jane Austen")));
    QVERIFY(other);
    const PropertiesOutcome outcome
        = answerProperties<BookProperties>(*view, QStringLiteral("Emma"), answer, [](BookProperties *dialog) {
              auto *titleField = dialog->findChild<QLineEdit *>(QStringLiteral("bookTitle"));
              titleField->clear();
              QTest::keyClicks(titleField, QStringLiteral("Emma (Annotated)"));
              QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnRating5")), Qt::LeftButton);
          });

    QCOMPARE(outcome.title, QStringLiteral("Emma"));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT title FROM books WHERE iid = %1").arg(emma)),
             hidden ? QList<QVariantList>() : QList<QVariantList>({{title}}));
    QCOMPARE(outcome.edited, answer == QLatin1String("save") ? 1 : 0);
    QCOMPARE(outcome.deleted, hidden ? 1 : 0);
    QCOMPARE(shownRows(*other), hidden ? QStringList() : QStringList({title}));
    if (hidden) {
        QCOMPARE(shownRows(*view), QStringList({"Dune"}));
        QCOMPARE(shownEntries(*view), QStringList({"Dune"}));
        other.reset();
        view.reset();
        QCOMPARE(Records::count(), 0);
        return;
    }
    // The row, the icon entry and the stars show what is stored.
    QCOMPARE(sorted(shownRows(*view)), sorted(QStringList({"Dune", title})));
    QVERIFY(titleCellOf(*view, title));
    QCOMPARE(entryOf(*view, emma)->text(), title);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT rating FROM items WHERE iid = %1").arg(emma)),
             QList<QVariantList>({{answer == QLatin1String("save") ? 5 : 2}}));
    const int row = titleCellOf(*view, title)->row();
    QTRY_VERIFY(tableOf(*view)->cellWidget(row, RatingColumn));
    QCOMPARE(qobject_cast<Rating *>(tableOf(*view)->cellWidget(row, RatingColumn))->getRating(),
             answer == QLatin1String("save") ? 5 : 2);
}

void TestItemViews::propertiesEditsTheSelectedWebPage_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("hidden");

    QTest::newRow("saved") << "save"
                           << "KDE release notes"
                           << "What is new in Plasma." << false;
    QTest::newRow("cancelled") << "cancel"
                               << "KDE news"
                               << "Release notes." << false;
    QTest::newRow("deleted") << "delete"
                             << "KDE news"
                             << "Release notes." << true;
}

void TestItemViews::propertiesEditsTheSelectedWebPage()
{
    QFETCH(QString, answer);
    QFETCH(QString, title);
    QFETCH(QString, description);
    QFETCH(bool, hidden);

    const int page = storePage(QStringLiteral("KDE news"), QStringLiteral("https://kde.org/"),
                               QStringLiteral("Release notes."), true);
    storePage(QStringLiteral("Qt blog"), QStringLiteral("https://qt.io/blog"), QString(), false);
    auto view = openView(QStringLiteral("WebPages"));
    QVERIFY(view);
    const PropertiesOutcome outcome
        = answerProperties<WebPageProperties>(*view, QStringLiteral("KDE news"), answer, [](WebPageProperties *dialog) {
              auto *titleField = dialog->findChild<QLineEdit *>(QStringLiteral("bookTitle"));
              auto *descriptionField = dialog->findChild<QTextEdit *>(QStringLiteral("bookDescription"));
              titleField->clear();
              QTest::keyClicks(titleField, QStringLiteral("KDE release notes"));
              descriptionField->clear();
              QTest::keyClicks(descriptionField, QStringLiteral("What is new in Plasma."));
          });

    QVERIFY(outcome.menuShown);
    QCOMPARE(outcome.title, QStringLiteral("KDE news"));
    QCOMPARE(outcome.description, QStringLiteral("Release notes."));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT title, description FROM webpages WHERE iid = %1").arg(page)),
             hidden ? QList<QVariantList>() : QList<QVariantList>({{title, description}}));
    QCOMPARE(outcome.edited, answer == QLatin1String("save") ? 1 : 0);
    QCOMPARE(outcome.deleted, hidden ? 1 : 0);
    if (hidden) {
        QCOMPARE(shownRows(*view), QStringList({"Qt blog"}));
        QCOMPARE(shownEntries(*view), QStringList({"Qt blog"}));
        return;
    }
    // The row and the icon entry show what is stored.
    QCOMPARE(sorted(shownRows(*view)), sorted(QStringList({"Qt blog", title})));
    const QTableWidgetItem *cell = titleCellOf(*view, title);
    QVERIFY(cell);
    QCOMPARE(tableOf(*view)->item(cell->row(), 3)->text(), description);
    QCOMPARE(entryOf(*view, page)->text(), title);
}

void TestItemViews::deleteFromOtherViews()
{
    QFETCH(QString, kind);
    QFETCH(QString, target);
    QFETCH(QStringList, shown);
    QFETCH(bool, removed);

    storeBook(QStringLiteral("Dune"), {}, {QStringLiteral("Frank Herbert")});
    storeBook(QStringLiteral("Emma"), {}, {QStringLiteral("Jane Austen")});
    storeBook(QStringLiteral("Persuasion"), {}, {QStringLiteral("Jane Austen")});
    storePage(QStringLiteral("KDE news"), QStringLiteral("https://kde.org/"), QString(), true);
    storePage(QStringLiteral("Qt blog"), QStringLiteral("https://qt.io/blog"), QString(), false);
    const int iid = iidOf(target);
    auto view = openView(kind, authorId(QStringLiteral("Jane Austen")));
    QVERIFY(view);

    view->deleteItemFromView(iid);
    QCOMPARE(shownRows(*view), shown);
    QCOMPARE(sorted(shownEntries(*view)), shown);
    QCOMPARE(countOf(QStringLiteral("items"), iid), removed ? 0 : 1);
    QCOMPARE(countOf(QStringLiteral("files"), iid) > 0, !removed && target != QLatin1String("Qt blog"));
    view->search(QString());
    QCOMPARE(shownRows(*view), shown);
}

void TestItemViews::contextMenuOffersWhatTheSelectionAllows_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<bool>("converterConnected");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("one book") << "Books" << QStringList({"Trilogy"}) << false
                              << QStringList({"Open", "Read", "Properties", "Convert (disabled)", "Delete",
                                              "Add Tags...", "Set Series..."})
                              << QStringList({"part1.pdf", "part2.epub", "part3.mobi"});
    QTest::newRow("one book, conversion available") << "Books" << QStringList({"Dune"}) << true
                                                    << QStringList({"Open", "Read", "Properties", "Convert", "Delete",
                                                                    "Add Tags...", "Remove Tag", "Set Series..."})
                                                    << QStringList({"Dune.pdf"});
    QTest::newRow("two books, one tagged")
        << "Books" << QStringList({"Dune", "Trilogy"}) << true
        << QStringList({"Delete", "Add Tags...", "Remove Tag", "Set Series..."}) << QStringList();
    QTest::newRow("nothing selected") << "Books" << QStringList() << true << QStringList() << QStringList();
    QTest::newRow("web page with a PDF") << "WebPages" << QStringList({"KDE news"}) << false
                                         << QStringList({"Open PDF", "Read", "Properties", "Open URL (External)",
                                                         "Delete", "Add Tags...", "Set Series..."})
                                         << QStringList();
    QTest::newRow("web page without a PDF")
        << "WebPages" << QStringList({"Qt blog"}) << false
        << QStringList({"Properties", "Open URL (External)", "Delete", "Add Tags...", "Set Series..."})
        << QStringList();
    QTest::newRow("two web pages") << "WebPages" << QStringList({"KDE news", "Qt blog"}) << false
                                   << QStringList({"Delete", "Add Tags...", "Set Series..."}) << QStringList();
}

void TestItemViews::contextMenuOffersWhatTheSelectionAllows()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, selected);
    QFETCH(bool, converterConnected);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, files);

    storeBook(StoredBook("Trilogy").withFiles({"part1.pdf", "part2.epub", "part3.mobi"}));
    storeBook(StoredBook("Dune").tagged({QStringLiteral("Desert")}));
    storePage(QStringLiteral("KDE news"), QStringLiteral("https://kde.org/"), QString(), true);
    storePage(QStringLiteral("Qt blog"), QStringLiteral("https://qt.io/blog"), QString(), false);
    auto view = openView(kind);
    QVERIFY(view);
    if (converterConnected)
        connect(view.get(), &ItemViews::convertItems, view.get(), [](const QList<std::shared_ptr<Item>> &) {});
    for (qsizetype index = 0; index < selected.size(); ++index)
        clickRow(*view, selected.at(index), index == 0 ? Qt::NoModifier : Qt::ControlModifier);

    QStringList offered;
    QStringList offeredFiles;
    QStringList fileData;
    const bool shown = withContextMenu(tableOf(*view)->viewport(), [&](QMenu *menu) {
        offered = entriesOf(menu);
        if (QAction *open = actionNamed(menu, QStringLiteral("Open"))) {
            QVERIFY(open->menu());
            offeredFiles = entriesOf(open->menu());
            for (const QAction *file : open->menu()->actions())
                fileData.append(file->data().toString());
        }
    });
    QCOMPARE(shown, !entries.isEmpty());
    QCOMPARE(offered, entries);
    QCOMPARE(offeredFiles, files);
    QStringList paths;
    for (const QString &file : std::as_const(files))
        paths.append(bookFile(file));
    QCOMPARE(fileData, paths);
    QCOMPARE(recorder->opened, QList<QUrl>());
}

void TestItemViews::convertSendsTheSelectedRecord()
{
    storeBook(QStringLiteral("Dune"));
    storeBook(QStringLiteral("Emma"));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    QList<QList<std::shared_ptr<Item>>> requested;
    connect(view.get(), &ItemViews::convertItems, view.get(),
            [&requested](const QList<std::shared_ptr<Item>> &records) { requested.append(records); });
    clickRow(*view, QStringLiteral("Emma"));

    QVERIFY(withContextMenu(tableOf(*view)->viewport(), [](QMenu *menu) { choose(menu, QStringLiteral("Convert")); }));
    QCOMPARE(requested.count(), 1);
    const QList<std::shared_ptr<Item>> records = requested.constFirst();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.constFirst()->getIid(), iidOf(QStringLiteral("Emma")));
}

void TestItemViews::labelsReachTheSelectionInEveryView()
{
    storeBook(QStringLiteral("Dune"), {}, {QStringLiteral("Frank Herbert")});
    storeBook(StoredBook("Emma").by(QStringLiteral("Jane Austen")).tagged({QStringLiteral("Classics")}));
    storeBook(QStringLiteral("Persuasion"), {}, {QStringLiteral("Jane Austen")});
    auto view = openView(QStringLiteral("Books"));
    auto austen = openView(QStringLiteral("BooksAuthor"), authorId(QStringLiteral("Jane Austen")));
    QVERIFY(view && austen);
    clickRow(*view, QStringLiteral("Persuasion"));
    clickRow(*view, QStringLiteral("Emma"), Qt::ControlModifier);

    QVERIFY(withContextMenu(tableOf(*view)->viewport(), [](QMenu *menu) {
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setTextValue(QStringLiteral("romance, classics"));
            dialog->accept();
        });
        choose(menu, QStringLiteral("Add Tags..."));
    }));
    QCOMPARE(columnTexts(*austen, 5), QStringList({"Classics, romance", "romance, Classics"}));

    // Numbered in the order shown, whatever order they were chosen in.
    QVERIFY(withContextMenu(tableOf(*view)->viewport(), [](QMenu *menu) {
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            DialogTesting::child<QComboBox>(*dialog, "seriesCombo")->setCurrentText(QStringLiteral("Austen Novels"));
            DialogTesting::child<QDoubleSpinBox>(*dialog, "seriesPosition")->setValue(4);
            dialog->accept();
        });
        choose(menu, QStringLiteral("Set Series..."));
    }));
    QCOMPARE(columnTexts(*austen, 6), QStringList({"Austen Novels [4]", "Austen Novels [5]"}));

    QVERIFY(withContextMenu(tableOf(*view)->viewport(), [](QMenu *menu) {
        QAction *remove = actionNamed(menu, QStringLiteral("Remove Tag"));
        QVERIFY(remove && remove->menu());
        QCOMPARE(entriesOf(remove->menu()), QStringList({"Classics", "romance"}));
        actionNamed(remove->menu(), QStringLiteral("Classics"))->trigger();
    }));
    QCOMPARE(columnTexts(*austen, 5), QStringList({"romance", "romance"}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT name FROM tags")), QList<QVariantList>({{"romance"}}));
    QCOMPARE(columnTexts(*view, 5), QStringList({"", "romance", "romance"}));
}

void TestItemViews::choosingAFileOpensThatFileOnce()
{
    storeBook(StoredBook("Trilogy").withFiles({"part1.pdf", "part2.epub", "part3.mobi"}));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);
    clickRow(*view, QStringLiteral("Trilogy"));

    QVERIFY(withContextMenu(tableOf(*view)->viewport(), [](QMenu *menu) {
        menu->setActiveAction(actionNamed(menu, QStringLiteral("Open")));
        QTest::keyClick(menu, Qt::Key_Right);
        auto *files = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(files && files != menu);
        choose(files, QStringLiteral("part2.epub"));
    }));
    QCOMPARE(recorder->opened, QList<QUrl>({QUrl::fromLocalFile(bookFile(QStringLiteral("part2.epub")))}));

    // "Read" lists the files the program shows itself, and asks for the one chosen.
    QSignalSpy read(view.get(), &ItemViews::readRequested);
    QVERIFY(withContextMenu(tableOf(*view)->viewport(), [](QMenu *menu) {
        menu->setActiveAction(actionNamed(menu, QStringLiteral("Read")));
        QTest::keyClick(menu, Qt::Key_Right);
        auto *files = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(files && files != menu);
        QCOMPARE(entriesOf(files), QStringList({"part1.pdf", "part2.epub"}));
        choose(files, QStringLiteral("part1.pdf"));
    }));
    QCOMPARE(read, QList<QVariantList>({{bookFile(QStringLiteral("part1.pdf")), 0, QString()}}));
    QCOMPARE(recorder->opened.size(), 1);
}

void TestItemViews::webPageMenuOpensThePdfOrTheAddress_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("opensPdf");

    QTest::newRow("PDF") << "Open PDF" << true;
    QTest::newRow("address") << "Open URL (External)" << false;
}

void TestItemViews::webPageMenuOpensThePdfOrTheAddress()
{
    QFETCH(QString, entry);
    QFETCH(bool, opensPdf);

    const QString url = QStringLiteral("https://kde.org/announcements/?year=2023#top");
    storePage(QStringLiteral("KDE news"), url, QStringLiteral("Release notes."), true);
    auto view = openView(QStringLiteral("WebPages"));
    QVERIFY(view);
    clickRow(*view, QStringLiteral("KDE news"));

    QVERIFY(withContextMenu(tableOf(*view)->viewport(), [entry](QMenu *menu) { choose(menu, entry); }));
    const QUrl expected = opensPdf ? QUrl::fromLocalFile(pageFile(QStringLiteral("KDE news"))) : QUrl(url);
    QCOMPARE(recorder->opened, QList<QUrl>({expected}));
}

void TestItemViews::doubleClickOpensTheFileFromTheTitle_data()
{
    QTest::addColumn<bool>("inList");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("fileMissing");
    QTest::addColumn<bool>("opens");

    QTest::newRow("title cell") << false << 0 << false << true;
    QTest::newRow("author cell") << false << 1 << false << false;
    QTest::newRow("publisher cell") << false << 7 << false << false;
    QTest::newRow("title cell, file gone") << false << 0 << true << false;
    QTest::newRow("list entry") << true << 0 << false << true;
    QTest::newRow("list entry, file gone") << true << 0 << true << false;
}

void TestItemViews::doubleClickOpensTheFileFromTheTitle()
{
    QFETCH(bool, inList);
    QFETCH(int, column);
    QFETCH(bool, fileMissing);
    QFETCH(bool, opens);

    const int iid = storeBook(
        StoredBook("Dune").by("Frank Herbert").withFiles({"Dune.epub", "Dune.pdf"}).published("1965", "Chilton"));
    storeBook(QStringLiteral("Emma"));
    const QString path = bookFile(QStringLiteral("Dune.epub"));
    if (fileMissing)
        QVERIFY(QFile::remove(path));
    auto view = openView(QStringLiteral("Books"));
    QVERIFY(view);

    if (inList) {
        view->toggleView();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QListWidget *list = listOf(*view);
        doubleClick(list->viewport(), list->visualItemRect(entryOf(*view, iid)).center());
    } else {
        QTableWidget *table = tableOf(*view);
        const QTableWidgetItem *cell = table->item(rowOf(*view, QStringLiteral("Dune")), column);
        QVERIFY(cell);
        doubleClick(table->viewport(), table->visualItemRect(cell).center());
    }
    QCOMPARE(recorder->opened, opens ? QList<QUrl>({QUrl::fromLocalFile(path)}) : QList<QUrl>());
}

SHELVIO_TEST_MAIN(TestItemViews)
#include "tst_itemviews.moc"
