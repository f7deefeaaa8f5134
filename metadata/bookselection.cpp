#include "metadata/bookselection.h"
#include "ui_bookselection.h"

#include "core/replystatus.h"
#include "widgets/screencentre.h"
#include "core/serviceaddresses.h"

#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

namespace {

// Column 0 of the table is 220 pixels wide.
constexpr int TitleColumnWidth = 220;

QUrl searchUrl(const QString &terms)
{
    QUrl url = ServiceAddresses::booksApi();
    // Encoded whole, so "&", "#" or "+" in a title stay part of the search.
    url.setQuery(QStringLiteral("q=") + QString::fromLatin1(QUrl::toPercentEncoding(terms, ":")));
    return url;
}

} // namespace

BookSelection::BookSelection(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::BookSelection>())
    , network(new QNetworkAccessManager(this))
{
    ui->setupUi(this);
    connect(ui->tableWidget, &QTableWidget::itemSelectionChanged, this, &BookSelection::chooseSelectedRow);
}

BookSelection::~BookSelection() = default;

void BookSelection::setFilePath(const QString &path)
{
    filePath = path;
    ui->filePath->setText(path);
}

void BookSelection::setKeywords(const QString &keywords)
{
    ui->keywords->setText(keywords);
}

void BookSelection::setIsbn(const QString &isbn)
{
    ui->isbn->setText(isbn);
}

void BookSelection::setSingleBookMode()
{
    ui->btnSkipAll->hide();
    ui->btnSkip->setText(tr("Cancel"));
}

void BookSelection::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ScreenCentre::place(this);
}

void BookSelection::on_btnUpdate_clicked()
{
    search();
}

void BookSelection::search()
{
    const QString isbn = ui->isbn->text();
    const QString keywords = ui->keywords->text();
    QUrl url = ServiceAddresses::booksApi();
    if (isbn.size() >= 2)
        url = searchUrl(QStringLiteral("isbn:") + isbn);
    else if (keywords.size() >= 2)
        url = searchUrl(keywords);

    QNetworkReply *reply = network->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        queryGoogleProcessReply(reply);
    });
}

void BookSelection::queryGoogleProcessReply(QNetworkReply *reply)
{
    const QString failure = ReplyStatus::failure(reply);
    if (!failure.isEmpty()) {
        QMessageBox::critical(this, tr("Search failed"),
                              tr("The search in Google Books failed.\n%1\nPlease try again later.").arg(failure));
        return;
    }
    lastReply = QJsonDocument::fromJson(reply->readAll()).object().toVariantMap();
    const QVariantList items = lastReply.value(QStringLiteral("items")).toList();
    if (items.isEmpty()) {
        QMessageBox::critical(this, tr("Not found online"),
                              tr("No books were found.\nPlease try changing information entered."));
        return;
    }
    if (items.size() == 1) {
        selectedUrl = items.first().toMap().value(QStringLiteral("selfLink")).toString();
        accept();
        return;
    }
    populateTable();
}

void BookSelection::populateTable()
{
    // An earlier choice belongs to the rows that are going.
    selectedUrl.clear();
    ui->btnSave->setEnabled(false);
    ui->tableWidget->clearContents();
    ui->tableWidget->setRowCount(0);
    if (filePath.isEmpty()) {
        ui->filePath->hide();
        ui->btnFileOpen->hide();
    } else {
        ui->filePath->setText(filePath);
    }

    const QVariantList items = lastReply.value(QStringLiteral("items")).toList();
    ui->tableWidget->setRowCount(static_cast<int>(items.size()));
    for (int row = 0; row < items.size(); ++row) {
        const QVariantMap entry = items.at(row).toMap();
        const QVariantMap info = entry.value(QStringLiteral("volumeInfo")).toMap();
        auto *title = new QTableWidgetItem(info.value(QStringLiteral("title")).toString());
        title->setData(VolumeUrlRole, entry.value(QStringLiteral("selfLink")).toString());
        ui->tableWidget->setItem(row, 0, title);
        ui->tableWidget->setItem(
            row, 1,
            new QTableWidgetItem(info.value(QStringLiteral("authors")).toStringList().join(QStringLiteral(", "))));
        const QVariant pages = info.value(QStringLiteral("pageCount"));
        ui->tableWidget->setItem(row, 2, new QTableWidgetItem(pages.isValid() ? pages.toString() : QString()));
    }
    ui->tableWidget->setColumnWidth(0, TitleColumnWidth);
}

void BookSelection::selectRow(int row)
{
    const QTableWidgetItem *title = ui->tableWidget->item(row, 0);
    if (!title)
        return;
    selectedUrl = title->data(VolumeUrlRole).toString();
    ui->btnSave->setEnabled(!selectedUrl.isEmpty());
}

void BookSelection::on_tableWidget_cellClicked(int row, int)
{
    selectRow(row);
}

void BookSelection::chooseSelectedRow()
{
    // The keyboard chooses a row as well as the mouse does. Following the selection rather than the current
    // cell: Tab into the list makes the first row current without selecting it, which is no choice.
    const QList<QTableWidgetItem *> selected = ui->tableWidget->selectedItems();
    if (!selected.isEmpty()) {
        selectRow(selected.first()->row());
        return;
    }
    selectedUrl.clear();
    ui->btnSave->setEnabled(false);
}

void BookSelection::on_tableWidget_cellDoubleClicked(int row, int)
{
    selectRow(row);
    if (!selectedUrl.isEmpty())
        accept();
}

void BookSelection::on_btnFileOpen_clicked()
{
    if (!filePath.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}

void BookSelection::on_btnSave_clicked()
{
    if (!selectedUrl.isEmpty())
        accept();
}

void BookSelection::on_btnSkip_clicked()
{
    reject();
}

void BookSelection::on_btnSkipAll_clicked()
{
    skipAll = true;
    reject();
}
