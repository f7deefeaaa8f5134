#ifndef FILESYNCMANAGER_H
#define FILESYNCMANAGER_H

#include <QDialog>
#include <QHash>
#include <QString>

#include <memory>

class Book;
class Books;
class Item;
class QListWidgetItem;
class SyncRun;

namespace Ui {
class FileSyncManager;
}

Q_MOC_INCLUDE("model/item.h")

// Shows an upload of the library to the cloud service (SyncRun): a list of the books, each marked when
// its data or a file of it was refused, and the progress and speed of the file on its way. Creating the
// dialog starts the run.
class FileSyncManager : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileSyncManager)

public:
    explicit FileSyncManager(QWidget *parent);
    ~FileSyncManager() override;

    static constexpr int TitleLength = 50;

    // Whether its run still sends; a run that ended leaves the dialog to be replaced by a new one.
    bool isRunning() const;

public slots:
    void syncItem(Item *item);
    void syncUploadFileQueueCheck();
    void syncUploadFileQueueUpload();

private slots:
    void updateDataTransferProgress(qint64 readBytes, qint64 totalBytes, qint64 elapsedMs);
    void on_btnCancel_clicked();

private:
    static QString waitingText();
    void showProgress();
    void listBook(Book *book);
    // Marks the book's entry in the list, so that a failed upload does not look done.
    void markFailed(int iid, const QString &reason);

    std::unique_ptr<Ui::FileSyncManager> ui;
    std::unique_ptr<Books> books;
    SyncRun *run;
    // The list entry of each book, for marking failures.
    QHash<int, QListWidgetItem *> entryOf;
};

#endif // FILESYNCMANAGER_H
