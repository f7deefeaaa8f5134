#include "app/mainwindow.h"

#include "app/configdialog.h"
#include "app/credits.h"
#include "app/librarytreefilter.h"
#include "app/recentfiles.h"
#include "app/tabtitle.h"
#include "app/windowstate.h"
#include "browser/webbrowser.h"
#include "cloud/filesyncmanager.h"
#include "cloud/login.h"
#include "core/logger.h"
#include "core/readableformats.h"
#include "core/settings.h"
#include "editing/bookproperties.h"
#include "metadata/multiselect.h"
#include "model/author.h"
#include "model/authors.h"
#include "model/book.h"
#include "model/file.h"
#include "model/itemroles.h"
#include "model/labeledit.h"
#include "model/labelstore.h"
#include "model/readingpositions.h"
#include "model/records.h"
#include "model/viewitem.h"
#include "model/webpage.h"
#include "notes/richtexteditor.h"
#include "reader/fulltextstatus.h"
#include "reader/pdfreader.h"
#include "reader/reader.h"
#include "tools/configapps.h"
#include "tools/conversionwizard.h"
#include "ui_mainwindow.h"
#include "update/productinfo.h"
#include "update/updatemanager.h"
#include "views/itemviews.h"
#include "views/searchbox.h"
#include "views/viewitemtext.h"

#include <QDebug>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBox>
#include <QToolButton>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    selectionFollower = new QTimer(this);
    selectionFollower->setSingleShot(true);
    selectionFollower->setInterval(0);
    connect(selectionFollower, &QTimer::timeout, this, &MainWindow::showSelection);
    createStatusBar();
    arrangeSplitters();
    createNotesEditor();
    createSearchBox();
    openBooksTab();
    removeFirstTabCloseButton();
    loadAuthorsIntoTree();
    connect(this, &MainWindow::bookAdded, this, &MainWindow::loadAuthorsIntoTree);
    connect(this, &MainWindow::bookAdded, fullText, &FullTextStatus::refresh);
    readCloudToken();
    createConversionWizard();
    buildAddMenu();
    connectMenus();
    ui->mainToolbox->setCurrentIndex(0);
    logDebug(QStringLiteral("Finished initial loading."));
    createUpdateManager();
}

void MainWindow::connectMenus()
{
    // The Library and File menus offer what the tool bar does.
    connect(ui->actionSingle_eBook, &QAction::triggered, this, &MainWindow::on_actionAddEbook_triggered);
    for (QAction *folder : {ui->actionMultiple_eBooks, ui->actionMultiple_eBooks_2, ui->actionAdd_Mutiple_Recusive})
        connect(folder, &QAction::triggered, this, &MainWindow::on_actionAdd_Mutiple_triggered);
    connect(ui->actionOpen_2, &QAction::triggered, this, &MainWindow::on_actionOpen_triggered);
    auto *recent = new QMenu(this);
    recent->setObjectName(QStringLiteral("menuRecentFiles"));
    ui->actionRecent_Files->setMenu(recent);
    connect(recent, &QMenu::aboutToShow, this, [this, recent] {
        recent->clear();
        const QStringList files = RecentFiles::list();
        for (const QString &path : files)
            recent->addAction(QDir::toNativeSeparators(path), this, [this, path] { openReader(path); });
        if (files.isEmpty())
            recent->addAction(tr("No files opened yet"))->setEnabled(false);
    });

    // Edit and View act on the tab on show.
    const auto onView = [this](void (ItemViews::*action)()) {
        return [this, action] {
            if (ItemViews *view = currentItemViews())
                (view->*action)();
        };
    };
    connect(ui->actionProperties, &QAction::triggered, this, onView(&ItemViews::editItem));
    connect(ui->actionDelete, &QAction::triggered, this, onView(&ItemViews::deleteItem));
    connect(ui->actionSelectAll, &QAction::triggered, this, onView(&ItemViews::selectAll));
    connect(ui->actionFind, &QAction::triggered, this, [this] { searchBox->focusSearch(); });
    connect(ui->actionShowLibrary, &QAction::toggled, ui->verticalLayoutWidget, &QWidget::setVisible);
    ui->libraryList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->libraryList, &QWidget::customContextMenuRequested, this, &MainWindow::showLibraryListMenu);
    connect(ui->actionShowInformation, &QAction::toggled, this,
            [this](bool shown) { ui->mainToolbox->setCurrentIndex(shown ? 1 : 0); });
    connect(ui->mainToolbox, &QToolBox::currentChanged, this,
            [this](int page) { ui->actionShowInformation->setChecked(page == 1); });

    // Tabs from the keyboard.
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_W), [this] { on_tabWidget_tabCloseRequested(ui->tabWidget->currentIndex()); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), [this] { stepTab(1); }},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [this] { stepTab(-1); }},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), [this] { stepTab(-1); }},
    };
    for (const auto &[key, act] : keys)
        connect(new QShortcut(key, this), &QShortcut::activated, this, act);
}

