#include "views/itemviews.h"

#include "core/logger.h"
#include "core/settings.h"
#include "editing/bookproperties.h"
#include "editing/webpageproperties.h"
#include "model/book.h"
#include "model/books.h"
#include "model/itemroles.h"
#include "model/records.h"
#include "model/viewitem.h"
#include "model/webpage.h"
#include "model/webpages.h"
#include "ui_itemviews.h"
#include "views/coverlistentry.h"
#include "views/itemcounttext.h"
#include "views/sortableitem.h"
#include "views/storedfilesrefresh.h"
#include "views/viewitemtext.h"
#include "widgets/deleteconfirmation.h"
#include "widgets/rating.h"
#include "widgets/visiblerowwidgets.h"

#include <QCursor>
#include <QDebug>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelection>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>

namespace {

const QString BookType = QStringLiteral("Book");
const QString WebPageType = QStringLiteral("WebPage");
constexpr int RatingColumn = 4;

// Title cells and list entries carry the same roles; an empty value clears a role a refresh no longer needs.
template<typename Entry>
void setItemRoles(Entry *entry, const ViewItem &item)
{
    entry->setData(FilePathRole, item.filePath.isEmpty() ? QVariant() : QVariant(item.filePath));
    entry->setData(ItemIdRole, item.iid);
    entry->setData(UrlRole, item.url.isEmpty() ? QVariant() : QVariant(item.url));
}

bool isDeleted(const QTableWidgetItem *cell)
{
    return cell->data(DeletedRole).toBool();
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
{
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(TablePage);
    ratingWidgets = new VisibleRowWidgets(ui->viewTable, [this](int row) { createRatingWidget(row); });
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
        books = kind == QLatin1String("BooksAuthor") ? new Books(this, kind, aid) : new Books(this, QString(), -1);
        viewItems = books->getViewItems();
        filesRefresh = new StoredFilesRefresh(this);
    }
}

ItemViews::~ItemViews()
{
    Settings().setValue(Settings::tableHeaderKey(kind), ui->viewTable->horizontalHeader()->saveState());
}

void ItemViews::populate()
{
    QTableWidget *table = ui->viewTable;
    // Sorting waits until every row is filled: a sort per row would cost a full sort per item.
    table->setSortingEnabled(false);
    table->setRowCount(int(viewItems->size()));
    int row = 0;
    for (ViewItem *item : std::as_const(*viewItems)) {
        if (!listEntryOf.contains(item))
            addViewItem(item, row++);
    }
    table->setRowCount(row);
    QHeaderView *header = table->horizontalHeader();
    // The columns as the user left them in this kind of tab; the first time, sized when the table shows.
    columnsRestored = header->restoreState(Settings().value(Settings::tableHeaderKey(kind)).toByteArray());
    if (!columnsRestored)
        header->setSortIndicator(0, Qt::AscendingOrder);
    table->sortItems(header->sortIndicatorSection(), header->sortIndicatorOrder());
    table->setSortingEnabled(true);
    shownItems = QSet<ViewItem *>(listEntryOf.keyBegin(), listEntryOf.keyEnd());
    shownCount = int(shownItems.size());
    itemsChanged();
}

QString ItemViews::summary() const
{
    return ItemCountText::summary(webPages != nullptr, int(listEntryOf.size()), shownCount, int(selection.size()),
                                  !lastSearchTerms.isEmpty());
}

void ItemViews::itemsChanged()
{
    // An empty library says how to fill it; a search without hits says so instead of an empty table.
    const bool emptyLibrary = listEntryOf.isEmpty() && kind == QLatin1String("Books") && lastSearchTerms.isEmpty();
    const bool nothingFound = shownCount == 0 && !lastSearchTerms.isEmpty();
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
        ui->viewList->clearSelection();
        for (ViewItem *item : std::as_const(selection)) {
            if (CoverListEntry *entry = listEntryOf.value(item))
                entry->setSelected(true);
        }
        ui->stackedWidget->setCurrentIndex(ListPage);
        return;
    }
    // One pass over the rows: looking each selected cell's row up would search the whole table per item.
    QTableWidget *table = ui->viewTable;
    const QSet<ViewItem *> chosen(selection.cbegin(), selection.cend());
    QItemSelection rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem *cell = table->item(row, 0);
        if (cell && !isDeleted(cell) && chosen.contains(viewItemOfTitleCell.value(cell)))
            rows.select(table->model()->index(row, 0), table->model()->index(row, table->columnCount() - 1));
    }
    table->clearSelection();
    table->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ui->stackedWidget->setCurrentIndex(TablePage);
}

