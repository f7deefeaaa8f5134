#include "cloud/syncrun.h"

#include "cloud/cloudrequest.h"
#include "cloud/multipartfilebody.h"
#include "core/boundedreply.h"
#include "core/cloudprotocol.h"
#include "core/logger.h"
#include "core/requestpolicy.h"
#include "model/book.h"
#include "model/file.h"
#include "model/filelist.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>

namespace {

CloudRequest::Query fileQuery(File *file, const QString &token, bool upload)
{
    const QString md5 = file->md5();
    const QString size = QString::number(file->getFileSize());
    if (upload) {
        return {{CloudProtocol::CloudToken, token},
                {CloudProtocol::Md5, md5},
                {CloudProtocol::FileSize, size},
                {CloudProtocol::FirstBytes, file->getFirstBytes()},
                {CloudProtocol::FileType, file->getFileType()}};
    }
    return {{CloudProtocol::Md5, md5},
            {CloudProtocol::FileSize, size},
            {CloudProtocol::CloudToken, token},
            {CloudProtocol::FirstBytes, file->getFirstBytes()}};
}

} // namespace

SyncRun::SyncRun(const QString &baseUrl, const QString &token, QObject *parent)
    : QObject(parent)
    , baseUrl(baseUrl)
    , token(token)
    , network(new QNetworkAccessManager(this))
{
}

SyncRun::~SyncRun() = default;

void SyncRun::addBook(Book *book)
{
    const FileList *files = book->getFiles();
    for (int index = 0; index < files->count(); ++index) {
        File *file = files->at(index);
        checkQueue.append(file);
        digestMap.insert(file->md5(), file);
        ownerOf.insert(file, book->getIid());
    }

    // A manager of its own: the data uploads run beside the chain of checks and file uploads.
    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &SyncRun::dataUploadFinished);
    QNetworkRequest request(CloudRequest::url(baseUrl, CloudProtocol::DataPath, {{CloudProtocol::CloudToken, token}}));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json; charset=utf-8"));
    request.setAttribute(QNetworkRequest::User, book->getIid());
    ++dataUploads;
    RequestPolicy::post(*manager, request, book->toJson().toUtf8(), RequestPolicy::Kind::ServiceReply);
}

void SyncRun::checkItem(Item *item)
{
    const FileList *files = item->getFiles();
    for (int index = 0; index < files->count(); ++index) {
        File *file = files->at(index);
        digestMap.insert(file->md5(), file);
        ownerOf.insert(file, item->getIid());
        checkFile(file);
    }
}

void SyncRun::checkNextFile()
{
    chainRunning = true;
    network->disconnect();
    if (checkQueue.isEmpty()) {
        logDebug(QStringLiteral("Calling the file queue: "), 0);
        uploadNextFile();
        return;
    }
    const qsizetype waiting = checkQueue.size();
    connect(network, &QNetworkAccessManager::finished, this, &SyncRun::checkFinished);
    checkFile(checkQueue.takeFirst());
    logDebug(QStringLiteral("Current count for check queue is; should be decreasing: "), waiting);
}

void SyncRun::checkFile(File *file)
{
    const QUrl url = CloudRequest::url(baseUrl, CloudProtocol::CheckPath, fileQuery(file, token, false));
    logDebug(QStringLiteral("Starting upload check for ") + file->getFilePath());
    logDebug(QStringLiteral("url:") + url.toString());
    logDebug(QStringLiteral("Making get request for uploadCheck."));
    RequestPolicy::get(*network, QNetworkRequest(url), RequestPolicy::Kind::ServiceReply);
}

void SyncRun::checkFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    logDebug(QStringLiteral("uploadCheck request has finished, got reply."));
    const QVariantMap answer = CloudRequest::jsonObject(BoundedReply::of(reply)->body());
    const QString exists = answer.value(CloudProtocol::Exists).toString();
    if (exists == CloudProtocol::False) {
        logDebug(QStringLiteral("File does not exist, looking to upload it."));
        // Files of equal content share a digest: the service needs the bytes once.
        File *file = digestMap.value(answer.value(CloudProtocol::Md5).toString());
        if (file && !uploadQueue.contains(file))
            uploadQueue.append(file);
    } else if (exists == CloudProtocol::True) {
        logDebug(QStringLiteral("File exists remotely, got md5."));
    } else {
        logDebug(QStringLiteral("Did not get expected response from server. Halted upload queue."));
        QString failure = BoundedReply::of(reply)->failure();
        if (failure.isEmpty())
            failure = tr("The reply could not be read.");
        logDebug(QStringLiteral("Error: ") + failure);
        chainRunning = false;
        emit halted(tr("The cloud service's answer stopped the sync: %1").arg(failure));
        finishIfDone();
        return;
    }
    checkNextFile();
}

