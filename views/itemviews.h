#ifndef ITEMVIEWS_H
#define ITEMVIEWS_H

#include <QHash>
#include <QList>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>

class Book;
class Books;
class CoverListEntry;
class Item;
class QAction;
class QListWidgetItem;
class QMenu;
class QTableWidgetItem;
class Rating;
class StoredFilesRefresh;
class VisibleRowWidgets;
class WebPage;
class WebPages;
struct ViewItem;

namespace Ui {
class ItemViews;
}

// The signals and slots carry these types; moc needs them whole.
Q_MOC_INCLUDE("model/book.h")
Q_MOC_INCLUDE("model/item.h")
Q_MOC_INCLUDE("model/viewitem.h")
Q_MOC_INCLUDE("model/webpage.h")
Q_MOC_INCLUDE(<QAction>)
Q_MOC_INCLUDE(<QListWidgetItem>)
Q_MOC_INCLUDE(<QTableWidgetItem>)

// One collection of library items in a tab: a table (page 0) and an icon list (page 1) of the same
// entries, kept in step. Entries are never removed from the widgets; a deleted item is hidden and marked.
class ItemViews : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ItemViews)

public:
    static constexpr int TablePage = 0;
    static constexpr int ListPage = 1;

    // kind is "Books", "WebPages" or "BooksAuthor"; aid names the author of a "BooksAuthor" view.
    ItemViews(QWidget *parent, const QString &kind, int aid);
    ~ItemViews() override;

    QString getKind() const { return kind; }
    void populate();
    void setWebPageColumns();
    void toggleView();
    int currentPage() const;
    QString searchTerms() const { return lastSearchTerms; }
    QList<ViewItem *> getSelection() const { return selection; }

    // What the status bar says of this tab.
    QString summary() const;
    // As a double-click on the first selected item, and as the keys Enter, F2 and Delete.
    void openSelection();
    void editItem();
    void deleteItem();
    void selectAll();

protected:
    void showEvent(QShowEvent *event) override;

signals:
    void itemDeleted(int iid);
    void selectedViewItem(ViewItem *item);
    void convertItems(const QList<std::shared_ptr<Item>> &items);
    void ratingSet(int iid, int rating);
    // The item was edited and stored; its record has told every view already.
    void itemEdited(int iid);
    // The count of items, of those shown or of the selection changed.
    void summaryChanged();
    // The empty library's buttons.
    void singleBookRequested();
    void multipleBooksRequested();

public slots:
    void menu(const QPoint &position);
    // Draws the record's entries again; before the first search, a record not shown yet is added.
    void updateItem(Item *record);
    void search(const QString &text);
    void setRating(int iid, int rating);
    void addBook(Book *book);
    // Shows a page captured during this run in a web pages view; other views ignore it.
    void addWebPage(WebPage *page);
    // Deletes the item from the library; every view holding it hides it.
    void deleteItemFromView(int iid);

private slots:
    void on_viewList_itemSelectionChanged();
    void on_viewTable_itemSelectionChanged();
    void on_viewTable_itemDoubleClicked(QTableWidgetItem *cell);
    void on_viewList_itemDoubleClicked(QListWidgetItem *entry);
    void openItemFile(QAction *action);
    void openItemUrl(QAction *action);
    void actionConvertItems();
    // The item was removed elsewhere: its entries are hidden and its record let go.
    void dropItem(int iid);

private:
    struct BookRow
    {
        QTableWidgetItem *title = nullptr;
        QTableWidgetItem *authors = nullptr;
        QTableWidgetItem *date = nullptr;
        QTableWidgetItem *size = nullptr;
        QTableWidgetItem *publisher = nullptr;
        QTableWidgetItem *published = nullptr;
        // Made when the row is first on screen.
        Rating *rating = nullptr;
    };
    struct WebRow
    {
        QTableWidgetItem *title = nullptr;
        QTableWidgetItem *url = nullptr;
        QTableWidgetItem *created = nullptr;
        QTableWidgetItem *description = nullptr;
    };

    void addViewItem(ViewItem *item, int row);
    void appendRow(ViewItem *item);
    void addListEntry(ViewItem *item);
    void fillBookRow(ViewItem *item, int row);
    void fillWebRow(ViewItem *item, int row);
    void renderListEntry(CoverListEntry *entry, const ViewItem &item);
    void renderBookRow(const BookRow &cells, const ViewItem &item);
    void renderWebRow(const WebRow &cells, const ViewItem &item);
    void refresh(ViewItem *item);
    void reloadItem(int iid);
    // Hides and marks the entries of a deleted item, forgets them and lets the collection's record go;
    // the record is returned to the caller, which may hold it a while longer.
    std::shared_ptr<Item> takeItem(int iid);
    void hideDeleted(ViewItem *item);
    void filterEntries();
    void showTableRows(const QList<ViewItem *> &hidden, const QList<ViewItem *> &shown);
    // Queues the files of the entries in view that are still as stored.
    void refreshStoredFiles();
    // Shows the notice of an empty library or of a search without hits, and tells the count.
    void itemsChanged();

    Item *findRecord(int iid) const;
    ViewItem *refreshedViewItem(Item *record) const;

    void addBookMenu(QMenu &menu, const ViewItem &item, bool single);
    void addWebPageMenu(QMenu &menu, const ViewItem &item, bool single);
    static void openFile(const QString &path);

    void createRatingWidget(int row);

    std::unique_ptr<Ui::ItemViews> ui;
    QString kind;
    Books *books = nullptr;
    WebPages *webPages = nullptr;
    QList<ViewItem *> *viewItems = nullptr;

    QHash<ViewItem *, CoverListEntry *> listEntryOf;
    QHash<QListWidgetItem *, ViewItem *> viewItemOfListEntry;
    QHash<ViewItem *, QTableWidgetItem *> titleCellOf;
    QHash<QTableWidgetItem *, ViewItem *> viewItemOfTitleCell;
    QHash<ViewItem *, BookRow> bookRowOf;
    QHash<ViewItem *, WebRow> webRowOf;

    QList<ViewItem *> selection;
    QString lastSearchTerms;
    bool acceptsNewItems = true;
    std::unique_ptr<QMenu> contextMenu;
    VisibleRowWidgets *ratingWidgets = nullptr;
    // Brings what the disk says of the shown books' files, after the view is on screen.
    StoredFilesRefresh *filesRefresh = nullptr;
    // Whether the columns have their widths, restored or given on the first show.
    bool columnsRestored = false;
    // Items not hidden by a search.
    int shownCount = 0;
    // The entries shown now, so that a search touches only those whose visibility changes.
    QSet<ViewItem *> shownItems;
};

#endif // ITEMVIEWS_H
