#include "cloud/filesyncmanager.h"
#include "ui_filesyncmanager.h"

#include "cloud/syncrun.h"
#include "cloud/transferspeed.h"
#include "core/logger.h"
#include "core/settings.h"
#include "model/book.h"
#include "model/books.h"
#include "widgets/covericondelegate.h"

#include <QIcon>
#include <QStyle>
#include <QLocale>

#include <limits>

namespace {

const QString FailedIcon = QStringLiteral(":/images/icons/16x16/cross.png");

} // namespace

FileSyncManager::FileSyncManager(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FileSyncManager>())
    , books(std::make_unique<Books>(nullptr, QString(), -1))
{
    ui->setupUi(this);
    const int small = style()->pixelMetric(QStyle::PM_SmallIconSize);
    ui->uploadList->setItemDelegate(new CoverIconDelegate(QSize(small, small), ui->uploadList));
    const Settings settings;
    run = new SyncRun(settings.value(Settings::BaseUrl).toString(), settings.value(Settings::CloudToken).toString(),
                      this);
    connect(run, &SyncRun::bookFailed, this, &FileSyncManager::markFailed);
    connect(run, &SyncRun::fileProgress, this, &FileSyncManager::updateDataTransferProgress);
    connect(run, &SyncRun::digesting, this, [this](int done, int total) {
        ui->labelProgress->setText(tr("Reading files: %1 of %2").arg(done).arg(total));
    });
    connect(run, &SyncRun::progressChanged, this, &FileSyncManager::showProgress);
    connect(run, &SyncRun::halted, ui->labelStatus, &QLabel::setText);
    connect(run, &SyncRun::finished, this, [this] {
        ui->btnCancel->setEnabled(false);
        ui->uploadProgress->setValue(0);
        ui->labelDlSpeed->setText(QStringLiteral("0 kB/s"));
        showProgress();
        if (ui->labelStatus->text() == waitingText())
            ui->labelStatus->setText(run->summary());
    });
    ui->labelStatus->setText(waitingText());

    const QList<Book *> library = books->getBooks();
    for (Book *book : library) {
        logDebug(QStringLiteral("Adding books to the list of files to be synced."));
        listBook(book);
        run->addBook(book);
    }
    showProgress();
    run->start();
}

FileSyncManager::~FileSyncManager() = default;

bool FileSyncManager::isRunning() const
{
    return run->isRunning();
}

QString FileSyncManager::waitingText()
{
    return tr("Sending the library to the cloud service…");
}

void FileSyncManager::showProgress()
{
    const SyncRun::Progress progress = run->progress();
    const QLocale locale;
    ui->labelProgress->setText(tr("Books %1 of %2 · files checked %3 of %4 · uploaded %5 of %6")
                                   .arg(locale.toString(progress.booksSent), locale.toString(progress.books),
                                        locale.toString(progress.filesChecked), locale.toString(progress.files),
                                        locale.formattedDataSize(progress.bytesSent),
                                        locale.formattedDataSize(progress.bytes)));
}

void FileSyncManager::on_btnCancel_clicked()
{
    run->cancel();
    ui->btnCancel->setEnabled(false);
    ui->uploadProgress->setValue(0);
    ui->labelStatus->setText(tr("Cancelled; what was not sent yet stays unsynced."));
}

void FileSyncManager::listBook(Book *book)
{
    logDebug(book->getTitle());
    QString title = book->getTitle();
    if (title.size() > TitleLength)
        title = title.left(TitleLength) + QStringLiteral("...");
    auto *entry = new QListWidgetItem(title, ui->uploadList);
    entry->setData(CoverIconDelegate::CoverPathRole, book->getCoverFile());
    entryOf.insert(book->getIid(), entry);
}

void FileSyncManager::syncItem(Item *item)
{
    run->checkItem(item);
}

void FileSyncManager::syncUploadFileQueueCheck()
{
    run->pump();
}

void FileSyncManager::syncUploadFileQueueUpload()
{
    run->pump();
}

void FileSyncManager::updateDataTransferProgress(qint64 readBytes, qint64 totalBytes, qint64 elapsedMs)
{
    // The bar counts in int; files of 2 GiB and more are shown in KiB so that it does not overflow.
    const int shift = totalBytes > std::numeric_limits<int>::max() ? 10 : 0;
    ui->uploadProgress->setMaximum(int(totalBytes >> shift));
    ui->uploadProgress->setValue(int(readBytes >> shift));
    ui->labelDlSpeed->setText(TransferSpeed::text(TransferSpeed::bytesPerSecond(readBytes, elapsedMs)));
}

void FileSyncManager::markFailed(int iid, const QString &reason)
{
    QListWidgetItem *entry = entryOf.value(iid);
    if (!entry)
        return;
    entry->setData(CoverIconDelegate::CoverPathRole, QVariant());
    entry->setIcon(QIcon(FailedIcon));
    entry->setForeground(Qt::red);
    const QString earlier = entry->toolTip();
    entry->setToolTip((earlier.isEmpty() ? QString() : earlier + u'\n') + tr("Upload failed: %1").arg(reason));
}
