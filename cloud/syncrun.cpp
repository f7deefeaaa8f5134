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
#include "model/savetransaction.h"

#include <QDateTime>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

namespace {

// Which request a reply answers, on the request's User attribute and this one.
constexpr auto StepAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 1);

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
    connect(network, &QNetworkAccessManager::finished, this, &SyncRun::answered);
    connect(&digests, &QFutureWatcher<QString>::progressValueChanged, this,
            [this](int done) { emit digesting(done, int(digestFiles.size())); });
    connect(&digests, &QFutureWatcher<QString>::resultReadyAt, this, [this](int index) {
        File *file = digestFiles.at(index);
        file->setDigest(digests.resultAt(index));
        unstoredDigests.append(file);
        if (unstoredDigests.size() >= DigestsPerCommit)
            storeDigests();
    });
    connect(&digests, &QFutureWatcher<QString>::finished, this, [this] {
        storeDigests();
        if (!digests.isCanceled())
            pump();
    });
}

SyncRun::~SyncRun()
{
    digests.cancel();
    digests.waitForFinished();
}

void SyncRun::addBook(Book *book)
{
    dataQueue.append(book);
    ++counts.books;
    const FileList *files = book->getFiles();
    for (int index = 0; index < files->count(); ++index) {
        File *file = files->at(index);
        checkQueue.append(file);
        ownerOf.insert(file, book->getIid());
        ++counts.files;
    }
}

void SyncRun::start()
{
    running = true;
    digestMissing();
}

void SyncRun::digestMissing()
{
    QStringList paths;
    for (File *file : std::as_const(checkQueue)) {
        if (!file->hasDigest()) {
            digestFiles.append(file);
            paths.append(file->getFilePath());
        }
    }
    if (paths.isEmpty()) {
        pump();
        return;
    }
    // Reading every file would hold the window for minutes; a worker reads them, one after the other.
    digests.setFuture(QtConcurrent::run([paths](QPromise<QString> &promise) {
        promise.setProgressRange(0, int(paths.size()));
        for (qsizetype index = 0; index < paths.size() && !promise.isCanceled(); ++index) {
            promise.addResult(File::digestOf(paths.at(index), [&promise] { return promise.isCanceled(); }));
            promise.setProgressValue(int(index + 1));
        }
    }));
}

void SyncRun::storeDigests()
{
    // Kept with the files' rows, so that the next run need not read the files again; a commit for each
    // would flush the disk thousands of times.
    SaveTransaction save;
    for (File *file : std::as_const(unstoredDigests))
        file->storeDigest();
    save.commit();
    unstoredDigests.clear();
}

void SyncRun::checkItem(Item *item)
{
    const FileList *files = item->getFiles();
    for (int index = 0; index < files->count(); ++index) {
        File *file = files->at(index);
        ownerOf.insert(file, item->getIid());
        checkQueue.append(file);
        ++counts.files;
    }
    running = true;
    pump();
}

void SyncRun::pump()
{
    if (digests.isRunning())
        return;
    if (stopped) {
        finishIfDone();
        return;
    }
    // In the protocol's order: every book's data, then every file's check, then the missing files.
    while (inFlight < MaxInFlight && (!dataQueue.isEmpty() || !checkQueue.isEmpty() || !uploadQueue.isEmpty())) {
        if (!dataQueue.isEmpty())
            sendData(dataQueue.takeFirst());
        else if (!checkQueue.isEmpty())
            sendCheck(checkQueue.takeFirst());
        else
            sendUpload(uploadQueue.takeFirst());
    }
    finishIfDone();
}

void SyncRun::sendData(Book *book)
{
    QNetworkRequest request(CloudRequest::url(baseUrl, CloudProtocol::DataPath, {{CloudProtocol::CloudToken, token}}));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json; charset=utf-8"));
    request.setAttribute(QNetworkRequest::User, book->getIid());
    request.setAttribute(StepAttribute, int(Step::Data));
    ++inFlight;
    // The cover is read and encoded now, not for every book at once.
    RequestPolicy::post(*network, request, book->toJson().toUtf8(), RequestPolicy::Kind::ServiceReply);
}

void SyncRun::sendCheck(File *file)
{
    const QString md5 = file->md5();
    fileOfDigest.insert(md5, file);
    QNetworkRequest request(CloudRequest::url(baseUrl, CloudProtocol::CheckPath, fileQuery(file, token, false)));
    request.setAttribute(QNetworkRequest::User, QVariant::fromValue(static_cast<void *>(file)));
    request.setAttribute(StepAttribute, int(Step::Check));
    logDebug(QStringLiteral("Starting upload check for ") + file->getFilePath());
    ++inFlight;
    RequestPolicy::get(*network, request, RequestPolicy::Kind::ServiceReply);
}

