#include "views/storedfilesrefresh.h"

#include "model/filelist.h"
#include "model/item.h"

#include <QSet>
#include <QtConcurrent>

namespace {

// The file of the record with that id, looked up again: it may have been removed while its batch was read.
File *fileOf(const Item &record, int fid)
{
    const FileList *files = record.getFiles();
    for (int index = 0; index < files->count(); ++index) {
        if (files->at(index)->getFid() == fid)
            return files->at(index);
    }
    return nullptr;
}

} // namespace

StoredFilesRefresh::StoredFilesRefresh(QObject *parent)
    : QObject(parent)
{
    connect(&watcher, &QFutureWatcher<QList<File::DiskState>>::finished, this, &StoredFilesRefresh::applyBatch);
}

StoredFilesRefresh::~StoredFilesRefresh()
{
    // A batch only reads the disk; waiting for it is short and leaves no worker behind.
    watcher.waitForFinished();
}

void StoredFilesRefresh::refresh(const QList<std::shared_ptr<Item>> &records)
{
    for (const std::shared_ptr<Item> &record : records) {
        const FileList *files = record->getFiles();
        for (int index = 0; index < files->count(); ++index) {
            const File *file = files->at(index);
            if (file->isRefreshPending())
                queue.append({record, file->getFid(), file->getFilePath()});
        }
    }
    if (!watcher.isRunning())
        startBatch();
}

void StoredFilesRefresh::startBatch()
{
    batch = queue.mid(next, BatchSize);
    next += batch.size();
    if (next >= queue.size()) {
        queue.clear();
        next = 0;
    }
    if (batch.isEmpty())
        return;
    QStringList paths;
    paths.reserve(batch.size());
    for (const Pending &pending : std::as_const(batch))
        paths.append(pending.path);
    watcher.setFuture(QtConcurrent::run([paths] {
        QList<File::DiskState> states;
        states.reserve(paths.size());
        for (const QString &path : paths)
            states.append(File::diskState(path));
        return states;
    }));
}

void StoredFilesRefresh::applyBatch()
{
    const QList<File::DiskState> states = watcher.result();
    QList<std::shared_ptr<Item>> changed;
    QSet<Item *> told;
    for (qsizetype index = 0; index < batch.size() && index < states.size(); ++index) {
        const Pending &pending = batch.at(index);
        const std::shared_ptr<Item> record = pending.record.lock();
        File *file = record ? fileOf(*record, pending.fid) : nullptr;
        // Something that needed the file has read it already.
        if (!file || !file->isRefreshPending() || file->getFilePath() != pending.path)
            continue;
        const qint64 sizeBefore = file->knownSize();
        file->refreshWith(states.at(index));
        if (file->knownSize() != sizeBefore && !told.contains(record.get())) {
            told.insert(record.get());
            changed.append(record);
        }
    }
    batch.clear();
    for (const std::shared_ptr<Item> &record : std::as_const(changed))
        record->announceChange();
    startBatch();
}
