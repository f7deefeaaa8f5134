#include "cloud/filesyncmanager.h"
#include "ui_filesyncmanager.h"

#include "core/logger.h"
#include "core/replystatus.h"
#include "core/settings.h"
#include "cloud/cloudrequest.h"
#include "cloud/multipartfilebody.h"
#include "cloud/transferspeed.h"
#include "model/book.h"
#include "model/books.h"
#include "model/file.h"
#include "model/filelist.h"

#include <QDateTime>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>

#include <limits>

namespace {

const QString FailedIcon = QStringLiteral(":/images/icons/16x16/cross.png");

CloudRequest::Query fileQuery(File *file, const QString &token, bool upload)
{
    const QString md5 = file->md5();
    const QString size = QString::number(file->getFileSize());
    if (upload) {
        return {{QStringLiteral("cloudToken"), token},
                {QStringLiteral("md5"), md5},
                {QStringLiteral("fileSize"), size},
                {QStringLiteral("firstBytes"), file->getFirstBytes()},
                {QStringLiteral("fileType"), file->getFileType()}};
    }
    return {{QStringLiteral("md5"), md5},
            {QStringLiteral("fileSize"), size},
            {QStringLiteral("cloudToken"), token},
            {QStringLiteral("firstBytes"), file->getFirstBytes()}};
}

} // namespace

FileSyncManager::FileSyncManager(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FileSyncManager>())
    , books(std::make_unique<Books>(nullptr, QString(), -1))
    , network(new QNetworkAccessManager(this))
{
    ui->setupUi(this);
    const Settings settings;
    guid = settings.value(Settings::Guid).toString();
    baseUrl = settings.value(Settings::BaseUrl).toString();
    token = settings.value(Settings::CloudToken).toString();

    const QList<Book *> library = books->getBooks();
    for (Book *book : library) {
        logDebug(QStringLiteral("Adding books to the list of files to be synced."));
        takeIntoSync(book);
        uploadData(book);
    }
    syncUploadFileQueueCheck();
}

FileSyncManager::~FileSyncManager() = default;

void FileSyncManager::takeIntoSync(Book *book)
{
    items.append(book);
    logDebug(book->getTitle());
    QString title = book->getTitle();
    if (title.size() > TitleLength)
        title = title.left(TitleLength) + QStringLiteral("...");
    auto *entry = new QListWidgetItem(QIcon(book->getCoverFile()), title, ui->uploadList);
    entryOf.insert(book->getIid(), entry);
    const FileList *files = book->getFiles();
    for (int index = 0; index < files->count(); ++index) {
        File *file = files->at(index);
        checkQueue.append(file);
        digestMap.insert(file->md5(), file);
        ownerOf.insert(file, book->getIid());
    }
}

void FileSyncManager::uploadData(Book *book)
{
    // A manager of its own: the data uploads run beside the chain of checks and file uploads.
    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &FileSyncManager::dataUploadFinished);
    QNetworkRequest request(
        CloudRequest::url(baseUrl, QStringLiteral("upload/data/?"), {{QStringLiteral("cloudToken"), token}}));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json; charset=utf-8"));
    request.setAttribute(QNetworkRequest::User, book->getIid());
    manager->post(request, book->toJson().toUtf8());
}

void FileSyncManager::syncItem(Item *item)
{
    const FileList *files = item->getFiles();
    for (int index = 0; index < files->count(); ++index) {
        File *file = files->at(index);
        digestMap.insert(file->md5(), file);
        ownerOf.insert(file, item->getIid());
        checkFile(file);
    }
}

void FileSyncManager::syncUploadFileQueueCheck()
{
    network->disconnect();
    if (checkQueue.isEmpty()) {
        logDebug(QStringLiteral("Calling the file queue: "), 0);
        syncUploadFileQueueUpload();
        return;
    }
    const qsizetype waiting = checkQueue.size();
    connect(network, &QNetworkAccessManager::finished, this, &FileSyncManager::uploadFileCheckFinished);
    checkFile(checkQueue.takeFirst());
    logDebug(QStringLiteral("Current count for check queue is; should be decreasing: "), waiting);
}

void FileSyncManager::checkFile(File *file)
{
    const QUrl url = CloudRequest::url(baseUrl, QStringLiteral("upload/check/?"), fileQuery(file, token, false));
    logDebug(QStringLiteral("Starting upload check for ") + file->getFilePath());
    logDebug(QStringLiteral("url:") + url.toString());
    logDebug(QStringLiteral("Making get request for uploadCheck."));
    network->get(QNetworkRequest(url));
}

