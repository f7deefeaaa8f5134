#include "editing/bookproperties.h"

#include "ui_bookproperties.h"

#include "core/settings.h"
#include "editing/itemfiletable.h"
#include "editing/languagecombobox.h"
#include "editing/propertiesform.h"
#include "metadata/bookselection.h"
#include "metadata/datadownloader.h"
#include "metadata/filecover.h"
#include "metadata/filedescriptionqueue.h"
#include "metadata/filenametitle.h"
#include "model/author.h"
#include "model/authors.h"
#include "model/book.h"
#include "model/file.h"
#include "widgets/deleteconfirmation.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QPixmap>

namespace {

const QString NoCover = QStringLiteral(":/images/images/no_cover.png");

// A chosen cover is copied here first; the save moves it to the book's own cover name.
QString chosenCoverPath()
{
    return Settings().value(Settings::DataDir).toString() + QStringLiteral("coverfile-chosen-tmp.jpg");
}

} // namespace

BookProperties::BookProperties(QWidget *parent, int iid)
    : QDialog(parent)
    , ui(std::make_unique<Ui::BookProperties>())
    , book(std::make_unique<Book>(nullptr, iid))
{
    ui->setupUi(this);
    lastSelectedLocation = Settings().value(Settings::LastSelectDir).toString();
    if (lastSelectedLocation.isEmpty())
        lastSelectedLocation = QDir::homePath();
    files = std::make_unique<ItemFileTable>(ui->fileTable, ui->btnOpenFile, lastSelectedLocation);
    if (iid > 0) {
        ui->btnReset->hide();
        ui->btnSelectFile->hide();
        populateForm(book.get());
        files->fill(*book);
    } else {
        // Nothing is stored yet that could be deleted.
        ui->btnDelete->setEnabled(false);
    }

    language = new LanguageComboBox(ui->languageWidget);
    ui->languageWidget->addWidget(language);
    showState(book->getState());
    ui->labelFields->showLabels(book->getTags(), book->getSeries());
    downloader = new DataDownloader(this);
    connect(downloader, &DataDownloader::bookDownloaded, this, [this](Book *record) {
        const std::unique_ptr<Book> downloaded(record);
        setLookupRunning(false);
        populateForm(downloaded.get());
        ui->labelFields->addTags(downloaded->getTags());
    });
    connect(downloader, &DataDownloader::lookupFailed, this, &BookProperties::showLookupFailure);
    connect(downloader, &DataDownloader::lookupDelayed, this,
            [this](const QString &message) { QMessageBox::information(this, tr("Book service busy"), message); });
    descriptions = new FileDescriptionQueue(this);
    connect(descriptions, &FileDescriptionQueue::described, this, &BookProperties::showDescription);
}

BookProperties::~BookProperties()
{
    setLookupRunning(false);
}

void BookProperties::done(int result)
{
    // A lookup still running when the dialog goes must not leave the busy cursor behind.
    setLookupRunning(false);
    QDialog::done(result);
}

void BookProperties::populateForm(Book *record)
{
    qDebug() << "populate function called";
    ui->bookTitle->setText(record->getTitle());
    ui->bookISBN13->setText(record->getIsbn13());
    ui->bookISBN10->setText(record->getIsbn10());
    // The service sends markup, the library stores plain text; line breaks of plain text must survive.
    const QString description = record->getDescription();
    if (Qt::mightBeRichText(description))
        ui->bookDescription->setHtml(description);
    else
        ui->bookDescription->setPlainText(description);
    ui->bookPages->setText(record->getPageCount());
    ui->bookPublisher->setText(record->getPublisher());
    ui->bookPublishedYear->setText(record->getDatePublished());

    showCover(record->getCoverFile());
    qDebug() << record->getCoverFile();
    book->setCoverFile(record->getCoverFile());

    ui->bookAuthors->clear();
    const Authors *authors = record->getAuthors();
    for (int index = 0; index < authors->count(); ++index)
        addAuthorEntry(authors->at(index)->getName());
    setRating(record->getRating());
}

void BookProperties::showState(const ItemState &state)
{
    language->setLanguage(state.language);
    ui->field_book_own->setChecked(state.own);
    ui->lineEdit->setText(state.location);
    ui->groupBox_3->setChecked(!state.readDate.isEmpty());
    const QDate read = QDate::fromString(state.readDate, Qt::ISODate);
    ui->field_book_read_2->setDate(read.isValid() ? read : QDate::currentDate());
    ui->checkBox_2->setChecked(state.want);
}

