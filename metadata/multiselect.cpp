#include "metadata/multiselect.h"

#include "ui_multiselect.h"

#include "core/logger.h"
#include "core/settings.h"
#include "metadata/bookselection.h"
#include "metadata/datadownloader.h"
#include "metadata/filecover.h"
#include "metadata/filedescriptionqueue.h"
#include "metadata/filenametitle.h"
#include "metadata/tablebutton.h"
#include "model/book.h"
#include "model/file.h"
#include "model/heldfiles.h"
#include "widgets/visiblerowwidgets.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

constexpr int ButtonColumn = 0;
constexpr int TitleColumn = 1;
// On the button column's cell: whether "Search Selected" takes the row.
constexpr int CheckedRole = Qt::UserRole + 1;
// On the title cell: what the file says of itself.
constexpr int AuthorsRole = Qt::UserRole + 2;
constexpr int Isbn13Role = Qt::UserRole + 3;
constexpr int Isbn10Role = Qt::UserRole + 4;
constexpr int PublisherRole = Qt::UserRole + 5;
constexpr int PublishedRole = Qt::UserRole + 6;
constexpr int DescriptionRole = Qt::UserRole + 7;

// Entries walked between two looks at the clock and the event queue.
constexpr int EntriesPerUpdate = 100;

// Shows how far a long folder walk has got and lets the user stop it.
class ScanProgress
{
public:
    // A walk that ends within the delay shows no progress at all.
    ScanProgress(QWidget *parent, const QString &folder, int delayMs)
        : parent(parent)
        , folder(QDir::toNativeSeparators(folder))
        , delayMs(delayMs)
    {
        clock.start();
    }

    // Called once per entry walked, with the number of files listed so far; false once the user stopped.
    bool advance(int found)
    {
        if (++entries % EntriesPerUpdate != 0)
            return true;
        if (!dialog && clock.elapsed() >= delayMs)
            open();
        if (!dialog)
            return true;
        dialog->setLabelText(QCoreApplication::translate(
                                 "MultiSelect", "Looking for new book files in %1\n%n found so far", nullptr, found)
                                 .arg(folder));
        // Without this the dialog would neither paint nor see its Cancel button.
        QCoreApplication::processEvents();
        return !dialog->wasCanceled();
    }

private:
    void open()
    {
        dialog = std::make_unique<QProgressDialog>(parent);
        dialog->setWindowTitle(QCoreApplication::translate("MultiSelect", "Add multiple books"));
        // How many entries the folder holds is only known at the end.
        dialog->setRange(0, 0);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->show();
    }

    QWidget *parent;
    QString folder;
    qint64 delayMs;
    QElapsedTimer clock;
    int entries = 0;
    std::unique_ptr<QProgressDialog> dialog;
};

// A row's buttons without a style sheet of their own: the table's viewport holds the form's one for every
// row, so it is parsed once rather than once per row.
TableButton *newRowButton(QTableWidget *table)
{
    auto *button = new TableButton(table->viewport());
    button->setStyleSheet(QString());
    return button;
}

} // namespace

MultiSelect::MultiSelect(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::MultiSelect>())
{
    ui->setupUi(this);
    // The rows' buttons take their form's style sheet from here (see newRowButton).
    ui->tableWidget->viewport()->setStyleSheet(TableButton().styleSheet());
    rowButtons = new VisibleRowWidgets(ui->tableWidget, [this](int row) { createRowButton(row); });
    descriptions = new FileDescriptionQueue(this);
    connect(descriptions, &FileDescriptionQueue::described, this, &MultiSelect::showDescription);

    const QStringList formats
        = Settings().value(Settings::ScanFormats, QStringLiteral("pdf")).toString().split(u',', Qt::SkipEmptyParts);
    for (QCheckBox *box : formatBoxes()) {
        box->setChecked(formats.contains(box->text().toLower()));
        connect(box, &QCheckBox::toggled, this, &MultiSelect::changeFormats);
    }
}

MultiSelect::~MultiSelect() = default;

bool MultiSelect::scanDirectory()
{
    Settings settings;
    QString start = settings.value(Settings::LastSelectDir).toString();
    if (start.isEmpty())
        start = QDir::homePath();
    const QString folder
        = QFileDialog::getExistingDirectory(this, tr("Select Directory"), start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) {
        close();
        return false;
    }
    settings.setValue(Settings::LastSelectDir, folder);
    scanFolder(folder);
    return true;
}

