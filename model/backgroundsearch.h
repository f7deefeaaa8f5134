#ifndef BACKGROUNDSEARCH_H
#define BACKGROUNDSEARCH_H

#include "model/items.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

// Runs a collection's search statement on a worker with a connection of its own, so that the window goes on
// taking keys while a large library is searched. A newer search, or a cancel, supersedes an unfinished one:
// it stops reading rows and its hits are never reported.
class BackgroundSearch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundSearch)

public:
    explicit BackgroundSearch(QObject *parent = nullptr);
    ~BackgroundSearch() override;

    void start(const Items::Search &search, const QString &term);
    void cancel();

signals:
    // The ids the statement found for the term, in its order.
    void found(const QString &term, const QList<int> &ids);

private:
    const QString connectionName;
    QThreadPool worker;
    // The number of the latest search; a run whose number is older was superseded.
    std::shared_ptr<std::atomic_int> latest = std::make_shared<std::atomic_int>(0);
};

#endif // BACKGROUNDSEARCH_H
