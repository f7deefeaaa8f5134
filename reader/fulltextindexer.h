#ifndef FULLTEXTINDEXER_H
#define FULLTEXTINDEXER_H

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

// Keeps the library's full-text index: in a worker with its own connection to the library, it reads the
// text of every file that is new or changed since it was indexed, and forgets the files that left the
// library. Each file's parts and its entry in the table of indexed files are written in the same
// transaction, so that a pass broken off goes on at the next start from the first file not indexed.
class FullTextIndexer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FullTextIndexer)

public:
    // Parts written between two commits.
    static constexpr int PartsPerTransaction = 300;

    // The library at this path; empty for the program's own.
    explicit FullTextIndexer(QObject *parent = nullptr, const QString &databasePath = {});
    // A pass under way stops after the file it is reading.
    ~FullTextIndexer() override;

    // A pass over the library; asked for while one runs, another follows it, for what changed meanwhile.
    void start();
    // The pass under way stops after the file it is reading; start() goes on from there.
    void pause();
    bool isRunning() const { return running; }
    // Empties the index, so that the next pass reads every file again.
    static bool clear();

signals:
    // Files looked at of those the pass found to look at.
    void progress(int done, int total);
    void finished();

private:
    struct Pass;
    void runPasses();
    void report(int done, int total);

    const QString connectionName;
    QString databasePath;
    QThreadPool worker;
    std::shared_ptr<std::atomic_bool> stopping = std::make_shared<std::atomic_bool>(false);
    std::atomic_bool again = false;
    bool running = false;
};

#endif // FULLTEXTINDEXER_H