QList<QCheckBox *> MultiSelect::formatBoxes() const
{
    return {ui->formatPdf,  ui->formatEpub, ui->formatMobi, ui->formatAzw3,
            ui->formatDjvu, ui->formatChm,  ui->formatTxt};
}

QSet<QString> MultiSelect::chosenFormats() const
{
    QSet<QString> formats;
    for (const QCheckBox *box : formatBoxes()) {
        if (box->isChecked())
            formats.insert(box->text().toLower());
    }
    return formats;
}

void MultiSelect::changeFormats()
{
    QStringList formats = chosenFormats().values();
    formats.sort();
    Settings().setValue(Settings::ScanFormats, formats.join(u','));
    if (!scannedFolder.isEmpty())
        scanFolder(scannedFolder);
}

void MultiSelect::scanFolder(const QString &path)
{
    scannedFolder = path;
    const QSet<QString> formats = chosenFormats();
    // Every file found is checked against what the library holds, read once for the whole walk.
    const HeldFiles held = HeldFiles::read();
    QTableWidget *table = ui->tableWidget;
    ScanProgress progress(this, path, progressDelayMs);
    // No repaint and no sort per file found; the progress dialog is what shows the walk.
    const bool sorting = table->isSortingEnabled();
    table->setSortingEnabled(false);
    table->setUpdatesEnabled(false);
    // Without FollowSymlinks a link to a folder is not entered: it could lead out of the tree or round in
    // a circle.
    QDirIterator entries(path, QDir::Files, QDirIterator::Subdirectories);
    const QDir folder(path);
    int heldCount = 0;
    const int firstNewRow = table->rowCount();
    while (entries.hasNext()) {
        entries.next();
        if (formats.contains(entries.fileInfo().suffix().toLower())) {
            const File file(entries.filePath());
            const auto listed = rowOfPath.constFind(file.getFilePath());
            if (held.holds(file))
                ++heldCount;
            else if (listed != rowOfPath.cend())
                table->showRow(*listed);
            else
                appendRow(file, folder.relativeFilePath(entries.fileInfo().absolutePath()));
        }
        if (!progress.advance(table->rowCount()))
            break;
    }
    for (int row = 0; row < firstNewRow; ++row) {
        if (!formats.contains(QFileInfo(pathAt(row)).suffix().toLower()))
            table->hideRow(row);
    }
    table->setUpdatesEnabled(true);
    table->setSortingEnabled(sorting);
    sizeColumns();
    QStringList listed;
    for (int row = firstNewRow; row < table->rowCount(); ++row)
        listed << pathAt(row);
    descriptions->read(listed);
    // The files passed over are not lost from sight.
    ui->labelSkipped->setText(heldCount == 1 ? tr("1 file is already in the library.")
                                             : tr("%1 files are already in the library.").arg(heldCount));
    ui->labelSkipped->setVisible(heldCount > 0);
}

void MultiSelect::appendRow(const File &file, const QString &folder)
{
    const int row = ui->tableWidget->rowCount();
    ui->tableWidget->insertRow(row);

    auto *state = new QTableWidgetItem;
    // Covered by the row's buttons: nothing to edit.
    state->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    state->setData(CheckedRole, true);
    ui->tableWidget->setItem(row, ButtonColumn, state);

    auto *title = new QTableWidgetItem(FileNameTitle::derive(file.getFileName(), file.getFileExtension()));
    title->setData(PathRole, file.getFilePath());
    rowOfPath.insert(file.getFilePath(), row);
    // Which folder below the chosen one holds it.
    title->setToolTip(QDir::toNativeSeparators(folder));
    ui->tableWidget->setItem(row, TitleColumn, title);
}

void MultiSelect::showDescription(const FileDescription &description)
{
    const auto row = rowOfPath.constFind(description.path);
    QTableWidgetItem *title = row == rowOfPath.cend() ? nullptr : ui->tableWidget->item(*row, TitleColumn);
    if (!title)
        return;
    const QFileInfo file(description.path);
    if (title->text() == FileNameTitle::derive(file.fileName(), file.suffix()))
        title->setText(description.title);
    title->setData(AuthorsRole, description.authors);
    title->setData(Isbn13Role, description.isbn13());
    title->setData(Isbn10Role, description.isbn10());
    title->setData(PublisherRole, description.publisher);
    title->setData(PublishedRole, description.published);
    title->setData(DescriptionRole, description.description);
}

