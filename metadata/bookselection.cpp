#include "metadata/bookselection.h"
#include "ui_bookselection.h"

#include "core/boundedreply.h"
#include "core/requestpolicy.h"
#include "metadata/bookservicethrottle.h"
#include "metadata/volumesearch.h"
#include "model/similartitles.h"
#include "widgets/screencentre.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

namespace {

// Column 0 of the table is 220 pixels wide.
constexpr int TitleColumnWidth = 220;

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
    // Only the latest search counts: one still under way is ended, and its reply could not win.
    if (pending) {
        pending->disconnect(this);
        BoundedReply::of(pending)->cancel();
        pending->deleteLater();
        pending = nullptr;
    }
    showNotice(tr("Searching…"));
    send(VolumeSearch::url(ui->isbn->text(), ui->keywords->text()), ++searches);
}

void BookSelection::send(const QUrl &url, quint64 search)
{
    BookServiceThrottle::instance().whenAllowed(this, [this, url, search] {
        if (search != searches)
            return;
        QNetworkReply *reply = RequestPolicy::get(*network, QNetworkRequest(url), RequestPolicy::Kind::ServiceReply);
        pending = reply;
        connect(reply, &QNetworkReply::finished, this, [this, reply, url, search] {
            reply->deleteLater();
            pending = nullptr;
            BookServiceThrottle &throttle = BookServiceThrottle::instance();
            const bool newPause = throttle.noteAnswer(reply);
            if (BookServiceThrottle::asksToWait(reply)) {
                showNotice(tr("Waiting for the book service…"));
                send(url, search);
                if (newPause)
                    QMessageBox::information(this, tr("Book service busy"), throttle.pauseMessage());
                return;
            }
            queryGoogleProcessReply(reply);
        });
    });
}

void BookSelection::showNotice(const QString &text)
{
    clearList();
    ui->tableWidget->setRowCount(1);
    auto *notice = new QTableWidgetItem(text);
    // Only a volume can be chosen.
    notice->setFlags(Qt::ItemIsEnabled);
    ui->tableWidget->setItem(0, 0, notice);
    ui->tableWidget->setSpan(0, 0, 1, ui->tableWidget->columnCount());
}

void BookSelection::clearList()
{
    // An earlier choice belongs to the rows that are going.
    selectedUrl.clear();
    showChoice();
    ui->tableWidget->clearContents();
    ui->tableWidget->clearSpans();
    ui->tableWidget->setRowCount(0);
}

void BookSelection::queryGoogleProcessReply(QNetworkReply *reply)
{
    const VolumeSearch::Result result = VolumeSearch::read(reply);
    if (!result.failure.isEmpty()) {
        clearList();
        QMessageBox::critical(this, tr("Search failed"),
                              tr("The search in Google Books failed.\n%1\nPlease try again later.").arg(result.failure));
        // There is nothing to choose from.
        reject();
        return;
    }
    if (result.matches.isEmpty()) {
        // What an earlier search found stays to choose from.
        populateTable();
        QMessageBox::critical(this, tr("Not found online"),
                              tr("No books were found.\nPlease try changing information entered."));
        return;
    }
    matches = result.matches;
    if (matches.size() == 1) {
        clearList();
        selectedUrl = matches.first().volumeUrl;
        accept();
        return;
    }
    populateTable();
}

void BookSelection::populateTable()
{
    clearList();
    if (filePath.isEmpty()) {
        ui->filePath->hide();
        ui->btnFileOpen->hide();
    } else {
        ui->filePath->setText(filePath);
    }

    ui->tableWidget->setRowCount(static_cast<int>(matches.size()));
    for (int row = 0; row < matches.size(); ++row) {
        const VolumeSearch::Match &match = matches.at(row);
        auto *title = new QTableWidgetItem(match.title);
        title->setData(VolumeUrlRole, match.volumeUrl);
        ui->tableWidget->setItem(row, 0, title);
        ui->tableWidget->setItem(row, 1, new QTableWidgetItem(match.authors));
        ui->tableWidget->setItem(row, 2, new QTableWidgetItem(match.pageCount));
    }
    ui->tableWidget->setColumnWidth(0, TitleColumnWidth);
}

void BookSelection::selectRow(int row)
{
    const QTableWidgetItem *title = ui->tableWidget->item(row, 0);
    if (!title)
        return;
    selectedUrl = title->data(VolumeUrlRole).toString();
    showChoice();
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
    showChoice();
}

void BookSelection::showChoice()
{
    const bool chosen = !selectedUrl.isEmpty();
    ui->btnSave->setEnabled(chosen);
    // Enter takes the chosen volume, or searches while there is none.
    ui->btnSave->setDefault(chosen);
    ui->btnUpdate->setDefault(!chosen);
}

void BookSelection::on_tableWidget_cellDoubleClicked(int row, int)
{
    selectRow(row);
    if (!selectedUrl.isEmpty())
        accept();
}

void BookSelection::on_pushButton_clicked()
{
    const QStringList held = SimilarTitles::of(ui->keywords->text());
    if (held.isEmpty()) {
        QMessageBox::information(this, tr("Search Existing"), tr("No book in the library has a title like this."));
        return;
    }
    QStringList lines;
    for (const QString &title : held)
        lines << QStringLiteral("•&nbsp;") + title.toHtmlEscaped();
    QMessageBox::information(this, tr("Search Existing"),
                             tr("In the library already:") + QStringLiteral("<br>") + lines.join(QStringLiteral("<br>")));
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