void SyncRun::uploadNextFile()
{
    uploadStart = QDateTime::currentMSecsSinceEpoch();
    network->disconnect();
    while (!uploadQueue.isEmpty()) {
        if (uploadFile(uploadQueue.takeFirst()))
            return;
        logDebug(QStringLiteral("File does not exist, skipping to next file"));
    }
    chainRunning = false;
    finishIfDone();
}

bool SyncRun::uploadFile(File *file)
{
    logDebug(QStringLiteral("Starting upload file process for ") + file->getFilePath());
    auto body = std::make_unique<MultipartFileBody>(file->getFilePath(), nullptr);
    if (!body->open()) {
        emit bookFailed(ownerOf.value(file), tr("The file %1 could not be read.").arg(file->getFilePath()));
        return false;
    }
    QNetworkRequest request(CloudRequest::url(baseUrl, CloudProtocol::FilePath, fileQuery(file, token, true)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, MultipartFileBody::contentType());
    request.setHeader(QNetworkRequest::ContentLengthHeader, body->size());
    // Sent as it is read: a large file must not be held in memory.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    request.setAttribute(QNetworkRequest::User, file->md5());
    connect(network, &QNetworkAccessManager::finished, this, &SyncRun::fileUploadFinished);
    logDebug(QStringLiteral("Making post request with the file for upload."));
    QNetworkReply *reply = RequestPolicy::post(*network, request, body.get(), RequestPolicy::Kind::Upload);
    body.release()->setParent(reply);
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        emit fileProgress(sent, total, QDateTime::currentMSecsSinceEpoch() - uploadStart);
    });
    return true;
}

void SyncRun::fileUploadFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    logDebug(QStringLiteral("File uploading finished."));
    const QString failure = BoundedReply::of(reply)->failure();
    if (!failure.isEmpty())
        contentFailed(reply->request().attribute(QNetworkRequest::User).toString(), failure);
    emit fileUploadEnded();
    uploadNextFile();
}

void SyncRun::dataUploadFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    reply->manager()->deleteLater();
    logDebug(QStringLiteral("Data uploading finished."));
    const BoundedReply *reading = BoundedReply::of(reply);
    const QString failure = reading->failure();
    logDebug(QStringLiteral("reply data: ") + QString::fromUtf8(reading->body()));
    if (!failure.isEmpty())
        emit bookFailed(reply->request().attribute(QNetworkRequest::User).toInt(), failure);
    emit dataUploadEnded();
    --dataUploads;
    finishIfDone();
}

void SyncRun::cancel()
{
    checkQueue.clear();
    uploadQueue.clear();
    // Every request under way ends with its manager; none reports back.
    for (QNetworkAccessManager *manager : findChildren<QNetworkAccessManager *>(QString(), Qt::FindDirectChildrenOnly)) {
        manager->disconnect(this);
        for (QNetworkReply *reply : manager->findChildren<QNetworkReply *>())
            reply->disconnect(this);
        manager->deleteLater();
    }
    network = new QNetworkAccessManager(this);
    dataUploads = 0;
    chainRunning = false;
}

void SyncRun::finishIfDone()
{
    if (dataUploads == 0 && !chainRunning)
        emit finished();
}

void SyncRun::contentFailed(const QString &md5, const QString &reason)
{
    QSet<int> owners;
    for (auto owner = ownerOf.cbegin(); owner != ownerOf.cend(); ++owner) {
        if (owner.key()->md5() == md5)
            owners.insert(owner.value());
    }
    for (const int iid : std::as_const(owners))
        emit bookFailed(iid, reason);
}