ItemState BookProperties::stateFromForm() const
{
    ItemState state;
    state.language = language->language();
    state.own = ui->field_book_own->isChecked();
    state.location = ui->lineEdit->text().trimmed();
    if (ui->groupBox_3->isChecked())
        state.readDate = ui->field_book_read_2->date().toString(Qt::ISODate);
    state.want = ui->checkBox_2->isChecked();
    return state;
}

void BookProperties::showCover(const QString &path)
{
    // Read now: the file may be replaced by the next lookup. Not through QPixmap(path), whose cache would
    // show the previous image when the same temporary name gets a new file of equal size in the same second.
    ui->btnBookCover->setIcon(QIcon(QPixmap::fromImage(QImage(path))));
}

void BookProperties::on_btnSave_clicked()
{
    if (!PropertiesForm::requireTitle(ui->bookTitle->text()))
        return;
    copyFormToRecord();
    const bool isEdit = book->getIid() > 0;
    if (!isEdit)
        FileCover::supply(*book);
    if (!book->saveOrUndo()) {
        // An edit keeps what could be stored; only a new book is stored whole or not at all.
        QMessageBox::critical(
            this, tr("Error"),
            isEdit ? tr("Some changes could not be stored: %1").arg(book->saveFailure())
                   : tr("The book could not be saved in the library.\nNothing was stored; please try again."));
        return;
    }
    accept();
}

void BookProperties::copyFormToRecord()
{
    book->setTitle(ui->bookTitle->text());
    book->setIsbn13(ui->bookISBN13->text());
    book->setIsbn10(ui->bookISBN10->text());
    book->setDescription(ui->bookDescription->toPlainText());
    book->setPageCount(ui->bookPages->text());
    book->setPublisher(ui->bookPublisher->text());
    book->setDatePublished(ui->bookPublishedYear->text());
    book->setState(stateFromForm());
    book->setTags(ui->labelFields->tags());
    book->setSeries(ui->labelFields->series());

    book->getAuthors()->clear();
    for (int row = 0; row < ui->bookAuthors->count(); ++row) {
        const QString name = ui->bookAuthors->item(row)->text().trimmed();
        // An entry added and left blank is no author.
        if (!name.isEmpty())
            book->addAuthor(name);
    }
    qDebug() << "author count" << book->getAuthors()->count();
}

void BookProperties::on_btnCancel_clicked()
{
    reject();
}

void BookProperties::on_btnDelete_clicked()
{
    if (DeleteConfirmation::ask(this))
        done(Deleted);
}

QListWidgetItem *BookProperties::addAuthorEntry(const QString &name)
{
    auto *entry = new QListWidgetItem(name, ui->bookAuthors);
    entry->setFlags(entry->flags() | Qt::ItemIsEditable);
    return entry;
}

void BookProperties::on_btnBookAdd_clicked()
{
    QListWidgetItem *entry = addAuthorEntry(QString());
    ui->bookAuthors->setCurrentItem(entry);
    ui->bookAuthors->editItem(entry);
}

void BookProperties::on_btnBookRemove_clicked()
{
    delete ui->bookAuthors->currentItem();
}

void BookProperties::setRating(int rating)
{
    PropertiesForm::showRating({ui->btnRating1, ui->btnRating2, ui->btnRating3, ui->btnRating4, ui->btnRating5},
                               rating);
    book->setRating(rating);
}

void BookProperties::on_btnRating0_clicked()
{
    setRating(0);
}

void BookProperties::on_btnRating1_clicked()
{
    setRating(1);
}

void BookProperties::on_btnRating2_clicked()
{
    setRating(2);
}

void BookProperties::on_btnRating3_clicked()
{
    setRating(3);
}

void BookProperties::on_btnRating4_clicked()
{
    setRating(4);
}

void BookProperties::on_btnRating5_clicked()
{
    setRating(5);
}

void BookProperties::on_btnAddFile_clicked()
{
    files->addFile(*book);
}

void BookProperties::on_btnRemoveFile_clicked()
{
    files->removeSelected(*book);
}

void BookProperties::on_btnSelectFile_clicked()
{
    const QString path = files->askForFile(tr("Book Files (*.txt *.epub *.mobi *.pdf *.chm)"));
    if (path.isEmpty())
        return;
    on_btnReset_clicked();
    File *file = book->addFile(path);
    ItemFileTable::rememberLocation(*file);
    if (ui->bookTitle->text().isEmpty())
        ui->bookTitle->setText(FileNameTitle::derive(file->getFileName(), file->getFileExtension()));
    files->fill(*book);
    files->setCurrentFilePath(path);
    if (file->getFileType() == u"pdf" || file->getFileType() == u"epub")
        descriptions->read({path});
}