void ItemViews::addViewItem(ViewItem *item, int row)
{
    Item *record = item->record();
    connect(record, &Item::changed, this, &ItemViews::updateItem);
    connect(record, &Item::removed, this, &ItemViews::dropItem);
    addListEntry(item);
    if (item->type == BookType)
        fillBookRow(item, row);
    else if (item->type == WebPageType)
        fillWebRow(item, row);
}

void ItemViews::addListEntry(ViewItem *item)
{
    auto *entry = new CoverListEntry(item->title);
    entry->setToolTipSource(item);
    renderListEntry(entry, *item);
    listEntryOf.insert(item, entry);
    viewItemOfListEntry.insert(entry, item);
    ui->viewList->addItem(entry);
}

void ItemViews::fillBookRow(ViewItem *item, int row)
{
    BookRow cells;
    // Empty at first: rendering writes each text once.
    auto *title = new SortableItem(QString());
    title->setToolTipSource(item, &ViewItemText::bookToolTip);
    cells.title = title;
    cells.authors = new SortableItem(QString());
    cells.date = new SortableItem(QString(), SortableItem::Order::Date);
    cells.size = new SortableItem(QString(), SortableItem::Order::Number);
    // Books have no series to show: that column gets no cells, which cost memory in a large library.
    cells.publisher = new SortableItem(QString());
    cells.published = new SortableItem(QString(), SortableItem::Order::Date);
    renderBookRow(cells, *item);
    titleCellOf.insert(item, cells.title);
    viewItemOfTitleCell.insert(cells.title, item);
    bookRowOf.insert(item, cells);

    QTableWidget *table = ui->viewTable;
    table->setItem(row, 0, cells.title);
    table->setItem(row, 1, cells.authors);
    table->setItem(row, 2, cells.date);
    table->setItem(row, 3, cells.size);
    table->setItem(row, 7, cells.publisher);
    table->setItem(row, 8, cells.published);
    logDebug(QStringLiteral("Added rendered item to the list"));
}

void ItemViews::fillWebRow(ViewItem *item, int row)
{
    WebRow cells;
    cells.title = new SortableItem(item->title);
    cells.url = new SortableItem(item->url);
    cells.description = new SortableItem(item->description);
    cells.created = new SortableItem(ViewItemText::createdText(item->created), SortableItem::Order::Date);
    titleCellOf.insert(item, cells.title);
    viewItemOfTitleCell.insert(cells.title, item);
    webRowOf.insert(item, cells);

    QTableWidget *table = ui->viewTable;
    table->setItem(row, 0, cells.title);
    table->setItem(row, 1, cells.url);
    table->setItem(row, 3, cells.description);
    table->setItem(row, 2, cells.created);
    renderWebRow(cells, *item);
}

void ItemViews::renderListEntry(CoverListEntry *entry, const ViewItem &item)
{
    entry->setCoverFile(item.coverFile);
    entry->setText(ViewItemText::listTitle(item.title));
    setItemRoles(entry, item);
}

void ItemViews::renderBookRow(const BookRow &cells, const ViewItem &item)
{
    cells.title->setText(item.title);
    cells.authors->setText(item.authors);
    // The other columns follow too, so an edited book shows its new data everywhere in its row.
    cells.date->setText(item.datePublished);
    cells.size->setText(item.fileSize);
    cells.publisher->setText(item.publisher);
    cells.published->setText(item.datePublished);
    setItemRoles(cells.title, item);
    if (cells.rating) {
        // Showing the stored rating must not store it again.
        const QSignalBlocker blocker(cells.rating);
        cells.rating->setRating(item.rating);
    }
}

