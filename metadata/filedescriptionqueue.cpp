#include "metadata/filedescriptionqueue.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {

// Often enough to look immediate, seldom enough that thousands of files make no stream of events.
constexpr int DeliveryIntervalMs = 100;

} // namespace

FileDescriptionQueue::FileDescriptionQueue(QObject *parent)
    : QObject(parent)
{
    delivery.setInterval(DeliveryIntervalMs);
    connect(&delivery, &QTimer::timeout, this, &FileDescriptionQueue::deliver);
}

FileDescriptionQueue::~FileDescriptionQueue()
{
    {
        const QMutexLocker lock(&mutex);
        stopping = true;
    }
    worker.waitForFinished();
}

void FileDescriptionQueue::read(const QStringList &paths)
{
    const QMutexLocker lock(&mutex);
    waiting.insert(waiting.end(), paths.cbegin(), paths.cend());
    if (!working && !paths.isEmpty()) {
        working = true;
        worker = QtConcurrent::run([this] { work(); });
    }
    delivery.start();
}

void FileDescriptionQueue::readSoon(const QString &path)
{
    const QMutexLocker lock(&mutex);
    if (!taken.contains(path))
        urgent.push_back(path);
}

QString FileDescriptionQueue::takeNext()
{
    const QMutexLocker lock(&mutex);
    while (!stopping && (!urgent.empty() || !waiting.empty())) {
        std::deque<QString> &queue = urgent.empty() ? waiting : urgent;
        QString path = std::move(queue.front());
        queue.pop_front();
        // A file moved ahead is still in the waiting queue, and read once.
        if (!taken.contains(path)) {
            taken.insert(path);
            return path;
        }
    }
    working = false;
    return {};
}

void FileDescriptionQueue::work()
{
    for (QString path = takeNext(); !path.isEmpty(); path = takeNext()) {
        FileDescription description = FileDescription::read(path);
        const QMutexLocker lock(&mutex);
        done.append(std::move(description));
    }
}

void FileDescriptionQueue::deliver()
{
    QList<FileDescription> batch;
    bool idle = false;
    {
        const QMutexLocker lock(&mutex);
        batch.swap(done);
        idle = !working;
    }
    if (idle)
        delivery.stop();
    for (const FileDescription &description : std::as_const(batch))
        emit described(description);
}