void MainWindow::stepTab(int step)
{
    const int count = ui->tabWidget->count();
    ui->tabWidget->setCurrentIndex((ui->tabWidget->currentIndex() + step + count) % count);
}

MainWindow::~MainWindow() = default;

void MainWindow::on_actionQuit_triggered()
{
    close();
}

void MainWindow::on_actionAddEbook_triggered()
{
    BookProperties dialog(this, -1);
    if (dialog.exec() == QDialog::Accepted)
        emit bookAdded(Records::obtain<Book>(dialog.getBook()->getIid()).get());
}

void MainWindow::on_actionAdd_Mutiple_triggered()
{
    auto *dialog = new MultiSelect(this);
    connect(dialog, &MultiSelect::newBookItem, this, &MainWindow::bookAddedSlot);
    if (dialog->scanDirectory())
        dialog->exec();
    // Also after a cancelled scan or a closed dialog, which the dialog leaves rejected.
    dialog->deleteLater();
}

void MainWindow::on_actionOpen_triggered()
{
    const QString path
        = QFileDialog::getOpenFileName(this, tr("Select Book"), QDir::homePath(), ReadableFormats::fileDialogFilter());
    if (path.isEmpty())
        return;
    openReader(path);
}

void MainWindow::openReader(const QString &path, int part, const QString &words)
{
    QWidget *reader = nullptr;
    if (ReadableFormats::isPdf(path)) {
        auto pdf = std::make_unique<PdfReader>(this, path);
        if (!pdf->isReadable()) {
            QMessageBox::warning(this, tr("Open"), QDir::toNativeSeparators(path) + u'\n' + pdf->failure());
            return;
        }
        if (part > 0)
            pdf->showPage(part - 1, words);
        reader = pdf.release();
    } else {
        auto *book = new Reader(this, path);
        if (part > 0)
            book->showChapter(part - 1);
        reader = book;
    }
    const int index = ui->tabWidget->addTab(reader, TabTitle::forFileName(QFileInfo(path).fileName()));
    ui->tabWidget->setTabToolTip(index, path);
    ui->tabWidget->setCurrentIndex(index);
    RecentFiles::add(path);
}

void MainWindow::on_actionWeb_triggered()
{
    addBrowserTab(QStringLiteral("Browser"));
}

void MainWindow::on_actionCloud_triggered()
{
    WebBrowser *browser = addBrowserTab(QStringLiteral("Cloud"));
    browser->loadAddress(Settings().value(Settings::BaseUrl).toString());
    browser->disableAddressBar();
}

void MainWindow::on_actionSync_triggered()
{
    // A run under way is brought to the front, never started again.
    if (syncManager && syncManager->isRunning()) {
        syncManager->show();
        syncManager->raise();
        syncManager->activateWindow();
        return;
    }
    if (cloudToken.isEmpty()) {
        Login login(this);
        if (login.exec() != QDialog::Accepted)
            return;
        // Later clicks use the token the login stored.
        readCloudToken();
    }
    // A run that ended, finished or halted, makes way for a new one.
    if (syncManager)
        syncManager->deleteLater();
    syncManager = new FileSyncManager(this);
    syncManager->show();
}

