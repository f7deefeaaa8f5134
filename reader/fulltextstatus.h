#ifndef FULLTEXTSTATUS_H
#define FULLTEXTSTATUS_H

#include <QWidget>

class FullTextIndexer;
class QLabel;
class QToolButton;

// The full-text index in the status bar: how far a pass has got ("Indexing books: 1,234 of 10,000"), and a
// button that pauses and resumes it. The choice is kept for the next start.
class FullTextStatus : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FullTextStatus)

public:
    // The first pass waits this long, so that the window opens first.
    static constexpr int StartDelayMs = 3000;

    explicit FullTextStatus(QWidget *parent = nullptr);
    ~FullTextStatus() override;

    // A few seconds from now, unless indexing was paused.
    void startSoon();
    // Indexes what changed since the last pass, as after a book was added or edited.
    void refresh();
    // Empties the index and reads every file again.
    void rebuild();

private:
    bool enabled() const;
    void togglePause();
    void showProgress(int done, int total);

    FullTextIndexer *indexer;
    QLabel *label;
    QToolButton *pauseButton;
    int done = 0;
    int total = 0;
};

#endif // FULLTEXTSTATUS_H
