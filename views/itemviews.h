#ifndef ITEMVIEWS_H
#define ITEMVIEWS_H

#include "model/fulltextsearch.h"

#include <QHash>
#include <QList>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>

class BackgroundSearch;
class Book;
class Books;
class FullTextResults;
class Item;
class ItemList;
class ItemOrder;
class ItemTable;
class QAction;
class QListWidgetItem;
class QMenu;
class QTableWidgetItem;
class StoredFilesRefresh;
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
// entries, kept in step. The views keep their own orders: their rows and entries show the items a search
// leaves, so that a keystroke in a library of 100,000 books changes a few screens' worth of widgets.
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
    // The view item of a record this view holds; nothing when it holds none of that id.
    ViewItem *heldViewItem(int iid) const;
    // The tag or series a "BooksTag" or "BooksSeries" view shows.
    int getGroupId() const { return groupId; }
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
    // The file is to be shown in the program's own reader; at a page or chapter (1-based) with the words
    // searched, for a full-text hit.
    void readRequested(const QString &path, int part = 0, const QString &words = {});
    // Tags or series were put on the selection or taken off it.
    void labelsChanged();
    // A full-text search could not be run; empty when the last one could.
    void searchProblem(const QString &message);
    // The empty library's buttons.
    void singleBookRequested();
    void multipleBooksRequested();

public slots:
    void menu(const QPoint &position);
    // Draws the record's entries again; before the first search, a record not shown yet is added.
    void updateItem(Item *record);
    void search(const QString &text);
    // The same for text being typed: the statement runs in the background, and a newer search or key
    // supersedes it.
    void searchTyped(const QString &text);
    // Whether searches look through the text of the books rather than their titles and descriptions.
    void setFullTextScope(bool fullText);
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
    // The view holds the item from now on and hears of its changes.
    void hold(ViewItem *item);
    // Adds an item the view did not hold, shown, at its place in both orders.
    void addEntry(ViewItem *item);
    // Moves an item whose data changed to where it now belongs in either order.
    void keepInOrder(ViewItem *item);
    void reloadItem(int iid);
    // Takes the entries of a deleted item out, forgets them and lets the collection's record go; the record is
    // returned to the caller, which may hold it a while longer.
    std::shared_ptr<Item> takeItem(int iid);
    // The search's hits become what the view shows.
    void showHits(const QString &text, const QList<int> &ids);
    void showSearchResult(const QString &text);
    // The items whose text holds the words, best first, and the pages or chapters where it does beside them.
    void showFullTextHits(const QString &text, const FullTextSearch::Result &result);
    FullTextSearch::Scope fullTextScopeOfView() const;
    // The rows follow the orders again, as after a title search or a click on the header.
    void endBestFirst();
    // The shown items in the order's, or best first after a full-text search.
    QList<ViewItem *> shownInOrder(const ItemOrder &order) const;
    void filterEntries();
    void sortTable(int column, Qt::SortOrder order);
    // Gives the rows and entries the shown items in their orders, keeping the selection of those still shown.
    void showEntries();
    void selectInTable(const QList<ViewItem *> &items);
    void selectInList(const QList<ViewItem *> &items);
    // Queues the files of the entries in view that are still as stored.
    void refreshStoredFiles();
    // Shows the notice of an empty library or of a search without hits, and tells the count.
    void itemsChanged();

    Item *findRecord(int iid) const;
    ViewItem *refreshedViewItem(Item *record) const;

    void addBookMenu(QMenu &menu, const ViewItem &item, bool single);
    void addWebPageMenu(QMenu &menu, const ViewItem &item, bool single);
    // "Add Tags...", "Remove Tag" and "Set Series..." for the selection.
    void addLabelMenu(QMenu &menu);
    QList<Item *> selectedRecords() const;
    void addTagsToSelection();
    void setSeriesOfSelection();
    // Tells when a change of tags or series could not be stored, and the window when it was.
    void reportLabelChange(bool stored);
    // "Read", for the files among these that the program's readers show; none when there are none.
    void addReadMenu(QMenu &menu, const QStringList &paths);
    static void openFile(const QString &path);

    std::unique_ptr<Ui::ItemViews> ui;
    QString kind;
    Books *books = nullptr;
    WebPages *webPages = nullptr;
    QList<ViewItem *> *viewItems = nullptr;

    BackgroundSearch *backgroundSearch = nullptr;
    int authorId = 0;
    // The tag or series of a "BooksTag" or "BooksSeries" view.
    int groupId = 0;
    bool fullTextScope = false;
    FullTextResults *fullTextResults = nullptr;
    // Each item's place among a full-text search's hits, best first; empty while the rows follow the orders.
    QHash<int, int> hitRanks;
    ItemTable *table = nullptr;
    ItemList *list = nullptr;
    // Every item the view holds, in the table's order and in the icons' (by title).
    std::unique_ptr<ItemOrder> tableOrder;
    std::unique_ptr<ItemOrder> listOrder;
    QSet<ViewItem *> heldItems;
    // The held items a search did not leave out.
    QSet<ViewItem *> shownItems;

    QList<ViewItem *> selection;
    QString lastSearchTerms;
    bool acceptsNewItems = true;
    std::unique_ptr<QMenu> contextMenu;
    // Brings what the disk says of the shown books' files, after the view is on screen.
    StoredFilesRefresh *filesRefresh = nullptr;
    // Whether the columns have their widths, restored or given on the first show.
    bool columnsRestored = false;
};

#endif // ITEMVIEWS_H
