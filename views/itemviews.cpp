#include "views/itemviews.h"

#include "core/readableformats.h"
#include "core/settings.h"
#include "editing/bookproperties.h"
#include "editing/seriesdialog.h"
#include "editing/webpageproperties.h"
#include "model/backgroundsearch.h"
#include "model/book.h"
#include "model/books.h"
#include "model/fulltextquery.h"
#include "model/fulltextsearch.h"
#include "model/itemroles.h"
#include "model/labeledit.h"
#include "model/labelstore.h"
#include "model/records.h"
#include "model/viewitem.h"
#include "model/webpage.h"
#include "model/webpages.h"
#include "ui_itemviews.h"
#include "views/fulltextresults.h"
#include "views/itemcounttext.h"
#include "views/itemlist.h"
#include "views/itemorder.h"
#include "views/itemtable.h"
#include "views/storedfilesrefresh.h"
#include "widgets/deleteconfirmation.h"

#include <QCursor>
#include <QDebug>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelection>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QUrl>

namespace {

const QString BookType = QStringLiteral("Book");
const QString WebPageType = QStringLiteral("WebPage");

const QList<ItemColumns::Column> &columnsOf(const QString &kind)
{
    return kind == QLatin1String("WebPages") ? ItemColumns::webPages() : ItemColumns::books();
}

// The rows of the chosen items, runs of neighbours as one range each: a whole library selected is one range.
QItemSelection rowsOf(const QAbstractItemModel *model, const QList<ViewItem *> &rows, const QList<ViewItem *> &chosen)
{
    QItemSelection selected;
    if (chosen.isEmpty())
        return selected;
    const QSet<ViewItem *> wanted(chosen.cbegin(), chosen.cend());
    const int lastColumn = model->columnCount() - 1;
    for (int row = 0; row < rows.size(); ++row) {
        if (!wanted.contains(rows.at(row)))
            continue;
        int last = row;
        while (last + 1 < rows.size() && wanted.contains(rows.at(last + 1)))
            ++last;
        selected.select(model->index(row, 0), model->index(last, lastColumn));
        row = last;
    }
    return selected;
}

enum class EditResult { Saved, Deleted, Cancelled };

// Runs the properties dialog of one item to its end.
template<typename Dialog>
EditResult runProperties(QWidget *parent, int iid)
{
    Dialog dialog(parent, iid);
    const int result = dialog.exec();
    if (result == QDialog::Accepted)
        return EditResult::Saved;
    return result == Dialog::Deleted ? EditResult::Deleted : EditResult::Cancelled;
}

} // namespace

