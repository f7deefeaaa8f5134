#ifndef MODALDRIVER_H
#define MODALDRIVER_H

#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

// Plays the user in front of the tools' windows. Steps are taken in order, each as soon as it is ready,
// also while a modal window runs its own loop; every message box and directory chooser is noted. One that no
// step expects is closed, and everything is closed after a long wait, so a test fails instead of hanging.
class ModalDriver
{
public:
    struct Seen
    {
        QString kind;
        QString title;
        QString text;
        // Where a chooser opened.
        QString directory;
    };

    // The active modal window, which may be none.
    using Ready = std::function<bool(QWidget *)>;
    using Act = std::function<void(QWidget *)>;

    explicit ModalDriver(int patience = 60000);

    void when(const Ready &ready, const Act &act);
    void answerBox(QMessageBox::StandardButton button = QMessageBox::Ok);
    void chooseDirectory(const QString &path);
    void cancelChooser();

    bool finished() const { return steps.isEmpty() && acting == 0; }
    // Waits for every step to be taken; false when that did not happen.
    bool waitUntilDone() const;
    QList<Seen> boxes;
    QList<Seen> choosers;
    QStringList unexpected;

private:
    Q_DISABLE_COPY_MOVE(ModalDriver)

    struct Step
    {
        Ready ready;
        Act act;
    };

    void tick();
    void note(QWidget *widget);

    QTimer timer;
    QList<Step> steps;
    int acting = 0;
    int patience;
    QElapsedTimer sinceLastStep;
};

#endif // MODALDRIVER_H
