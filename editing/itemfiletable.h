#ifndef ITEMFILETABLE_H
#define ITEMFILETABLE_H

#include <QCoreApplication>
#include <QString>

class File;
class Item;
class QPushButton;
class QTableWidget;

// The Files tab of a properties dialog: one row per file of the item (name, size, MD5, stored path), the
// file the View button opens, and the steps that add and remove files. The item is passed to each step,
// since a dialog may start over with a new record.
class ItemFileTable
{
    Q_DECLARE_TR_FUNCTIONS(ItemFileTable)

public:
    // The file chooser opens at startLocation; an empty one leaves the choice to the toolkit.
    ItemFileTable(QTableWidget *table, QPushButton *viewButton, const QString &startLocation);

    // Rows for every file of the item, after the rows already there; View then opens the main file.
    void fill(const Item &item);
    void append(File &file);
    void clear();

    QString currentFilePath() const { return filePath; }
    // View is enabled only when there is a file to open.
    void setCurrentFilePath(const QString &path);
    void openCurrentFile() const;

    QString askForFile(const QString &filter) const;
    // Asks for a book file and adds it to the item and the table; nullptr when none was chosen.
    File *addFile(Item &item);
    // The selected row leaves the table and the item; a stored file's row goes at the item's next save.
    void removeSelected(Item &item);

    // Book dialogs opened later start their file chooser in the chosen file's folder.
    static void rememberLocation(const File &file);

private:
    Q_DISABLE_COPY_MOVE(ItemFileTable)

    QTableWidget *table;
    QPushButton *viewButton;
    QString startLocation;
    QString filePath;
};

#endif // ITEMFILETABLE_H