QStringList MultiSelect::authorsAt(int row) const
{
    const QTableWidgetItem *title = ui->tableWidget->item(row, TitleColumn);
    return title ? title->data(AuthorsRole).toStringList() : QStringList();
}

void MultiSelect::setSearchTerms(BookSelection &selection, int row) const
{
    const QTableWidgetItem *title = ui->tableWidget->item(row, TitleColumn);
    const QString isbn = title->data(Isbn13Role).toString() + title->data(Isbn10Role).toString();
    if (!isbn.isEmpty())
        selection.setIsbn(isbn);
    else
        selection.setKeywords((QStringList{title->text()} + authorsAt(row)).join(u' '));
}

void MultiSelect::sizeColumns()
{
    QTableWidget *table = ui->tableWidget;
    // Most rows have no buttons yet, so their column is as wide as a set made to be measured.
    const std::unique_ptr<TableButton> sample(newRowButton(table));
    table->setColumnWidth(ButtonColumn,
                          qMax(sample->sizeHint().width(), table->horizontalHeader()->sectionSizeHint(ButtonColumn)));
    // Plain text cells measure quickly, even in a list of 10,000 files.
    for (int column = TitleColumn; column < table->columnCount(); ++column)
        table->resizeColumnToContents(column);
}

void MultiSelect::createRowButton(int row)
{
    if (buttonAt(row))
        return;
    QTableWidget *table = ui->tableWidget;
    TableButton *button = newRowButton(table);
    button->setFilePath(pathAt(row));
    // The rows on screen are read first.
    descriptions->readSoon(pathAt(row));
    button->setRow(row);
    button->setChecked(isRowChecked(row));
    connect(button, &TableButton::downloadData, this, &MultiSelect::downloadData);
    connect(button, &TableButton::addWithoutLookup, this, &MultiSelect::addWithoutLookup);
    connect(button, &TableButton::checkedChanged, this, &MultiSelect::setRowChecked);
    table->setCellWidget(row, ButtonColumn, button);
}

TableButton *MultiSelect::buttonAt(int row) const
{
    return qobject_cast<TableButton *>(ui->tableWidget->cellWidget(row, ButtonColumn));
}

QString MultiSelect::pathAt(int row) const
{
    const QTableWidgetItem *title = ui->tableWidget->item(row, TitleColumn);
    return title ? title->data(PathRole).toString() : QString();
}

bool MultiSelect::isRowChecked(int row) const
{
    const QTableWidgetItem *state = ui->tableWidget->item(row, ButtonColumn);
    return state && state->data(CheckedRole).toBool();
}

bool MultiSelect::isRowTaken(int row) const
{
    return isRowChecked(row) && !ui->tableWidget->isRowHidden(row);
}

void MultiSelect::setRowChecked(int row, bool checked)
{
    if (QTableWidgetItem *state = ui->tableWidget->item(row, ButtonColumn))
        state->setData(CheckedRole, checked);
    if (TableButton *button = buttonAt(row))
        button->setChecked(checked);
}

void MultiSelect::downloadData(int row)
{
    const QTableWidgetItem *title = ui->tableWidget->item(row, TitleColumn);
    if (!title || rowsInLookup.contains(row))
        return;

    BookSelection selection(this);
    selection.setFilePath(pathAt(row));
    setSearchTerms(selection, row);
    selection.search();
    if (selection.exec() == QDialog::Accepted)
        startLookup(row, selection.getSelectedUrl());
    else
        skipAll = selection.getSkipAll();
}

void MultiSelect::startLookup(int row, const QString &volumeUrl)
{
    auto *downloader = new DataDownloader(this);
    connect(downloader, &DataDownloader::bookDownloaded, this, &MultiSelect::downloadFinished);
    connect(downloader, &DataDownloader::lookupFailed, this,
            [this, row](const QString &reason) { reportFailedLookup(row, reason); });
    connect(downloader, &DataDownloader::lookupDelayed, this,
            [this](const QString &message) { QMessageBox::information(this, tr("Book service busy"), message); });
    // Each downloader serves one lookup, which ends with one of the two signals.
    connect(downloader, &DataDownloader::bookDownloaded, downloader, &QObject::deleteLater);
    connect(downloader, &DataDownloader::lookupFailed, downloader, &QObject::deleteLater);

    rowsInLookup.insert(row);
    downloader->googleInfoDownload(volumeUrl);
    // The reply arrives through the event loop, so the record is complete before it is delivered.
    downloader->getBook()->addFile(pathAt(row));
    downloader->getBook()->setTableRow(row);
}

