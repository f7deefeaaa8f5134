#ifndef BACKGROUNDSEARCH_H
#define BACKGROUNDSEARCH_H

#include "model/fulltextsearch.h"
#include "model/items.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

// Runs a collection's search statement, or a search through the books' text, on a worker with a connection of
// its own, so that the window goes on taking keys while a large library is searched. A newer search, or a
// cancel, supersedes an unfinished one: it stops reading rows and its hits are never reported.
class BackgroundSearch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundSearch)

public:
    explicit BackgroundSearch(QObject *parent = nullptr);
    ~BackgroundSearch() override;

    void start(const Items::Search &search, const QString &term);
    void startFullText(const QString &typed, const FullTextSearch::Scope &scope);
    void cancel();

signals:
    // The ids the statement found for the term, in its order.
    void found(const QString &term, const QList<int> &ids);
    void fullTextFound(const QString &typed, const FullTextSearch::Result &result);

private:
    // Runs the work on the worker unless a newer search came first, and reports its outcome unless one came
    // meanwhile. The work is given the connection and a test of whether it was superseded.
    template<typename Work, typename Report>
    void runLatest(Work work, Report report);

    const QString connectionName;
    QThreadPool worker;
    // The number of the latest search; a run whose number is older was superseded.
    std::shared_ptr<std::atomic_int> latest = std::make_shared<std::atomic_int>(0);
};

#endif // BACKGROUNDSEARCH_H
