#include "editing/webpageproperties.h"

#include "ui_webpageproperties.h"

#include "editing/itemfiletable.h"
#include "editing/propertiesform.h"
#include "model/webpage.h"
#include "widgets/deleteconfirmation.h"

#include <QDateTime>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QPdfDocument>
#include <QPixmap>

WebPageProperties::WebPageProperties(QWidget *parent, int iid)
    : QDialog(parent)
    , ui(std::make_unique<Ui::WebPageProperties>())
    , page(std::make_unique<WebPage>(nullptr, iid))
{
    ui->setupUi(this);
    // Unlike the book dialog, the chooser does not start in the last chosen folder but where the toolkit likes.
    files = std::make_unique<ItemFileTable>(ui->fileTable, ui->btnOpenFile, QString());
    if (iid > 0) {
        populateForm(page.get());
        files->fill(*page);
    } else {
        // Nothing is stored yet that could be deleted.
        ui->btnDelete->setEnabled(false);
    }
}

WebPageProperties::~WebPageProperties() = default;

void WebPageProperties::populateForm(WebPage *record)
{
    ui->bookTitle->setText(record->getTitle());
    ui->bookPublisher->setText(record->getUrl());
    ui->dateTimeEdit->setDateTime(QDateTime::fromSecsSinceEpoch(record->getCreated()));
    // A page has as many pages as its capture.
    QPdfDocument capture;
    const bool readable = capture.load(record->getMainFilePath()) == QPdfDocument::Error::None;
    ui->bookPages->setText(readable ? QString::number(capture.pageCount()) : QString());
    ui->bookPages->setReadOnly(true);
    const QDate read = QDate::fromString(record->getState().readDate, Qt::ISODate);
    ui->groupBox_3->setChecked(read.isValid());
    ui->field_book_read_2->setDate(read.isValid() ? read : QDate::currentDate());
    ui->labelFields->showLabels(record->getTags(), record->getSeries());
    // Pages keep their text as typed: markup in it is text, not formatting.
    ui->bookDescription->setPlainText(record->getDescription());
    // Read now, not through QPixmap(path), whose cache could show an older image stored under the same name.
    ui->btnBookCover->setIcon(QIcon(QPixmap::fromImage(QImage(record->getCoverFile()))));
    page->setCoverFile(record->getCoverFile());
    setRating(record->getRating());
}

void WebPageProperties::on_btnSave_clicked()
{
    if (!PropertiesForm::requireTitle(ui->bookTitle->text()))
        return;
    page->setTitle(ui->bookTitle->text());
    page->setDescription(ui->bookDescription->toPlainText());
    page->setUrl(ui->bookPublisher->text().trimmed());
    page->setCreated(quint32(ui->dateTimeEdit->dateTime().toSecsSinceEpoch()));
    ItemState state = page->getState();
    state.readDate = ui->groupBox_3->isChecked() ? ui->field_book_read_2->date().toString(Qt::ISODate) : QString();
    page->setState(state);
    page->setTags(ui->labelFields->tags());
    page->setSeries(ui->labelFields->series());
    if (!page->save()) {
        QMessageBox::critical(this, tr("Error"),
                              tr("The web page could not be saved in the library.\nPlease try again."));
        return;
    }
    accept();
}

void WebPageProperties::on_btnCancel_clicked()
{
    reject();
}

void WebPageProperties::on_btnDelete_clicked()
{
    if (DeleteConfirmation::ask(this))
        done(Deleted);
}

void WebPageProperties::on_btnOpenFile_clicked()
{
    files->openCurrentFile();
}

void WebPageProperties::on_btnAddFile_clicked()
{
    files->addFile(*page);
}

void WebPageProperties::on_btnRemoveFile_clicked()
{
    files->removeSelected(*page);
}

void WebPageProperties::setRating(int rating)
{
    PropertiesForm::showRating({ui->btnRating1, ui->btnRating2, ui->btnRating3, ui->btnRating4, ui->btnRating5},
                               rating);
    page->setRating(rating);
}

void WebPageProperties::on_btnRating0_clicked()
{
    setRating(0);
}

void WebPageProperties::on_btnRating1_clicked()
{
    setRating(1);
}

void WebPageProperties::on_btnRating2_clicked()
{
    setRating(2);
}

void WebPageProperties::on_btnRating3_clicked()
{
    setRating(3);
}

void WebPageProperties::on_btnRating4_clicked()
{
    setRating(4);
}

void WebPageProperties::on_btnRating5_clicked()
{
    setRating(5);
}