void FileSyncManager::uploadFileCheckFinished(QNetworkReply *reply)
{
    logDebug(QStringLiteral("uploadCheck request has finished, got reply."));
    const QVariantMap answer = CloudRequest::jsonObject(reply);
    const QString exists = answer.value(QStringLiteral("exists")).toString();
    if (exists == u"false") {
        logDebug(QStringLiteral("File does not exist, looking to upload it."));
        // Files of equal content share a digest: the service needs the bytes once.
        File *file = digestMap.value(answer.value(QStringLiteral("md5")).toString());
        if (file && !uploadQueue.contains(file))
            uploadQueue.append(file);
    } else if (exists == u"true") {
        logDebug(QStringLiteral("File exists remotely, got md5."));
    } else {
        logDebug(QStringLiteral("Did not get expected response from server. Halted upload queue."));
        if (!reply->errorString().isEmpty())
            logDebug(QStringLiteral("Error: ") + reply->errorString());
        reply->deleteLater();
        return;
    }
    reply->deleteLater();
    syncUploadFileQueueCheck();
}

void FileSyncManager::syncUploadFileQueueUpload()
{
    uploadStart = QDateTime::currentMSecsSinceEpoch();
    network->disconnect();
    while (!uploadQueue.isEmpty()) {
        if (uploadFile(uploadQueue.takeFirst()))
            return;
        logDebug(QStringLiteral("File does not exist, skipping to next file"));
    }
}

bool FileSyncManager::uploadFile(File *file)
{
    logDebug(QStringLiteral("Starting upload file process for ") + file->getFilePath());
    auto body = std::make_unique<MultipartFileBody>(file->getFilePath(), nullptr);
    if (!body->open()) {
        markFailed(ownerOf.value(file), tr("The file %1 could not be read.").arg(file->getFilePath()));
        return false;
    }
    QNetworkRequest request(CloudRequest::url(baseUrl, QStringLiteral("upload/file/?"), fileQuery(file, token, true)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, MultipartFileBody::contentType());
    request.setHeader(QNetworkRequest::ContentLengthHeader, body->size());
    // Sent as it is read: a large file must not be held in memory.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    request.setAttribute(QNetworkRequest::User, file->md5());
    connect(network, &QNetworkAccessManager::finished, this, &FileSyncManager::fileUploadFinished);
    logDebug(QStringLiteral("Making post request with the file for upload."));
    QNetworkReply *reply = network->post(request, body.get());
    body.release()->setParent(reply);
    connect(reply, &QNetworkReply::uploadProgress, this, &FileSyncManager::updateDataTransferProgress);
    return true;
}

void FileSyncManager::fileUploadFinished(QNetworkReply *reply)
{
    logDebug(QStringLiteral("File uploading finished."));
    const QString failure = ReplyStatus::failure(reply);
    if (!failure.isEmpty())
        markContentFailed(reply->request().attribute(QNetworkRequest::User).toString(), failure);
    ui->uploadProgress->setValue(0);
    reply->deleteLater();
    syncUploadFileQueueUpload();
}

void FileSyncManager::dataUploadFinished(QNetworkReply *reply)
{
    logDebug(QStringLiteral("Data uploading finished."));
    const QString failure = ReplyStatus::failure(reply);
    logDebug(QStringLiteral("reply data: ") + QString::fromUtf8(reply->readAll()));
    if (!failure.isEmpty())
        markFailed(reply->request().attribute(QNetworkRequest::User).toInt(), failure);
    reply->deleteLater();
    reply->manager()->deleteLater();
    ui->labelDlSpeed->setText(QStringLiteral("0 kB/s"));
}

void FileSyncManager::updateDataTransferProgress(qint64 readBytes, qint64 totalBytes)
{
    // The bar counts in int; files of 2 GiB and more are shown in KiB so that it does not overflow.
    const int shift = totalBytes > std::numeric_limits<int>::max() ? 10 : 0;
    ui->uploadProgress->setMaximum(int(totalBytes >> shift));
    ui->uploadProgress->setValue(int(readBytes >> shift));
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - uploadStart;
    ui->labelDlSpeed->setText(TransferSpeed::text(TransferSpeed::bytesPerSecond(readBytes, elapsed)));
}

void FileSyncManager::markContentFailed(const QString &md5, const QString &reason)
{
    QSet<int> owners;
    for (auto owner = ownerOf.cbegin(); owner != ownerOf.cend(); ++owner) {
        if (owner.key()->md5() == md5)
            owners.insert(owner.value());
    }
    for (const int iid : std::as_const(owners))
        markFailed(iid, reason);
}

void FileSyncManager::markFailed(int iid, const QString &reason)
{
    logDebug(QStringLiteral("Upload failed:"), reason);
    QListWidgetItem *entry = entryOf.value(iid);
    if (!entry)
        return;
    entry->setIcon(QIcon(FailedIcon));
    entry->setForeground(Qt::red);
    const QString earlier = entry->toolTip();
    entry->setToolTip((earlier.isEmpty() ? QString() : earlier + u'\n') + tr("Upload failed: %1").arg(reason));
}