void SyncRun::sendUpload(File *file)
{
    logDebug(QStringLiteral("Starting upload file process for ") + file->getFilePath());
    auto body = std::make_unique<MultipartFileBody>(file->getFilePath(), nullptr);
    if (!body->open()) {
        contentFailed(file->md5(), tr("The file %1 could not be read.").arg(file->getFilePath()));
        return;
    }
    QNetworkRequest request(CloudRequest::url(baseUrl, CloudProtocol::FilePath, fileQuery(file, token, true)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, MultipartFileBody::contentType());
    request.setHeader(QNetworkRequest::ContentLengthHeader, body->size());
    // Sent as it is read: a large file must not be held in memory.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    request.setAttribute(QNetworkRequest::User, file->md5());
    request.setAttribute(StepAttribute, int(Step::Upload));
    ++inFlight;
    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    QNetworkReply *reply = RequestPolicy::post(*network, request, body.get(), RequestPolicy::Kind::Upload);
    body.release()->setParent(reply);
    auto sentOfThis = std::make_shared<qint64>(0);
    connect(reply, &QNetworkReply::uploadProgress, this, [this, started, sentOfThis](qint64 sent, qint64 total) {
        counts.bytesSent += sent - *sentOfThis;
        *sentOfThis = sent;
        emit fileProgress(sent, total, QDateTime::currentMSecsSinceEpoch() - started);
    });
}

void SyncRun::answered(QNetworkReply *reply)
{
    reply->deleteLater();
    --inFlight;
    const QNetworkRequest request = reply->request();
    switch (Step(request.attribute(StepAttribute).toInt())) {
    case Step::Data:
        dataAnswered(reply, request.attribute(QNetworkRequest::User).toInt());
        break;
    case Step::Check:
        checkAnswered(reply, static_cast<File *>(request.attribute(QNetworkRequest::User).value<void *>()));
        break;
    case Step::Upload:
        uploadAnswered(reply, request.attribute(QNetworkRequest::User).toString());
        break;
    }
    emit progressChanged();
    pump();
}

bool SyncRun::stopsTheRun(QNetworkReply *reply)
{
    // Without an answer the service is not there; 401 means the token is no longer good.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return !status.isValid() || status.toInt() == 401;
}

void SyncRun::dataAnswered(QNetworkReply *reply, int iid)
{
    ++counts.booksSent;
    const QString failure = BoundedReply::of(reply)->failure();
    if (failure.isEmpty())
        return;
    if (stopsTheRun(reply))
        halt(failure);
    failBook(iid, failure);
}

void SyncRun::checkAnswered(QNetworkReply *reply, File *file)
{
    ++counts.filesChecked;
    const BoundedReply *reading = BoundedReply::of(reply);
    const QVariantMap answer = CloudRequest::jsonObject(reading->body());
    const QString exists = answer.value(CloudProtocol::Exists).toString();
    if (exists == CloudProtocol::False) {
        // Files of equal content share a digest: the service needs the bytes once.
        const QString md5 = answer.value(CloudProtocol::Md5).toString();
        File *missing = fileOfDigest.value(md5, file);
        if (!uploading.contains(md5)) {
            uploading.insert(md5);
            uploadQueue.append(missing);
            counts.bytes += missing->getFileSize();
        }
    } else if (exists != CloudProtocol::True) {
        QString failure = reading->failure();
        if (failure.isEmpty())
            failure = tr("The reply could not be read.");
        logDebug(QStringLiteral("Did not get expected response from server. Halted upload queue."), failure);
        failBook(ownerOf.value(file), failure);
        halt(failure);
    }
}

void SyncRun::uploadAnswered(QNetworkReply *reply, const QString &md5)
{
    logDebug(QStringLiteral("File uploading finished."));
    const auto *body = reply->findChild<MultipartFileBody *>();
    if (body && body->changedWhileRead()) {
        contentFailed(md5, tr("The file changed while it was being uploaded."));
        return;
    }
    const QString failure = BoundedReply::of(reply)->failure();
    if (failure.isEmpty()) {
        ++counts.uploaded;
        return;
    }
    if (stopsTheRun(reply))
        halt(failure);
    contentFailed(md5, failure);
}

void SyncRun::halt(const QString &reason)
{
    if (stopped)
        return;
    stopped = true;
    // Every book the run did not reach is told so, not left looking done.
    const QString notReached = tr("Not synced: %1").arg(reason);
    for (const Book *book : std::as_const(dataQueue))
        failBook(book->getIid(), notReached);
    for (const QList<File *> &queue : {checkQueue, uploadQueue}) {
        for (File *file : queue)
            failBook(ownerOf.value(file), notReached);
    }
    dataQueue.clear();
    checkQueue.clear();
    uploadQueue.clear();
    emit halted(tr("The sync stopped: %1").arg(reason));
}

void SyncRun::cancel()
{
    stopped = true;
    digests.cancel();
    dataQueue.clear();
    checkQueue.clear();
    uploadQueue.clear();
    // The requests under way end with their manager, without a word back.
    network->disconnect(this);
    network->deleteLater();
    network = new QNetworkAccessManager(this);
    inFlight = 0;
    running = false;
}

void SyncRun::contentFailed(const QString &md5, const QString &reason)
{
    for (auto owner = ownerOf.cbegin(); owner != ownerOf.cend(); ++owner) {
        if (owner.key()->md5() == md5)
            failBook(owner.value(), reason);
    }
}

void SyncRun::failBook(int iid, const QString &reason)
{
    logDebug(QStringLiteral("Upload failed:"), reason);
    if (!failedBooks.contains(iid)) {
        failedBooks.insert(iid);
        ++counts.failed;
    }
    emit bookFailed(iid, reason);
}

void SyncRun::finishIfDone()
{
    if (!running || inFlight > 0 || digests.isRunning())
        return;
    if (!stopped && !(dataQueue.isEmpty() && checkQueue.isEmpty() && uploadQueue.isEmpty()))
        return;
    running = false;
    emit finished();
}

QString SyncRun::summary() const
{
    const QLocale locale;
    const int synced = counts.books - counts.failed;
    return tr("%1 books synced, %2 files uploaded, %3 failed")
        .arg(locale.toString(std::max(0, synced)), locale.toString(counts.uploaded), locale.toString(counts.failed));
}