void ItemViews::renderWebRow(const WebRow &cells, const ViewItem &item)
{
    cells.title->setText(item.title);
    cells.url->setText(item.url);
    cells.description->setText(item.description);
    cells.created->setText(ViewItemText::createdText(item.created));
    cells.title->setToolTip(ViewItemText::webPageToolTip(item));
    setItemRoles(cells.title, item);
}

void ItemViews::refresh(ViewItem *item)
{
    if (CoverListEntry *entry = listEntryOf.value(item))
        renderListEntry(entry, *item);
    if (auto cells = bookRowOf.constFind(item); cells != bookRowOf.cend())
        renderBookRow(*cells, *item);
    else if (auto cells = webRowOf.constFind(item); cells != webRowOf.cend())
        renderWebRow(*cells, *item);
}

void ItemViews::on_viewList_itemSelectionChanged()
{
    if (currentPage() != ListPage)
        return;
    selection.clear();
    const QList<QListWidgetItem *> entries = ui->viewList->selectedItems();
    for (QListWidgetItem *entry : entries) {
        // A selection can span entries a search has hidden; the user acts only on what is shown.
        if (entry->isHidden())
            continue;
        if (ViewItem *item = viewItemOfListEntry.value(entry)) {
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
    QTableWidget *table = ui->viewTable;
    const QList<QTableWidgetSelectionRange> ranges = table->selectedRanges();
    for (const QTableWidgetSelectionRange &range : ranges) {
        for (int row = range.topRow(); row <= range.bottomRow(); ++row) {
            if (table->isRowHidden(row))
                continue;
            if (ViewItem *item = viewItemOfTitleCell.value(table->item(row, 0))) {
                selection.append(item);
                emit selectedViewItem(item);
            }
        }
    }
    emit summaryChanged();
}

void ItemViews::search(const QString &text)
{
    acceptsNewItems = false;
    lastSearchTerms = text;
    // An author view searches that author's books.
    if (webPages)
        webPages->dbSearch(text);
    else
        books->dbSearch(text);
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
    const QSet<ViewItem *> found(viewItems->cbegin(), viewItems->cend());
    QList<ViewItem *> hidden;
    for (ViewItem *item : std::as_const(shownItems)) {
        if (!found.contains(item))
            hidden.append(item);
    }
    QList<ViewItem *> shown;
    for (ViewItem *item : found) {
        if (!shownItems.contains(item) && listEntryOf.contains(item))
            shown.append(item);
    }
    // One batch: the views lay out and draw once, after the last change.
    ui->viewList->setUpdatesEnabled(false);
    ui->viewTable->setUpdatesEnabled(false);
    for (ViewItem *item : std::as_const(hidden)) {
        if (CoverListEntry *entry = listEntryOf.value(item))
            entry->setHidden(true);
        shownItems.remove(item);
    }
    for (ViewItem *item : std::as_const(shown)) {
        if (CoverListEntry *entry = listEntryOf.value(item))
            entry->setHidden(false);
        shownItems.insert(item);
    }
    showTableRows(hidden, shown);
    ui->viewTable->setUpdatesEnabled(true);
    ui->viewList->setUpdatesEnabled(true);
    shownCount = int(shownItems.size());
    // Hiding keeps the widgets' selection; what the user no longer sees must not be acted on.
    selection.removeIf([&found](ViewItem *item) { return !found.contains(item); });
    itemsChanged();
}

void ItemViews::showTableRows(const QList<ViewItem *> &hidden, const QList<ViewItem *> &shown)
{
    QTableWidget *table = ui->viewTable;
    // A cell finds its row by a search of the whole table once the rows were sorted: for more than a few
    // changes, one pass over the rows is the cheaper way.
    if (hidden.size() + shown.size() > table->rowCount() / 64) {
        for (int row = 0; row < table->rowCount(); ++row) {
            QTableWidgetItem *cell = table->item(row, 0);
            if (!cell || isDeleted(cell))
                continue;
            const bool visible = shownItems.contains(viewItemOfTitleCell.value(cell));
            if (table->isRowHidden(row) == visible)
                table->setRowHidden(row, !visible);
        }
        return;
    }
    for (const auto &[items, visible] : {std::pair{&hidden, false}, std::pair{&shown, true}}) {
        for (ViewItem *item : *items) {
            if (QTableWidgetItem *cell = titleCellOf.value(item))
                table->setRowHidden(cell->row(), !visible);
        }
    }
}

Item *ItemViews::findRecord(int iid) const
{
    if (webPages)
        return webPages->find(iid);
    return books->find(iid);
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
    if (listEntryOf.contains(item)) {
        shared->updateViewItem();
        refresh(item);
        return;
    }
    books->append(std::move(shared));
    appendRow(item);
}

void ItemViews::addWebPage(WebPage *page)
{
    if (!webPages || page->getIid() < 1 || webPages->find(page->getIid()))
        return;
    std::shared_ptr<WebPage> shared = Records::obtain<WebPage>(page->getIid());
    ViewItem *item = shared->getViewItem();
    webPages->append(std::move(shared));
    appendRow(item);
}

void ItemViews::appendRow(ViewItem *item)
{
    QTableWidget *table = ui->viewTable;
    table->setSortingEnabled(false);
    const int row = table->rowCount();
    table->insertRow(row);
    addViewItem(item, row);
    table->setSortingEnabled(true);
    shownItems.insert(item);
    shownCount = int(shownItems.size());
    itemsChanged();
}

void ItemViews::updateItem(Item *record)
{
    ViewItem *item = refreshedViewItem(record);
    if (!item)
        return;
    if (listEntryOf.contains(item)) {
        refresh(item);
        return;
    }
    if (!acceptsNewItems)
        return;
    if (record->getType() == BookType)
        addBook(static_cast<Book *>(record));
    else if (record->getType() == WebPageType)
        addWebPage(static_cast<WebPage *>(record));
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
    hideDeleted(refreshedViewItem(record));
    std::shared_ptr<Item> held;
    if (webPages)
        held = webPages->release(iid);
    else
        held = books->release(iid);
    itemsChanged();
    return held;
}

void ItemViews::hideDeleted(ViewItem *item)
{
    disconnect(item->record(), nullptr, this, nullptr);
    if (QTableWidgetItem *cell = titleCellOf.take(item)) {
        cell->setData(DeletedRole, true);
        ui->viewTable->setRowHidden(cell->row(), true);
        viewItemOfTitleCell.remove(cell);
        static_cast<SortableItem *>(cell)->setToolTipSource(nullptr, nullptr);
    }
    if (CoverListEntry *entry = listEntryOf.take(item)) {
        entry->setHidden(true);
        entry->setData(DeletedRole, true);
        viewItemOfListEntry.remove(entry);
        entry->setToolTipSource(nullptr);
    }
    bookRowOf.remove(item);
    webRowOf.remove(item);
    selection.removeAll(item);
    shownItems.remove(item);
    shownCount = int(shownItems.size());
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
        }
        menu.addAction(tr("Properties"), this, &ItemViews::editItem);
        QAction *url = menu.addAction(tr("Open URL (External)"));
        url->setData(item.url);
        connect(url, &QAction::triggered, this, [this, url] { openItemUrl(url); });
    }
    menu.addAction(tr("Delete"), this, &ItemViews::deleteItem);
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

void ItemViews::createRatingWidget(int row)
{
    ViewItem *item = viewItemOfTitleCell.value(ui->viewTable->item(row, 0));
    const auto cells = bookRowOf.find(item);
    if (cells == bookRowOf.end() || cells->rating)
        return;
    // The stored rating is shown before the widget is connected, so showing it stores nothing.
    auto *rating = new Rating(ui->viewTable, item->iid);
    rating->setRating(item->rating);
    connect(rating, &Rating::ratingSet, this, &ItemViews::setRating);
    cells->rating = rating;
    ui->viewTable->setCellWidget(row, RatingColumn, rating);
}
