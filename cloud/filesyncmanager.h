#ifndef FILESYNCMANAGER_H
#define FILESYNCMANAGER_H

#include <QDialog>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>

class Book;
class Books;
class File;
class Item;
class QListWidgetItem;
class QNetworkAccessManager;
class QNetworkReply;

namespace Ui {
class FileSyncManager;
}

Q_MOC_INCLUDE("model/item.h")
Q_MOC_INCLUDE(<QNetworkReply>)

// Uploads the library to the cloud service: every book's data as JSON, and every file the service
// does not hold yet. Files are known by their MD5 digest; the service is asked about each in turn, and
// the missing ones are sent one at a time, with progress and speed on show. Creating the dialog starts
// the run.
class FileSyncManager : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileSyncManager)

public:
    explicit FileSyncManager(QWidget *parent);
    ~FileSyncManager() override;

    static constexpr int TitleLength = 50;

public slots:
    void syncItem(Item *item);
    void syncUploadFileQueueCheck();
    void syncUploadFileQueueUpload();

private slots:
    void updateDataTransferProgress(qint64 readBytes, qint64 totalBytes);
    void fileUploadFinished(QNetworkReply *reply);
    void uploadFileCheckFinished(QNetworkReply *reply);
    void dataUploadFinished(QNetworkReply *reply);

private:
    void takeIntoSync(Book *book);
    void uploadData(Book *book);
    void checkFile(File *file);
    bool uploadFile(File *file);
    // Marks the book's entry in the list, so that a failed upload does not look done.
    void markFailed(int iid, const QString &reason);
    // Every book with a file of this content waited for the one upload that failed.
    void markContentFailed(const QString &md5, const QString &reason);

    std::unique_ptr<Ui::FileSyncManager> ui;
    QString baseUrl;
    QMap<QString, File *> digestMap;
    QString guid;
    QString token;
    QList<Item *> items;
    QList<File *> checkQueue;
    QList<File *> uploadQueue;
    std::unique_ptr<Books> books;
    QNetworkAccessManager *network;
    qint64 uploadStart = 0;
    // The list entry of each book, and the item each file belongs to, for marking failures.
    QHash<int, QListWidgetItem *> entryOf;
    QHash<File *, int> ownerOf;
};

#endif // FILESYNCMANAGER_H