void MultiSelect::reportFailedLookup(int row, const QString &reason)
{
    rowsInLookup.remove(row);
    QMessageBox::warning(this, tr("Lookup failed"),
                         tr("The book data for \"%1\" could not be downloaded, so the file stays in the list.\n%2")
                             .arg(QDir::toNativeSeparators(pathAt(row)), reason));
}

void MultiSelect::downloadFinished(Book *downloaded)
{
    std::unique_ptr<Book> book(downloaded);
    rowsInLookup.remove(book->getTableRow());
    logDebug(QStringLiteral("\"%1\"").arg(book->getMainFilePath()));
    storeBook(std::move(book));
}

void MultiSelect::storeBook(std::unique_ptr<Book> book)
{
    const int row = book->getTableRow();
    FileCover::supply(*book);
    if (!book->saveOrUndo()) {
        QMessageBox::warning(
            this, tr("Book not added"),
            tr("The book for \"%1\" could not be stored in the library, so the file stays in the list.")
                .arg(QDir::toNativeSeparators(book->getMainFilePath())));
        return;
    }
    removeRow(row);
    logDebug(book->getIid(), QStringLiteral("emit signal"));
    emit newBookItem(new Book(nullptr, book->getIid()));
}

void MultiSelect::reject()
{
    const int running = int(rowsInLookup.size());
    if (running > 0) {
        const QString question = running == 1 ? tr("1 lookup is still running. Close anyway?")
                                              : tr("%1 lookups are still running. Close anyway?").arg(running);
        if (QMessageBox::question(this, tr("Add multiple books"), question) != QMessageBox::Yes)
            return;
        // Their books are not added: the lookups end here, unanswered.
        qDeleteAll(findChildren<DataDownloader *>(QString(), Qt::FindDirectChildrenOnly));
        rowsInLookup.clear();
    }
    QDialog::reject();
}

void MultiSelect::removeRow(int row)
{
    setRowChecked(row, false);
    // Hidden, not deleted: the row numbers held by buttons and pending records stay valid.
    ui->tableWidget->hideRow(row);
}

void MultiSelect::on_btnReplaceAll_clicked()
{
    const QString find = ui->findSearch->text();
    const QString replacement = ui->findReplace->text();
    for (int row = 0; row < ui->tableWidget->rowCount(); ++row) {
        QTableWidgetItem *title = ui->tableWidget->item(row, TitleColumn);
        title->setText(title->text().replace(find, replacement).trimmed());
    }
}

void MultiSelect::addWithoutLookup(int row)
{
    const QTableWidgetItem *title = ui->tableWidget->item(row, TitleColumn);
    if (!title || rowsInLookup.contains(row) || ui->tableWidget->isRowHidden(row))
        return;
    auto book = std::make_unique<Book>(nullptr, -1);
    book->setTitle(title->text());
    const QStringList authors = authorsAt(row);
    for (const QString &author : authors)
        book->addAuthor(author);
    // The ISBN the file gives is kept, as its check digit vouches for it.
    book->setIsbn13(title->data(Isbn13Role).toString());
    book->setIsbn10(title->data(Isbn10Role).toString());
    book->setPublisher(title->data(PublisherRole).toString());
    book->setDatePublished(title->data(PublishedRole).toString());
    book->setDescription(title->data(DescriptionRole).toString());
    book->addFile(pathAt(row));
    book->setTableRow(row);
    storeBook(std::move(book));
}

void MultiSelect::on_btnAddChecked_clicked()
{
    for (int row = 0; row < ui->tableWidget->rowCount(); ++row) {
        if (isRowTaken(row))
            addWithoutLookup(row);
    }
}

void MultiSelect::on_pushButton_clicked()
{
    skipAll = false;
    for (int row = 0; row < ui->tableWidget->rowCount() && !skipAll; ++row) {
        if (isRowTaken(row))
            downloadData(row);
    }
}
