#ifndef STOREDFILESREFRESH_H
#define STOREDFILESREFRESH_H

#include "model/file.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class Item;

// Reads what the disk says of files that a collection loaded as stored (name, size, first bytes), on a
// worker and a batch at a time, so that opening a large library does not wait for a stat of every file.
// Each batch is applied on the UI thread, and the records it changed tell their holders.
class StoredFilesRefresh : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StoredFilesRefresh)

public:
    static constexpr int BatchSize = 500;

    explicit StoredFilesRefresh(QObject *parent = nullptr);
    ~StoredFilesRefresh() override;

    // Queues the files of these records that are still as stored. A record let go meanwhile is skipped.
    void refresh(const QList<std::shared_ptr<Item>> &records);

private:
    struct Pending
    {
        std::weak_ptr<Item> record;
        int fid = 0;
        QString path;
    };

    void startBatch();
    void applyBatch();

    QList<Pending> queue;
    qsizetype next = 0;
    QList<Pending> batch;
    QFutureWatcher<QList<File::DiskState>> watcher;
};

#endif // STOREDFILESREFRESH_H
