#ifndef SEARCHBOX_H
#define SEARCHBOX_H

#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>

class QAction;

namespace Ui {
class searchbox;
}

// The tool bar's search field: tells whichever item view is connected what to search for. Typing is
// coalesced: the search follows when the user pauses, except for the first key typed into an empty box,
// which searches at once.
class searchbox : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(searchbox)

public:
    static constexpr std::chrono::milliseconds TypingPause{150};

    explicit searchbox(QWidget *parent = nullptr);
    ~searchbox() override;

    QString text() const;
    // Searches for the text at once.
    void setText(const QString &text);
    // Puts the cursor in the field, its text selected, as Find does.
    void focusSearch();
    // Searches at once for what was typed, if the pause after it has not ended yet.
    void finishTyping();
    bool isFullText() const;
    // A short message under the field, as for a search that cannot be read; none when empty.
    void showProblem(const QString &message);

signals:
    // Search at once: the text was set, or the user left the tab.
    void searchText(const QString &text);
    // Search for what is being typed; a newer key supersedes it.
    void textTyped(const QString &text);
    // The scope menu switched between titles and descriptions and the books' full text.
    void scopeChanged(bool fullText);

private slots:
    void on_searchBox_textEdited(const QString &text);

private:
    void search();
    void searchTyped();

    std::unique_ptr<Ui::searchbox> ui;
    QAction *fullText = nullptr;
    // Named "typingPause", so that a measurement can tell when the search after a pause starts.
    QTimer *pause = nullptr;
    // What the last search was for.
    QString searched;
};

#endif // SEARCHBOX_H