void MainWindow::on_actionConfiguration_triggered()
{
    ConfigDialog dialog(this);
    dialog.setWindowTitle(tr("Preferences"));
    dialog.addPage(new ConfigApps(&dialog), QIcon(QStringLiteral(":/icons/icons/48x48/apps.png")), tr("Apps"));
    dialog.addPage(new ConfigApps(&dialog), QIcon(QStringLiteral(":/icons/icons/48x48/folder.png")), tr("Paths"));
    dialog.layout()->setSpacing(4);
    dialog.pageAreaLayout()->setContentsMargins(0, 0, 0, 0);
    dialog.pageAreaLayout()->setSpacing(0);
    QDialogButtonBox *buttons = dialog.dialogButtonBox();
    buttons->addButton(QDialogButtonBox::Save);
    QPushButton *rebuild = buttons->addButton(tr("Rebuild the full-text index"), QDialogButtonBox::ActionRole);
    rebuild->setObjectName(QStringLiteral("btnRebuildFullText"));
    connect(rebuild, &QPushButton::clicked, fullText, [this, rebuild] {
        fullText->rebuild();
        rebuild->setEnabled(false);
    });
    // removeButton() would only let go of the button; deleting it also takes it off the box.
    delete buttons->button(QDialogButtonBox::Ok);
    dialog.layout()->setContentsMargins(6, 6, 6, 6);
    dialog.setIconSize(QSize(48, 48));
    dialog.setMinimumSize(700, 500);
    dialog.setCurrentIndex(0);
    // What is stored is up to the pages; the window has nothing to do with the result.
    dialog.exec();
}

void MainWindow::on_actionLogin_triggered()
{
    Login login(this);
    login.exec();
}

void MainWindow::on_actionAbout_triggered()
{
    QMessageBox::about(this, tr("About Shelvio"),
                       tr("<h3>Shelvio</h3><p>Version %1</p><p>An e-book library manager by Tessary.</p>"
                          "<p><a href=\"%2\">%3</a></p>")
                           .arg(QString(ProductInfo::Version), QString(ProductInfo::WebSite), tr("Website")));
}

WebBrowser *MainWindow::addBrowserTab(const QString &title)
{
    auto *browser = new WebBrowser(ui->tabWidget);
    ui->tabWidget->addTab(browser, title);
    ui->tabWidget->setCurrentWidget(browser);
    connect(browser, &WebBrowser::newViewItem, this, &MainWindow::showCapturedPage);
    connect(browser, &WebBrowser::pageSaved, this, [this](const QString &saved) {
        statusBar()->showMessage(tr("Saved to the library: %1").arg(saved), StatusMessageMs);
    });
    connect(browser, &WebBrowser::titleChanged, this, [this, browser](const QString &pageTitle) {
        constexpr int LongestTabTitle = 30;
        if (!pageTitle.isEmpty())
            ui->tabWidget->setTabText(ui->tabWidget->indexOf(browser),
                                      pageTitle.size() > LongestTabTitle ? pageTitle.left(LongestTabTitle - 1) + u'…'
                                                                         : pageTitle);
    });
    return browser;
}

void MainWindow::showCapturedPage(ViewItem *item)
{
    // The first record of a page's display item is the page itself.
    auto *page = static_cast<WebPage *>(item->record());
    // Only a web pages view takes it.
    for (int index = 0; index < ui->tabWidget->count(); ++index) {
        if (auto *view = qobject_cast<ItemViews *>(ui->tabWidget->widget(index)))
            view->addWebPage(page);
    }
}

void MainWindow::createStatusBar()
{
    statusSummary = new QLabel(statusBar());
    statusBar()->addPermanentWidget(statusSummary);
    fullText = new FullTextStatus(statusBar());
    statusBar()->addPermanentWidget(fullText);
    fullText->startSoon();
}

void MainWindow::arrangeSplitters()
{
    ui->vSplitter->setSizes({150, 800});
    ui->splitter->setSizes({700, 100});
    WindowState::restore(*this, {ui->vSplitter, ui->splitter});
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    WindowState::save(*this, {ui->vSplitter, ui->splitter});
    QMainWindow::closeEvent(event);
}

void MainWindow::createNotesEditor()
{
    notesEditor = new RichTextEditor(nullptr);
    ui->stackedWidget->addWidget(notesEditor);
}