ItemViews::ItemViews(QWidget *parent, const QString &kind, int aid)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ItemViews>())
    , kind(kind)
    , authorId(kind == QLatin1String("BooksAuthor") ? aid : 0)
    , groupId(kind == QLatin1String("BooksTag") || kind == QLatin1String("BooksSeries") ? aid : 0)
{
    ui->setupUi(this);
    // A full-text search lists its hits beside the view.
    auto *split = new QSplitter(this);
    delete ui->itemViewsLayout->replaceWidget(ui->stackedWidget, split);
    split->addWidget(ui->stackedWidget);
    fullTextResults = new FullTextResults(split);
    split->addWidget(fullTextResults);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    fullTextResults->hide();
    connect(fullTextResults, &FullTextResults::hitActivated, this, [this](const QString &path, int part) {
        emit readRequested(path, part, FullTextQuery(lastSearchTerms).firstTerm());
    });
    ui->stackedWidget->setCurrentIndex(TablePage);
    // The views keep their own orders: their rows and entries are slots that the widgets must not move.
    QTableWidget *viewTable = ui->viewTable;
    viewTable->setSortingEnabled(false);
    ui->viewList->setSortingEnabled(false);
    QHeaderView *header = viewTable->horizontalHeader();
    // Without its sorting, a table selects the column whose header is pressed; here the header sorts.
    disconnect(header, &QHeaderView::sectionPressed, viewTable, nullptr);
    disconnect(header, &QHeaderView::sectionEntered, viewTable, nullptr);
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    const QList<ItemColumns::Column> &columns = columnsOf(kind);
    table = new ItemTable(viewTable, columns);
    connect(table, &ItemTable::ratingSet, this, &ItemViews::setRating);
    list = new ItemList(ui->viewList);
    backgroundSearch = new BackgroundSearch(this);
    connect(backgroundSearch, &BackgroundSearch::found, this, [this](const QString &term, const QList<int> &ids) {
        endBestFirst();
        showHits(term, ids);
    });
    connect(backgroundSearch, &BackgroundSearch::fullTextFound, this, &ItemViews::showFullTextHits);
    tableOrder = std::make_unique<ItemOrder>(columns);
    listOrder = std::make_unique<ItemOrder>(columns);
    connect(ui->viewTable, &QWidget::customContextMenuRequested, this, &ItemViews::menu);
    connect(ui->viewList, &QWidget::customContextMenuRequested, this, &ItemViews::menu);
    // Keys act on the selection while the focus is in this tab.
    const std::pair<QKeySequence, void (ItemViews::*)()> keys[] = {
        {QKeySequence(Qt::Key_Delete), &ItemViews::deleteItem},
        {QKeySequence(Qt::Key_Return), &ItemViews::openSelection},
        {QKeySequence(Qt::Key_Enter), &ItemViews::openSelection},
        {QKeySequence(Qt::Key_F2), &ItemViews::editItem},
    };
    for (const auto &[key, action] : keys) {
        auto *shortcut = new QShortcut(key, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    }
    connect(ui->btnNoticeSingleBook, &QPushButton::clicked, this, &ItemViews::singleBookRequested);
    connect(ui->btnNoticeMultipleBooks, &QPushButton::clicked, this, &ItemViews::multipleBooksRequested);

    if (kind == QLatin1String("WebPages")) {
        // Its columns before any row or stored column state meets them.
        setWebPageColumns();
        webPages = new WebPages(this);
        viewItems = webPages->getViewItems();
    } else {
        // An author view without an author (aid below 0) simply holds no books.
        const bool grouped = kind == QLatin1String("BooksAuthor") || kind == QLatin1String("BooksTag")
            || kind == QLatin1String("BooksSeries");
        books = grouped ? new Books(this, kind, aid) : new Books(this, QString(), -1);
        viewItems = books->getViewItems();
        filesRefresh = new StoredFilesRefresh(this);
    }
}

ItemViews::~ItemViews()
{
    // The stored state shows the sort, whatever a full-text search did with it.
    ui->viewTable->horizontalHeader()->setSortIndicatorShown(true);
    Settings().setValue(Settings::tableHeaderKey(kind), ui->viewTable->horizontalHeader()->saveState());
}

void ItemViews::populate()
{
    QList<ViewItem *> items;
    items.reserve(viewItems->size());
    for (ViewItem *item : std::as_const(*viewItems)) {
        if (!heldItems.contains(item)) {
            hold(item);
            items.append(item);
        }
    }
    QHeaderView *header = ui->viewTable->horizontalHeader();
    // The columns as the user left them in this kind of tab; the first time, sized when the table shows.
    columnsRestored = header->restoreState(Settings().value(Settings::tableHeaderKey(kind)).toByteArray());
    // A series' books are first shown in the order of their numbers.
    if (!columnsRestored)
        header->setSortIndicator(kind == QLatin1String("BooksSeries") ? ItemColumns::SeriesColumn : 0,
                                 Qt::AscendingOrder);
    listOrder->assign(items);
    tableOrder->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    tableOrder->assign(std::move(items));
    shownItems = heldItems;
    showEntries();
    connect(header, &QHeaderView::sortIndicatorChanged, this, &ItemViews::sortTable);
    itemsChanged();
}

void ItemViews::hold(ViewItem *item)
{
    Item *record = item->record();
    connect(record, &Item::changed, this, &ItemViews::updateItem);
    connect(record, &Item::removed, this, &ItemViews::dropItem);
    heldItems.insert(item);
}

QString ItemViews::summary() const
{
    return ItemCountText::summary(webPages != nullptr, int(heldItems.size()), int(shownItems.size()),
                                  int(selection.size()), !lastSearchTerms.isEmpty());
}

void ItemViews::itemsChanged()
{
    // An empty library says how to fill it; a search without hits says so instead of an empty table.
    const bool emptyLibrary = heldItems.isEmpty() && kind == QLatin1String("Books") && lastSearchTerms.isEmpty();
    const bool nothingFound = shownItems.isEmpty() && !lastSearchTerms.isEmpty();
    if (emptyLibrary)
        ui->noticeText->setText(tr("Your library is empty."));
    else if (nothingFound)
        ui->noticeText->setText(tr("No items match “%1”.").arg(lastSearchTerms));
    ui->btnNoticeSingleBook->setVisible(emptyLibrary);
    ui->btnNoticeMultipleBooks->setVisible(emptyLibrary);
    ui->notice->setVisible(emptyLibrary || nothingFound);
    ui->stackedWidget->setVisible(!emptyLibrary && !nothingFound);
    if (nothingFound)
        emit selectedViewItem(nullptr);
    emit summaryChanged();
}

void ItemViews::openSelection()
{
    if (!selection.isEmpty())
        openFile(selection.constFirst()->filePath);
}

void ItemViews::selectAll()
{
    if (currentPage() == TablePage)
        ui->viewTable->selectAll();
    else
        ui->viewList->selectAll();
}

void ItemViews::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (columnsRestored)
        return;
    columnsRestored = true;
    // Once the first screen is drawn.
    QTimer::singleShot(0, this, &ItemViews::refreshStoredFiles);
    QTableWidget *table = ui->viewTable;
    for (int column = 1; column < table->columnCount(); ++column)
        table->resizeColumnToContents(column);
    // Titles are what a reader looks for: they get a good share of the width.
    constexpr double TitleShare = 0.4;
    table->setColumnWidth(0, int(table->viewport()->width() * TitleShare));
}

