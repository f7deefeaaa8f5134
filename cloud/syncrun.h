#ifndef SYNCRUN_H
#define SYNCRUN_H

#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class Book;
class File;
class Item;
class QNetworkAccessManager;
class QNetworkReply;

// One upload of the library to the cloud service: every book's data as JSON, every file's existence check
// by its MD5 digest, and the upload of each content the service does not hold, streamed from disk; started in
// that order, on one network access manager, a few requests at a time. Digests that are not known yet are made off
// the UI thread first. It reports what a dialog shows; the books and their files belong to the caller.
class SyncRun : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SyncRun)

public:
    // As a browser does per host.
    static constexpr int MaxInFlight = 6;

    struct Progress
    {
        int booksSent = 0;
        int books = 0;
        int filesChecked = 0;
        int files = 0;
        qint64 bytesSent = 0;
        qint64 bytes = 0;
        int uploaded = 0;
        int failed = 0;
    };

    SyncRun(const QString &baseUrl, const QString &token, QObject *parent = nullptr);
    ~SyncRun() override;

    // Queues the book's data and its files' checks.
    void addBook(Book *book);
    // Digests what needs it, then sends what is queued.
    void start();
    // Queues the checks of one more item's files.
    void checkItem(Item *item);
    // Sends what is queued, as far as the bound allows.
    void pump();
    // Ends every request under way and sends nothing more.
    void cancel();

    bool isRunning() const { return running; }
    Progress progress() const { return counts; }
    // "10,000 books synced, 3 files uploaded, 2 failed".
    QString summary() const;

signals:
    void digesting(int done, int total);
    void progressChanged();
    // The file on its way: bytes sent of its upload, and the time since the upload began.
    void fileProgress(qint64 sentBytes, qint64 totalBytes, qint64 elapsedMs);
    // A book's data or a file of it was refused, could not be read, or was not reached.
    void bookFailed(int iid, const QString &reason);
    // Nothing more is sent: the service's answer or its absence stopped the run.
    void halted(const QString &reason);
    // Nothing is under way any more; the run is over.
    void finished();

private:
    enum class Step { Data, Check, Upload };
    struct Request
    {
        Step step;
        Book *book = nullptr;
        File *file = nullptr;
    };

    void digestMissing();
    void storeDigests();
    void send(const Request &request);
    void sendData(Book *book);
    void sendCheck(File *file);
    void sendUpload(File *file);
    void answered(QNetworkReply *reply);
    void dataAnswered(QNetworkReply *reply, int iid);
    void checkAnswered(QNetworkReply *reply, File *file);
    void uploadAnswered(QNetworkReply *reply, const QString &md5);
    // Whether a failure of any request means the service cannot go on with this run.
    static bool stopsTheRun(QNetworkReply *reply);
    void halt(const QString &reason);
    void contentFailed(const QString &md5, const QString &reason);
    void failBook(int iid, const QString &reason);
    void finishIfDone();

    QString baseUrl;
    QString token;
    QNetworkAccessManager *network;
    QList<Book *> dataQueue;
    QList<File *> checkQueue;
    QList<File *> uploadQueue;
    // Contents queued or sent for upload, by digest: the service needs the bytes once.
    QSet<QString> uploading;
    QHash<QString, File *> fileOfDigest;
    // The item each file belongs to, for telling failures.
    QHash<File *, int> ownerOf;
    QSet<int> failedBooks;
    int inFlight = 0;
    bool running = false;
    bool stopped = false;
    Progress counts;
    QFutureWatcher<QString> digests;
    QList<File *> digestFiles;
    QList<File *> unstoredDigests;
    static constexpr int DigestsPerCommit = 500;
};

#endif // SYNCRUN_H