void MainWindow::createSearchBox()
{
    searchBox = new searchbox(ui->toolbar);
    ui->toolbar->addSeparator();
    ui->toolbar->addWidget(searchBox);
}

ItemViews *MainWindow::addItemViewsTab(const QString &kind, int aid, const QString &title, const QString &icon)
{
    auto *view = new ItemViews(ui->tabWidget, kind, aid);
    ui->tabWidget->addTab(view, QIcon(icon), title);
    connect(view, &ItemViews::selectedViewItem, this, [this, view](ViewItem *item) { followSelection(view, item); });
    connect(view, &ItemViews::readRequested, this, &MainWindow::openReader);
    connect(view, &ItemViews::searchProblem, this, [this, view](const QString &message) {
        if (view == currentItemViews())
            searchBox->showProblem(message);
    });
    connect(view, &ItemViews::summaryChanged, this, [this, view] {
        if (view == currentItemViews())
            showSummary();
    });
    connect(view, &ItemViews::singleBookRequested, this, &MainWindow::on_actionAddEbook_triggered);
    connect(view, &ItemViews::multipleBooksRequested, this, &MainWindow::on_actionAdd_Mutiple_triggered);
    // Edits, ratings and deletions reach the other views through the shared records; an edit can bring
    // new authors to the tree.
    connect(view, &ItemViews::itemEdited, this, &MainWindow::loadAuthorsIntoTree);
    connect(view, &ItemViews::labelsChanged, this, &MainWindow::loadLabelsIntoTree);
    connect(view, &ItemViews::itemEdited, fullText, &FullTextStatus::refresh);
    // The first tab is made before the wizard, so the wizard is looked up when a conversion is asked for.
    connect(view, &ItemViews::convertItems, this, [this](const QList<std::shared_ptr<Item>> &items) {
        if (conversionWizard)
            conversionWizard->convert(items);
    });
    ui->tabWidget->setIconSize(QSize(20, 20));
    // Filled once it is wired, so that what it says on the way reaches the window.
    view->populate();
    return view;
}

void MainWindow::openBooksTab()
{
    hideNotes();
    ItemViews *view
        = addItemViewsTab(QStringLiteral("Books"), -1, tr("Books"), QStringLiteral(":/icons/icons/32x32/books.png"));
    connect(this, &MainWindow::bookAdded, view, &ItemViews::addBook);
    ui->tabWidget->setCurrentWidget(view);
}

void MainWindow::removeFirstTabCloseButton()
{
    // The first tab cannot be closed, so it offers no button that would do nothing.
    QTabBar *tabs = ui->tabWidget->tabBar();
    const auto side
        = QTabBar::ButtonPosition(tabs->style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, tabs));
    tabs->setTabButton(0, side, nullptr);
}

void MainWindow::openWebPagesTab()
{
    ItemViews *view = addItemViewsTab(QStringLiteral("WebPages"), -1, tr("Web Pages"),
                                      QStringLiteral(":/icons/icons/32x32/www_page.png"));
    view->setWebPageColumns();
    ui->tabWidget->setCurrentWidget(view);
}

void MainWindow::openAuthorTab(QTreeWidgetItem *entry)
{
    const int aid = entry->data(0, AuthorIdRole).toInt();
    qDebug() << "iid" << aid;
    hideNotes();
    addItemViewsTab(QStringLiteral("BooksAuthor"), aid, entry->text(0),
                    QStringLiteral(":/icons/icons/32x32/group.png"));
}

ItemViews *MainWindow::currentItemViews() const
{
    return qobject_cast<ItemViews *>(ui->tabWidget->currentWidget());
}

void MainWindow::loadAuthorsIntoTree()
{
    Authors authors;
    authors.loadAll();
    QTreeWidgetItem *authorsEntry = ui->libraryList->topLevelItem(1);
    // Also called after books were added or edited, which can bring new authors.
    qDeleteAll(authorsEntry->takeChildren());
    for (int index = 0; index < authors.count(); ++index) {
        const Author *author = authors.at(index);
        auto *entry = new QTreeWidgetItem(authorsEntry);
        entry->setText(0, author->getLastName() + QStringLiteral(", ") + author->getFirstName());
        entry->setData(0, AuthorIdRole, author->getAid());
    }
    loadLabelsIntoTree();
}