void ItemViews::setWebPageColumns()
{
    ui->viewTable->setColumnCount(4);
    ui->viewTable->setHorizontalHeaderLabels({tr("Title"), tr("Url"), tr("Created"), tr("Description")});
}

int ItemViews::currentPage() const
{
    return ui->stackedWidget->currentIndex();
}

void ItemViews::toggleView()
{
    if (currentPage() == TablePage) {
        selectInList(selection);
        ui->stackedWidget->setCurrentIndex(ListPage);
        return;
    }
    selectInTable(selection);
    ui->stackedWidget->setCurrentIndex(TablePage);
}

void ItemViews::selectInTable(const QList<ViewItem *> &items)
{
    QTableWidget *viewTable = ui->viewTable;
    viewTable->clearSelection();
    viewTable->selectionModel()->select(rowsOf(viewTable->model(), table->items(), items),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ItemViews::selectInList(const QList<ViewItem *> &items)
{
    QListWidget *viewList = ui->viewList;
    viewList->clearSelection();
    viewList->selectionModel()->select(rowsOf(viewList->model(), list->items(), items),
                                       QItemSelectionModel::ClearAndSelect);
}

void ItemViews::on_viewList_itemSelectionChanged()
{
    if (currentPage() != ListPage)
        return;
    selection.clear();
    const QList<QListWidgetItem *> entries = ui->viewList->selectedItems();
    for (QListWidgetItem *entry : entries) {
        if (ViewItem *item = list->itemAt(ui->viewList->row(entry))) {
            selection.append(item);
            emit selectedViewItem(item);
        }
    }
    emit summaryChanged();
}

void ItemViews::on_viewTable_itemSelectionChanged()
{
    if (currentPage() != TablePage)
        return;
    selection.clear();
    const QList<QTableWidgetSelectionRange> ranges = ui->viewTable->selectedRanges();
    for (const QTableWidgetSelectionRange &range : ranges) {
        for (int row = range.topRow(); row <= range.bottomRow(); ++row) {
            if (ViewItem *item = table->itemAt(row)) {
                selection.append(item);
                emit selectedViewItem(item);
            }
        }
    }
    emit summaryChanged();
}

void ItemViews::setFullTextScope(bool fullText)
{
    fullTextScope = fullText;
    fullTextResults->setVisible(fullText && !lastSearchTerms.isEmpty());
}

void ItemViews::showFullTextHits(const QString &text, const FullTextSearch::Result &result)
{
    emit searchProblem(result.problem);
    QList<int> ids;
    hitRanks.clear();
    for (const FullTextSearch::Hit &hit : result.hits) {
        if (!hitRanks.contains(hit.iid)) {
            hitRanks.insert(hit.iid, int(ids.size()));
            ids << hit.iid;
        }
    }
    ui->viewTable->horizontalHeader()->setSortIndicatorShown(false);
    showHits(text, ids);
    fullTextResults->showHits(result.hits, [this](int iid) {
        if (webPages) {
            const WebPage *page = webPages->find(iid);
            return page ? page->getTitle() : QString();
        }
        const Book *book = books->find(iid);
        return book ? book->getTitle() : QString();
    });
    fullTextResults->show();
}

FullTextSearch::Scope ItemViews::fullTextScopeOfView() const
{
    return {webPages ? QStringLiteral("WebPage") : QStringLiteral("Book"), authorId,
            kind == QLatin1String("BooksTag") ? groupId : 0, kind == QLatin1String("BooksSeries") ? groupId : 0};
}

void ItemViews::search(const QString &text)
{
    backgroundSearch->cancel();
    if (fullTextScope && !text.trimmed().isEmpty()) {
        showFullTextHits(text, FullTextSearch::run(text, fullTextScopeOfView()));
        return;
    }
    endBestFirst();
    fullTextResults->hide();
    emit searchProblem({});
    // An author view searches that author's books.
    if (webPages)
        webPages->dbSearch(text);
    else
        books->dbSearch(text);
    showSearchResult(text);
}

void ItemViews::searchTyped(const QString &text)
{
    if (fullTextScope && !text.trimmed().isEmpty()) {
        backgroundSearch->startFullText(text, fullTextScopeOfView());
        return;
    }
    if (fullTextScope) {
        search(text);
        return;
    }
    const std::optional<Items::Search> statement
        = webPages ? std::optional(WebPages::searchStatement(text)) : books->searchStatement(text);
    if (!statement) {
        search(text);
        return;
    }
    backgroundSearch->start(*statement, text);
}

void ItemViews::showHits(const QString &text, const QList<int> &ids)
{
    if (webPages)
        webPages->showFound(ids);
    else
        books->showFound(ids);
    showSearchResult(text);
}

void ItemViews::showSearchResult(const QString &text)
{
    acceptsNewItems = false;
    lastSearchTerms = text;
    filterEntries();
    // A search may have loaded books this view did not hold yet.
    if (isVisible())
        refreshStoredFiles();
}

void ItemViews::refreshStoredFiles()
{
    if (!filesRefresh)
        return;
    QList<std::shared_ptr<Item>> records;
    records.reserve(viewItems->size());
    for (const ViewItem *item : std::as_const(*viewItems)) {
        if (std::shared_ptr<Item> record = Records::find(item->iid))
            records.append(std::move(record));
    }
    filesRefresh->refresh(records);
}

void ItemViews::filterEntries()
{
    QSet<ViewItem *> found;
    found.reserve(viewItems->size());
    for (ViewItem *item : std::as_const(*viewItems)) {
        if (heldItems.contains(item))
            found.insert(item);
    }
    shownItems = std::move(found);
    // What the user no longer sees must not be acted on.
    selection.removeIf([this](ViewItem *item) { return !shownItems.contains(item); });
    // First, so that a table that was hidden for want of hits is on screen when its rows get their cells.
    itemsChanged();
    showEntries();
}

void ItemViews::sortTable(int column, Qt::SortOrder order)
{
    endBestFirst();
    tableOrder->sort(column, order);
    showEntries();
}

void ItemViews::endBestFirst()
{
    hitRanks.clear();
    ui->viewTable->horizontalHeader()->setSortIndicatorShown(true);
}

QList<ViewItem *> ItemViews::shownInOrder(const ItemOrder &order) const
{
    QList<ViewItem *> items = order.filtered(shownItems);
    if (!hitRanks.isEmpty()) {
        std::stable_sort(items.begin(), items.end(), [this](const ViewItem *first, const ViewItem *second) {
            return hitRanks.value(first->iid, INT_MAX) < hitRanks.value(second->iid, INT_MAX);
        });
    }
    return items;
}

void ItemViews::showEntries()
{
    // One batch: the views lay out and draw once, after the last change; the selections are set again below.
    const QSignalBlocker tableSignals(ui->viewTable);
    const QSignalBlocker listSignals(ui->viewList);
    ui->viewTable->setUpdatesEnabled(false);
    ui->viewList->setUpdatesEnabled(false);
    table->setItems(shownInOrder(*tableOrder));
    list->setItems(shownInOrder(*listOrder));
    // The rows selected before may show other items now.
    if (currentPage() == TablePage)
        selectInTable(selection);
    else
        selectInList(selection);
    ui->viewList->setUpdatesEnabled(true);
    ui->viewTable->setUpdatesEnabled(true);
}

Item *ItemViews::findRecord(int iid) const
{
    if (webPages)
        return webPages->find(iid);
    return books->find(iid);
}

ViewItem *ItemViews::heldViewItem(int iid) const
{
    const Item *record = findRecord(iid);
    ViewItem *item = nullptr;
    if (record && record->getType() == BookType)
        item = static_cast<const Book *>(record)->getViewItem();
    else if (record && record->getType() == WebPageType)
        item = static_cast<const WebPage *>(record)->getViewItem();
    return heldItems.contains(item) ? item : nullptr;
}

ViewItem *ItemViews::refreshedViewItem(Item *record) const
{
    if (!record)
        return nullptr;
    if (record->getType() == BookType) {
        auto *book = static_cast<Book *>(record);
        book->updateViewItem();
        return book->getViewItem();
    }
    if (record->getType() == WebPageType)
        return static_cast<WebPage *>(record)->updateViewItem();
    return nullptr;
}

void ItemViews::setRating(int iid, int rating)
{
    Item *record = findRecord(iid);
    if (!record)
        return;
    const int previous = record->getRating();
    qDebug() << "rating:" << rating;
    // A stored rating reaches every view through the record.
    if (!record->updateRating(rating)) {
        // Show what is stored rather than a rating that would be gone at the next start.
        qWarning() << "The rating of item" << iid << "could not be stored";
        record->setRating(previous);
        record->announceChange();
        return;
    }
    emit ratingSet(iid, rating);
}

void ItemViews::addBook(Book *book)
{
    qDebug() << "add book to views";
    if (!books || book->getIid() < 1)
        return;
    // The shared record of the book, whichever copy was handed over.
    std::shared_ptr<Book> shared = Records::obtain<Book>(book->getIid());
    ViewItem *item = shared->getViewItem();
    if (heldItems.contains(item)) {
        shared->updateViewItem();
        updateItem(shared.get());
        return;
    }
    books->append(std::move(shared));
    addEntry(item);
}

void ItemViews::addWebPage(WebPage *page)
{
    if (!webPages || page->getIid() < 1 || webPages->find(page->getIid()))
        return;
    std::shared_ptr<WebPage> shared = Records::obtain<WebPage>(page->getIid());
    ViewItem *item = shared->getViewItem();
    webPages->append(std::move(shared));
    addEntry(item);
}

void ItemViews::addEntry(ViewItem *item)
{
    hold(item);
    tableOrder->insert(item);
    listOrder->insert(item);
    shownItems.insert(item);
    if (hitRanks.isEmpty()) {
        table->insert(int(tableOrder->insertionPoint(table->items(), item)), item);
        list->insert(int(listOrder->insertionPoint(list->items(), item)), item);
    } else {
        // Below the hits, ranked or not.
        table->insert(int(table->items().size()), item);
        list->insert(int(list->items().size()), item);
    }
    itemsChanged();
}

void ItemViews::updateItem(Item *record)
{
    ViewItem *item = refreshedViewItem(record);
    if (!item)
        return;
    if (heldItems.contains(item)) {
        table->refresh(item);
        list->refresh(item);
        keepInOrder(item);
        return;
    }
    if (!acceptsNewItems)
        return;
    if (record->getType() == BookType)
        addBook(static_cast<Book *>(record));
    else if (record->getType() == WebPageType)
        addWebPage(static_cast<WebPage *>(record));
}

void ItemViews::keepInOrder(ViewItem *item)
{
    const bool tableMoved = tableOrder->reposition(item);
    const bool listMoved = listOrder->reposition(item);
    // Hits stay where their rank put them.
    if ((!tableMoved && !listMoved) || !shownItems.contains(item) || !hitRanks.isEmpty())
        return;
    const bool selected = selection.contains(item);
    const QSignalBlocker tableSignals(ui->viewTable);
    const QSignalBlocker listSignals(ui->viewList);
    if (tableMoved) {
        table->remove(table->rowOf(item));
        table->insert(int(tableOrder->insertionPoint(table->items(), item)), item);
    }
    if (listMoved) {
        list->remove(list->rowOf(item));
        list->insert(int(listOrder->insertionPoint(list->items(), item)), item);
    }
    if (selected) {
        if (currentPage() == TablePage)
            selectInTable(selection);
        else
            selectInList(selection);
    }
}

void ItemViews::deleteItemFromView(int iid)
{
    qDebug() << "delete item from view iid: " << iid;
    // Held here until its removal has reached every other view; remove() reports its own failures.
    if (const std::shared_ptr<Item> record = takeItem(iid))
        record->remove();
}

void ItemViews::dropItem(int iid)
{
    // Not destroyed here: the record is still telling of its removal, and its remover holds it meanwhile.
    takeItem(iid);
}

std::shared_ptr<Item> ItemViews::takeItem(int iid)
{
    Item *record = findRecord(iid);
    if (!record)
        return nullptr;
    disconnect(record, nullptr, this, nullptr);
    ViewItem *item = refreshedViewItem(record);
    if (heldItems.remove(item)) {
        if (shownItems.remove(item)) {
            table->remove(table->rowOf(item));
            list->remove(list->rowOf(item));
        }
        tableOrder->remove(item);
        listOrder->remove(item);
        selection.removeAll(item);
    }
    std::shared_ptr<Item> held;
    if (webPages)
        held = webPages->release(iid);
    else
        held = books->release(iid);
    itemsChanged();
    return held;
}

void ItemViews::menu(const QPoint &position)
{
    // The menu opens where the mouse is, wherever the request came from.
    Q_UNUSED(position)
    if (selection.isEmpty())
        return;
    const ViewItem &first = *selection.constFirst();
    const bool single = selection.size() == 1;
    auto menu = std::make_unique<QMenu>();
    if (first.type == BookType)
        addBookMenu(*menu, first, single);
    else if (first.type == WebPageType)
        addWebPageMenu(*menu, first, single);
    else
        return;
    addLabelMenu(*menu);
    contextMenu = std::move(menu);
    contextMenu->exec(QCursor::pos());
}

void ItemViews::addBookMenu(QMenu &menu, const ViewItem &item, bool single)
{
    if (single) {
        QMenu *open = menu.addMenu(tr("Open"));
        for (const QString &path : item.filePaths) {
            const QFileInfo file(path);
            QAction *entry = open->addAction(file.fileName());
            entry->setData(file.absoluteFilePath());
            connect(entry, &QAction::triggered, this, [this, entry] { openItemFile(entry); });
        }
        addReadMenu(menu, item.filePaths);
        menu.addAction(tr("Properties"), this, &ItemViews::editItem);
        QAction *convert = menu.addAction(tr("Convert"), this, &ItemViews::actionConvertItems);
        convert->setEnabled(isSignalConnected(QMetaMethod::fromSignal(&ItemViews::convertItems)));
    }
    menu.addAction(tr("Delete"), this, &ItemViews::deleteItem);
}

void ItemViews::addWebPageMenu(QMenu &menu, const ViewItem &item, bool single)
{
    if (single) {
        if (!item.filePath.isEmpty()) {
            QAction *pdf = menu.addAction(tr("Open PDF"));
            pdf->setData(item.filePath);
            connect(pdf, &QAction::triggered, this, [this, pdf] { openItemFile(pdf); });
            addReadMenu(menu, {item.filePath});
        }
        menu.addAction(tr("Properties"), this, &ItemViews::editItem);
        QAction *url = menu.addAction(tr("Open URL (External)"));
        url->setData(item.url);
        connect(url, &QAction::triggered, this, [this, url] { openItemUrl(url); });
    }
    menu.addAction(tr("Delete"), this, &ItemViews::deleteItem);
}

void ItemViews::addLabelMenu(QMenu &menu)
{
    menu.addSeparator();
    menu.addAction(tr("Add Tags..."), this, &ItemViews::addTagsToSelection);
    const QStringList tags = LabelEdit::tagsOf(selectedRecords());
    if (!tags.isEmpty()) {
        QMenu *remove = menu.addMenu(tr("Remove Tag"));
        for (const QString &tag : tags)
            remove->addAction(tag, this,
                              [this, tag] { reportLabelChange(LabelEdit::removeTag(selectedRecords(), tag)); });
    }
    menu.addAction(tr("Set Series..."), this, &ItemViews::setSeriesOfSelection);
}

QList<Item *> ItemViews::selectedRecords() const
{
    // In the order they are shown, which the numbers of a series follow.
    const QSet<const ViewItem *> chosen(selection.cbegin(), selection.cend());
    QList<Item *> records;
    for (const ViewItem *item : currentPage() == TablePage ? table->items() : list->items()) {
        if (chosen.contains(item) && item->record())
            records.append(item->record());
    }
    return records;
}

void ItemViews::addTagsToSelection()
{
    bool accepted = false;
    const QString typed = QInputDialog::getText(this, tr("Add Tags"), tr("Tags, separated by commas:"),
                                                QLineEdit::Normal, QString(), &accepted);
    const QStringList tags = LabelStore::normalized(typed.split(u','));
    if (accepted && !tags.isEmpty())
        reportLabelChange(LabelEdit::addTags(selectedRecords(), tags));
}

void ItemViews::setSeriesOfSelection()
{
    SeriesDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        reportLabelChange(LabelEdit::setSeries(selectedRecords(), dialog.name(), dialog.firstPosition()));
}

void ItemViews::reportLabelChange(bool stored)
{
    if (stored)
        emit labelsChanged();
    else
        QMessageBox::critical(this, tr("Error"), tr("The change could not be stored; nothing was changed."));
}

void ItemViews::addReadMenu(QMenu &menu, const QStringList &paths)
{
    QMenu *read = nullptr;
    for (const QString &path : paths) {
        if (!ReadableFormats::canRead(path))
            continue;
        if (!read)
            read = menu.addMenu(tr("Read"));
        const QFileInfo file(path);
        read->addAction(file.fileName(), this, [this, path = file.absoluteFilePath()] { emit readRequested(path); });
    }
}

void ItemViews::openFile(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    // The desktop tells the user itself when it has no application for the file.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ItemViews::openItemFile(QAction *action)
{
    openFile(action->data().toString());
}

void ItemViews::openItemUrl(QAction *action)
{
    const QString address = action->data().toString();
    if (address.isEmpty())
        return;
    QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

void ItemViews::on_viewTable_itemDoubleClicked(QTableWidgetItem *cell)
{
    openFile(cell->data(FilePathRole).toString());
}

void ItemViews::on_viewList_itemDoubleClicked(QListWidgetItem *entry)
{
    openFile(entry->data(FilePathRole).toString());
}

void ItemViews::editItem()
{
    if (selection.size() != 1)
        return;
    const ViewItem *item = selection.first();
    const int iid = item->iid;
    EditResult result;
    if (item->type == BookType)
        result = runProperties<BookProperties>(parentWidget(), iid);
    else if (item->type == WebPageType)
        result = runProperties<WebPageProperties>(parentWidget(), iid);
    else
        return;
    if (result == EditResult::Saved) {
        reloadItem(iid);
        emit itemEdited(iid);
    } else if (result == EditResult::Deleted) {
        deleteItemFromView(iid);
        emit itemDeleted(iid);
    }
}

void ItemViews::reloadItem(int iid)
{
    // The record reads itself again and tells every view that holds it.
    if (webPages) {
        if (WebPage *page = webPages->find(iid))
            page->reload();
    } else if (Book *book = books->find(iid)) {
        book->reload();
    }
}

void ItemViews::actionConvertItems()
{
    QList<std::shared_ptr<Item>> records;
    for (const ViewItem *item : std::as_const(selection)) {
        if (std::shared_ptr<Item> record = Records::find(item->iid))
            records.append(std::move(record));
    }
    emit convertItems(records);
}

void ItemViews::deleteItem()
{
    if (!DeleteConfirmation::ask(parentWidget()))
        return;
    QList<int> chosen;
    for (const ViewItem *item : std::as_const(selection))
        chosen.append(item->iid);
    for (const int iid : std::as_const(chosen)) {
        deleteItemFromView(iid);
        emit itemDeleted(iid);
    }
    selection.clear();
}