void BookProperties::showDescription(const FileDescription &description)
{
    // Another file may have been chosen meanwhile.
    if (description.path != book->getMainFilePath())
        return;
    const QFileInfo file(description.path);
    if (ui->bookTitle->text() == FileNameTitle::derive(file.fileName(), file.suffix()))
        ui->bookTitle->setText(description.title);
    if (ui->bookAuthors->count() == 0) {
        for (const QString &name : description.authors)
            addAuthorEntry(name);
    }
    if (ui->bookISBN13->text().isEmpty())
        ui->bookISBN13->setText(description.isbn13());
    if (ui->bookISBN10->text().isEmpty())
        ui->bookISBN10->setText(description.isbn10());
    if (ui->bookPublisher->text().isEmpty())
        ui->bookPublisher->setText(description.publisher);
    if (ui->bookPublishedYear->text().isEmpty())
        ui->bookPublishedYear->setText(description.published);
    if (ui->bookDescription->toPlainText().isEmpty())
        ui->bookDescription->setPlainText(description.description);
}

void BookProperties::on_btnOpenFile_clicked()
{
    files->openCurrentFile();
}

void BookProperties::on_btnReset_clicked()
{
    ui->bookAuthors->clear();
    ui->bookDescription->clear();
    ui->bookISBN10->clear();
    ui->bookISBN13->clear();
    ui->bookPages->clear();
    ui->bookPublishedYear->clear();
    ui->bookPublisher->clear();
    ui->bookTitle->clear();
    ui->btnBookCover->setIcon(QIcon(NoCover));
    // The rating buttons keep their look; the new record starts unrated like every new book.
    book = std::make_unique<Book>(nullptr, -1);
    showState({});
    files->clear();
}

void BookProperties::on_btnDlTitle_clicked()
{
    // While a lookup runs, this button cancels it.
    if (lookupRunning) {
        downloader->cancel();
        setLookupRunning(false);
        return;
    }
    const QString title = ui->bookTitle->text();
    if (title.isEmpty()) {
        QMessageBox::critical(this, tr("Nothing found"), tr("No books were found.\nPlease try altering the title."));
        return;
    }
    lookUp(title, false);
}

void BookProperties::on_btnDlISBN_clicked()
{
    const QString isbn13 = ui->bookISBN13->text();
    const QString isbn = isbn13.isEmpty() ? ui->bookISBN10->text() : isbn13;
    if (isbn.isEmpty()) {
        QMessageBox::critical(this, tr("Nothing found"),
                              tr("No books were found.\nPlease enter alter the ISBN or try searching by title."));
        return;
    }
    lookUp(isbn, true);
}

void BookProperties::lookUp(const QString &terms, bool byIsbn)
{
    BookSelection selection(this);
    selection.setSingleBookMode();
    selection.setFilePath(files->currentFilePath());
    if (byIsbn)
        selection.setIsbn(terms);
    else
        selection.setKeywords(terms);
    selection.search();
    if (selection.exec() != QDialog::Accepted)
        return;
    setLookupRunning(true);
    downloader->googleInfoDownload(selection.getSelectedUrl());
}

void BookProperties::setLookupRunning(bool running)
{
    if (running == lookupRunning)
        return;
    lookupRunning = running;
    if (running)
        lookupButtonText = ui->btnDlTitle->text();
    ui->btnDlTitle->setText(running ? tr("Cancel lookup") : lookupButtonText);
    ui->btnDlISBN->setEnabled(!running);
    if (running)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void BookProperties::showLookupFailure(const QString &reason)
{
    setLookupRunning(false);
    QMessageBox::warning(this, tr("Lookup failed"),
                         tr("The book's details could not be downloaded from Google Books.\n%1").arg(reason));
}

void BookProperties::on_btnBookCover_clicked()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Select Book"), lastSelectedLocation,
                                                      tr("Image Files (*.jpg *.png *.gif)"));
    if (path.isEmpty())
        return;
    if (!QImageReader(path).canRead()) {
        QMessageBox::warning(this, tr("Cover"), tr("The file %1 is not an image that can be shown.").arg(path));
        return;
    }
    // The user's own file stays where it is; the book gets a copy.
    const QString copy = chosenCoverPath();
    QFile::remove(copy);
    if (!QFile::copy(path, copy)) {
        QMessageBox::warning(this, tr("Cover"), tr("The image %1 could not be copied into the library.").arg(path));
        return;
    }
    book->setCoverFile(copy);
    showCover(copy);
}
