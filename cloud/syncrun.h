#ifndef SYNCRUN_H
#define SYNCRUN_H

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class Book;
class File;
class Item;
class QNetworkAccessManager;
class QNetworkReply;

// One upload of the library to the cloud service: every book's data as JSON, then the service is asked
// about each file in turn, known by its MD5 digest, and the missing ones are sent one at a time, streamed
// from disk. It reports what a dialog shows; the books and their files belong to the caller.
class SyncRun : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SyncRun)

public:
    SyncRun(const QString &baseUrl, const QString &token, QObject *parent = nullptr);
    ~SyncRun() override;

    // Sends the book's data and queues its files for the check.
    void addBook(Book *book);
    // Checks the files of one more item at once, beside the queue.
    void checkItem(Item *item);
    // Checks the next queued file; with none left, uploads the missing ones.
    void checkNextFile();
    // Uploads the next missing file that can be read.
    void uploadNextFile();
    // Ends every request under way and sends nothing more.
    void cancel();

signals:
    // A book's data or a file of it was refused, or a file could not be read.
    void bookFailed(int iid, const QString &reason);
    void fileProgress(qint64 sentBytes, qint64 totalBytes, qint64 elapsedMs);
    void fileUploadEnded();
    void dataUploadEnded();
    // The service's answer to a check made the run stop; the files after it are neither checked nor sent.
    void halted(const QString &reason);
    // Nothing is under way any more.
    void finished();

private:
    void checkFile(File *file);
    void checkFinished(QNetworkReply *reply);
    bool uploadFile(File *file);
    void fileUploadFinished(QNetworkReply *reply);
    void dataUploadFinished(QNetworkReply *reply);
    // Every book with a file of this content waited for the one upload that failed.
    void contentFailed(const QString &md5, const QString &reason);
    void finishIfDone();

    QString baseUrl;
    QString token;
    QNetworkAccessManager *network;
    QList<File *> checkQueue;
    QList<File *> uploadQueue;
    QMap<QString, File *> digestMap;
    // The item each file belongs to, for telling failures.
    QHash<File *, int> ownerOf;
    qint64 uploadStart = 0;
    // Data uploads not answered yet, and whether the chain of checks and file uploads goes on.
    int dataUploads = 0;
    bool chainRunning = false;
};

#endif // SYNCRUN_H
