#ifndef MULTISELECT_H
#define MULTISELECT_H

#include "model/itemroles.h"

#include <QDialog>
#include <QHash>
#include <QSet>
#include <QString>

#include <memory>

class Book;
class QCheckBox;
class File;
class BookSelection;
class FileDescriptionQueue;
struct FileDescription;
class TableButton;
class VisibleRowWidgets;

Q_MOC_INCLUDE("model/book.h")

namespace Ui {
class MultiSelect;
}

// "Add multiple books": lists the book files below a folder that the library does not hold yet, of the
// formats chosen above the list, and adds them one by one, each looked up in Google Books and stored as a
// new book with its file. Each PDF or EPUB is read in the background for what it says of itself, which its
// row then proposes.
class MultiSelect : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MultiSelect)

public:
    // The file's full path, on the title cell of its row (the role number the item views use for ids).
    static constexpr int PathRole = ItemIdRole;

    explicit MultiSelect(QWidget *parent = nullptr);
    ~MultiSelect() override;

    // Asks for a folder and lists its new book files; false when the user chose none.
    bool scanDirectory();
    // Lists the new files of the chosen formats below the folder, without following links to folders, and
    // hides the rows of formats no longer chosen. A long walk shows its progress and can be cancelled; the
    // files found until then stay listed.
    void scanFolder(const QString &path);
    // How long a walk runs before it shows its progress.
    void setProgressDelay(int milliseconds) { progressDelayMs = milliseconds; }

    // Closing asks first while lookups are running, and then abandons them.
    void reject() override;

signals:
    // A book was added; the freshly loaded record belongs to the receiver.
    void newBookItem(Book *book);

public slots:
    void downloadData(int row);
    void downloadFinished(Book *book);
    void removeRow(int row);
    // Stores the row's file as a book with the title shown, without asking the book service.
    void addWithoutLookup(int row);

private slots:
    void on_btnReplaceAll_clicked();
    void on_pushButton_clicked();
    void on_btnAddChecked_clicked();
    // Keeps the formats checked above the list and lists the folder again with them.
    void changeFormats();

private:
    QList<QCheckBox *> formatBoxes() const;
    QSet<QString> chosenFormats() const;
    // folder: where the file lies below the chosen folder.
    void appendRow(const File &file, const QString &folder);
    // The title the file proposes, unless the user changed the row's; the rest of what it gives.
    void showDescription(const FileDescription &description);
    // What the book service is asked for the row: its ISBN when the file gives one, else its title and
    // authors as keywords.
    void setSearchTerms(BookSelection &selection, int row) const;
    QStringList authorsAt(int row) const;
    // Stores the book of a row and takes the row out; a failure keeps the row and says so.
    void storeBook(std::unique_ptr<Book> book);
    void sizeColumns();
    void startLookup(int row, const QString &volumeUrl);
    void reportFailedLookup(int row, const QString &reason);
    // The row's buttons, once the row has been on screen.
    TableButton *buttonAt(int row) const;
    QString pathAt(int row) const;
    // Whether "Search Selected" takes the row; kept in the row's cell, so rows without buttons have it too.
    bool isRowChecked(int row) const;
    // Checked and listed: hidden rows were added or are of a format no longer chosen.
    bool isRowTaken(int row) const;
    void setRowChecked(int row, bool checked);

    // Making the buttons of 10,000 rows would take seconds, so only rows on screen get them.
    void createRowButton(int row);

    std::unique_ptr<Ui::MultiSelect> ui;
    bool skipAll = false;
    VisibleRowWidgets *rowButtons = nullptr;
    int progressDelayMs = 500;
    // Rows whose book is being downloaded: asking again would add the file twice.
    QSet<int> rowsInLookup;
    FileDescriptionQueue *descriptions = nullptr;
    QHash<QString, int> rowOfPath;
    QString scannedFolder;
};

#endif // MULTISELECT_H