void MainWindow::loadLabelsIntoTree()
{
    const auto fill = [](QTreeWidgetItem *branch, const QList<LabelStore::Entry> &entries, ItemRole idRole) {
        qDeleteAll(branch->takeChildren());
        for (const LabelStore::Entry &label : entries) {
            auto *entry = new QTreeWidgetItem(branch);
            entry->setText(0, QStringLiteral("%1 (%2)").arg(label.name).arg(label.books));
            entry->setData(0, idRole, label.id);
            entry->setData(0, LabelNameRole, label.name);
        }
    };
    fill(ui->libraryList->topLevelItem(TagsEntry), LabelStore::tagEntries(), TagIdRole);
    fill(ui->libraryList->topLevelItem(SeriesEntry), LabelStore::seriesEntries(), SeriesIdRole);
    if (!ui->lineEdit->text().isEmpty())
        LibraryTreeFilter::apply(ui->libraryList, ui->lineEdit->text());
}

void MainWindow::openLabelTab(QTreeWidgetItem *entry)
{
    const bool tag = entry->parent() == ui->libraryList->topLevelItem(TagsEntry);
    hideNotes();
    ItemViews *view = addItemViewsTab(
        tag ? QStringLiteral("BooksTag") : QStringLiteral("BooksSeries"),
        entry->data(0, tag ? TagIdRole : SeriesIdRole).toInt(), entry->data(0, LabelNameRole).toString(),
        tag ? QStringLiteral(":/icons/icons/32x32/bookshelf.png") : QStringLiteral(":/icons/icons/32x32/books.png"));
    ui->tabWidget->setCurrentWidget(view);
}

bool MainWindow::isLabelEntry(const QTreeWidgetItem *entry) const
{
    return entry && entry->parent()
        && (entry->parent() == ui->libraryList->topLevelItem(TagsEntry)
            || entry->parent() == ui->libraryList->topLevelItem(SeriesEntry));
}

void MainWindow::showLibraryListMenu(const QPoint &position)
{
    QTreeWidgetItem *entry = ui->libraryList->itemAt(position);
    if (!isLabelEntry(entry))
        return;
    QMenu menu;
    menu.addAction(tr("Rename..."), this, [this, entry] { renameLabel(entry); });
    menu.exec(ui->libraryList->viewport()->mapToGlobal(position));
}

void MainWindow::renameLabel(QTreeWidgetItem *entry)
{
    const bool tag = entry->parent() == ui->libraryList->topLevelItem(TagsEntry);
    const int id = entry->data(0, tag ? TagIdRole : SeriesIdRole).toInt();
    const QString current = entry->data(0, LabelNameRole).toString();
    const QString title = tag ? tr("Rename Tag") : tr("Rename Series");
    bool accepted = false;
    const QString name = LabelStore::normalized(
        QInputDialog::getText(this, title, tr("New name:"), QLineEdit::Normal, current, &accepted));
    if (!accepted || name.isEmpty() || name == current)
        return;
    bool merging = false;
    for (int index = 0; index < entry->parent()->childCount(); ++index) {
        const QTreeWidgetItem *other = entry->parent()->child(index);
        merging = merging
            || (other != entry && other->data(0, LabelNameRole).toString().compare(name, Qt::CaseInsensitive) == 0);
    }
    if (merging
        && QMessageBox::question(this, title, tr("\"%1\" exists already. Merge \"%2\" into it?").arg(name, current))
            != QMessageBox::Yes)
        return;
    if (!(tag ? LabelEdit::renameTag(id, current, name) : LabelEdit::renameSeries(id, name))) {
        QMessageBox::warning(this, title, tr("\"%1\" could not be renamed.").arg(current));
        return;
    }
    // The tabs of a merged name are gone with it; the others take the new one.
    const QString kind = tag ? QStringLiteral("BooksTag") : QStringLiteral("BooksSeries");
    for (int index = ui->tabWidget->count() - 1; index > 0; --index) {
        const auto *view = qobject_cast<ItemViews *>(ui->tabWidget->widget(index));
        if (!view || view->getKind() != kind || view->getGroupId() != id)
            continue;
        if (merging)
            on_tabWidget_tabCloseRequested(index);
        else
            ui->tabWidget->setTabText(
                index, LabelStore::storedName(tag ? QStringLiteral("tags") : QStringLiteral("series"), name));
    }
    loadLabelsIntoTree();
}

