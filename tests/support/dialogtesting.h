#ifndef DIALOGTESTING_H
#define DIALOGTESTING_H

#include <QImage>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QWidget>

class QFileDialog;

// Works a dialog as the user does, through the object names of its form, and reads back what it shows;
// the file table, stars and cover button are those of the properties dialogs.
class DialogTesting
{
public:
    // The named child; a missing one ends the test run, since every check after it would mislead.
    template<typename T>
    static T *child(const QWidget &parent, const char *name)
    {
        T *found = parent.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("No %s in %s", name, parent.metaObject()->className());
        return found;
    }

    static void click(const QWidget &dialog, const char *button);
    // Replaces the whole text of a field as a user does: select all, then type.
    static void retype(QWidget *field, const QString &text);
    static void retype(const QWidget &dialog, const char *field, const QString &text);
    static void showTab(const QWidget &dialog, int index);

    // The texts of the file table, row by row.
    static QList<QStringList> fileRows(const QWidget &dialog);
    static void clickFileRow(const QWidget &dialog, int row);
    // Which of the five stars show the set icon, as "+" or "-" per star; "?" for any other icon.
    static QString stars(const QWidget &dialog);
    static QImage coverShown(const QWidget &dialog);
    // The image at `path` as the cover button would show it.
    static QImage coverFrom(const QWidget &dialog, const QString &path);

    // Picks the file and confirms it as OK does.
    static void chooseFile(QFileDialog *dialog, const QString &path);
    // Clicks the box's button, when it has one.
    static void press(QMessageBox *box, QMessageBox::StandardButton button);
    // A failed check may leave windows open over the dialog; the next test must not find them.
    static void closeModalWindows();
};

#endif // DIALOGTESTING_H
