#ifndef FILEDESCRIPTIONQUEUE_H
#define FILEDESCRIPTIONQUEUE_H

#include "metadata/filedescription.h"

#include <QFuture>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>

// Reads what book files say of themselves in a worker, one file after another, and reports them in batches, so
// that a list of thousands of files is shown at once and filled in as they are read.
class FileDescriptionQueue : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileDescriptionQueue)

public:
    explicit FileDescriptionQueue(QObject *parent = nullptr);
    // Files not read yet are given up; the one being read is finished first.
    ~FileDescriptionQueue() override;

    // After the files already waiting.
    void read(const QStringList &paths);
    // Before them, as for a file the user has on screen; nothing when it was read already.
    void readSoon(const QString &path);

signals:
    void described(const FileDescription &description);

private:
    void work();
    // The next file to read, or an empty path when none waits.
    QString takeNext();
    void deliver();

    QMutex mutex;
    std::deque<QString> waiting;
    std::deque<QString> urgent;
    QSet<QString> taken;
    QList<FileDescription> done;
    bool working = false;
    bool stopping = false;
    QFuture<void> worker;
    QTimer delivery;
};

#endif // FILEDESCRIPTIONQUEUE_H