void MainWindow::renderInformationPanel(ViewItem *item)
{
    if (!item) {
        ui->informationPanel->clear();
        return;
    }
    ui->informationPanel->setHtml(ViewItemText::informationPanel(*item, ReadingPositions::lastPageRead(item->iid)));
}

void MainWindow::followSelection(ItemViews *view, ViewItem *item)
{
    // A selection of thousands announces every item, and only the last one shows: the panels draw it once,
    // when the announcements are over. It is found again by its id, since a record may go meanwhile.
    selectionSource = view;
    selectionIid = item ? item->iid : -1;
    if (!selectionFollower->isActive())
        selectionFollower->start();
}

void MainWindow::showSelection()
{
    showInPanels(selectionSource && selectionIid > 0 ? selectionSource->heldViewItem(selectionIid) : nullptr);
}

void MainWindow::showInPanels(ViewItem *item)
{
    renderInformationPanel(item);
    notesEditor->loadNoteItem(item);
}

void MainWindow::showReadBook(const QString &path)
{
    // The panels follow the book being read when it is one of the library's.
    const int iid = File::itemOf(path);
    if (iid < 1) {
        showInPanels(nullptr);
        return;
    }
    const std::shared_ptr<Book> book = Records::obtain<Book>(iid);
    showInPanels(book->getViewItem());
}

void MainWindow::showSummary()
{
    const ItemViews *view = currentItemViews();
    statusSummary->setText(view ? view->summary() : QString());
}

void MainWindow::bookAddedSlot(Book *book)
{
    qDebug() << "bookAddedSlot";
    // The views take their references while the signal is delivered.
    emit bookAdded(Records::adopt(std::unique_ptr<Book>(book)).get());
}

void MainWindow::on_tabWidget_tabCloseRequested(int index)
{
    // The first tab holds the whole library and stays.
    if (index <= 0)
        return;
    QWidget *page = ui->tabWidget->widget(index);
    ui->tabWidget->removeTab(index);
    page->deleteLater();
}

void MainWindow::on_tabWidget_currentChanged(int index)
{
    if (index < 0)
        return;
    QWidget *page = ui->tabWidget->currentWidget();
    qDebug() << ui->tabWidget->accessibleName() << page->objectName();
    ItemViews *view = currentItemViews();
    showSummary();
    for (QAction *action : {ui->actionProperties, ui->actionDelete, ui->actionSelectAll})
        action->setEnabled(view != nullptr);
    if (!view) {
        ui->actionList->setEnabled(false);
        ui->actionView->setEnabled(false);
        if (const auto *reader = qobject_cast<const Reader *>(page))
            showReadBook(reader->filePath());
        else if (const auto *pdf = qobject_cast<const PdfReader *>(page))
            showReadBook(pdf->filePath());
        return;
    }
    // What was typed for the view left goes to it; then the box shows this view's last search while it is
    // disconnected, so showing it searches nothing.
    searchBox->finishTyping();
    disconnect(searchBox, &searchbox::searchText, nullptr, nullptr);
    disconnect(searchBox, &searchbox::textTyped, nullptr, nullptr);
    disconnect(searchBox, &searchbox::scopeChanged, nullptr, nullptr);
    view->setFullTextScope(searchBox->isFullText());
    searchBox->setText(view->searchTerms());
    connect(searchBox, &searchbox::searchText, view, &ItemViews::search);
    connect(searchBox, &searchbox::textTyped, view, &ItemViews::searchTyped);
    connect(searchBox, &searchbox::scopeChanged, view, &ItemViews::setFullTextScope);
    const bool list = view->currentPage() == ItemViews::ListPage;
    ui->actionView->setChecked(list);
    ui->actionList->setChecked(!list);
    ui->actionList->setEnabled(true);
    ui->actionView->setEnabled(true);
}

void MainWindow::on_actionView_triggered()
{
    switchView(ui->actionView, ui->actionList);
}

void MainWindow::on_actionList_triggered()
{
    switchView(ui->actionList, ui->actionView);
}

void MainWindow::switchView(QAction *chosen, QAction *other)
{
    // The two actions act as a pair: the one that is on cannot be switched off by itself.
    if (!chosen->isChecked()) {
        chosen->setChecked(true);
        return;
    }
    other->setChecked(false);
    if (ItemViews *view = currentItemViews())
        view->toggleView();
}

void MainWindow::on_actionNotes_toggled(bool checked)
{
    if (checked) {
        ui->stackedWidget->show();
        ui->mainToolbox->setCurrentIndex(1);
    } else {
        ui->mainToolbox->setCurrentIndex(0);
        ui->stackedWidget->hide();
    }
}

void MainWindow::hideNotes()
{
    // The action follows the stack, so that the next click on Notes shows it again.
    ui->actionNotes->setChecked(false);
    ui->stackedWidget->hide();
}

void MainWindow::on_lineEdit_textChanged(const QString &text)
{
    if (text.isEmpty()) {
        ui->lineEdit->setStyleSheet(QStringLiteral("QLineEdit{background: none}"));
        LibraryTreeFilter::clear(ui->libraryList);
        ui->libraryList->collapseAll();
        return;
    }
    ui->lineEdit->setStyleSheet(QStringLiteral("QLineEdit{background: #D8FCD7}"));
    ui->libraryList->expandAll();
    LibraryTreeFilter::apply(ui->libraryList, text);
}

void MainWindow::on_libraryList_itemDoubleClicked(QTreeWidgetItem *entry, int column)
{
    Q_UNUSED(column)
    const QString text = entry->text(0);
    if (text == tr("Web Pages"))
        openWebPagesTab();
    else if (text == tr("Books"))
        openBooksTab();
    else if (text == tr("Authors"))
        qDebug() << "Authors";
    if (entry->parent() && entry->parent()->text(0) == QLatin1String("Authors"))
        openAuthorTab(entry);
    else if (isLabelEntry(entry))
        openLabelTab(entry);
}

void MainWindow::readCloudToken()
{
    Settings settings;
    cloudToken = settings.value(Settings::CloudToken).toString();
}

void MainWindow::createConversionWizard()
{
    // One wizard for the whole run, hidden until a conversion is asked for.
    conversionWizard = new ConversionWizard(this);
    conversionWizard->hide();
}

void MainWindow::on_actionConvert_triggered()
{
    conversionWizard->show();
    conversionWizard->raise();
    conversionWizard->activateWindow();
}

void MainWindow::buildAddMenu()
{
    auto *addMenu = new QMenu(this);
    for (QAction *action : {ui->actionAddEbook, ui->actionAdd_Mutiple, ui->actionAdd_Mutiple_Recusive}) {
        action->setIconVisibleInMenu(true);
        addMenu->addAction(action);
    }
    addMenu->setStyleSheet(QStringLiteral("QMenu {    } "));
    auto *addButton = qobject_cast<QToolButton *>(ui->toolbar->widgetForAction(ui->actionAdd));
    if (addButton) {
        addButton->setMenu(addMenu);
        addButton->setPopupMode(QToolButton::InstantPopup);
    }
}

void MainWindow::createUpdateManager()
{
    // Once per start; it stays with the window and shows itself only when a newer version exists, which
    // Notices shows again later.
    ui->actionNotices->setEnabled(false);
    updateManager = new UpdateManager(this);
    connect(updateManager, &UpdateManager::noticeReady, this, [this] { ui->actionNotices->setEnabled(true); });
    ui->actionNotices->setEnabled(updateManager->hasNotice());
}

void MainWindow::on_actionNotices_triggered()
{
    if (updateManager->hasNotice())
        updateManager->exec();
}

void MainWindow::on_actionCredits_triggered()
{
    QMessageBox::about(this, tr("Credits"), Credits::html());
}
