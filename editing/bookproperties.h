#ifndef BOOKPROPERTIES_H
#define BOOKPROPERTIES_H

#include <QDialog>
#include <QString>

#include <memory>

class Book;
class DataDownloader;
class ItemFileTable;
class LanguageComboBox;
class QListWidgetItem;
class FileDescriptionQueue;
struct FileDescription;
struct ItemState;

namespace Ui {
class BookProperties;
}

Q_MOC_INCLUDE("model/book.h")

// Creates a new book (item id -1) or edits a stored one: its fields, authors, rating, cover and
// files, filled by hand or from a Google Books lookup by title or ISBN.
class BookProperties : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookProperties)

public:
    // The result of exec() when the user deleted the book; the caller takes it out of the library.
    static constexpr int Deleted = QDialog::Accepted + 1;

    BookProperties(QWidget *parent, int iid);
    ~BookProperties() override;

    Book *getBook() const { return book.get(); }

    void done(int result) override;

public slots:
    void populateForm(Book *record);

private slots:
    void on_btnOpenFile_clicked();
    void on_btnSelectFile_clicked();
    void on_btnBookAdd_clicked();
    void on_btnBookRemove_clicked();
    void on_btnReset_clicked();
    void on_btnSave_clicked();
    void on_btnCancel_clicked();
    void on_btnDelete_clicked();
    void on_btnDlISBN_clicked();
    void on_btnDlTitle_clicked();
    void on_btnAddFile_clicked();
    void on_btnRemoveFile_clicked();
    void on_btnRating0_clicked();
    void on_btnRating1_clicked();
    void on_btnRating2_clicked();
    void on_btnRating3_clicked();
    void on_btnRating4_clicked();
    void on_btnRating5_clicked();
    void on_btnBookCover_clicked();

private:
    void showCover(const QString &path);
    void showState(const ItemState &state);
    ItemState stateFromForm() const;
    void setRating(int rating);
    QListWidgetItem *addAuthorEntry(const QString &name);
    void copyFormToRecord();
    // A single-book search for the terms (an ISBN or keywords), then the lookup of the chosen volume.
    void lookUp(const QString &terms, bool byIsbn);
    void setLookupRunning(bool running);
    void showLookupFailure(const QString &reason);
    // What the chosen PDF or EPUB says of itself fills the fields still empty or as its file name proposed
    // them.
    void showDescription(const FileDescription &description);

    std::unique_ptr<Ui::BookProperties> ui;
    std::unique_ptr<Book> book;
    std::unique_ptr<ItemFileTable> files;
    DataDownloader *downloader = nullptr;
    FileDescriptionQueue *descriptions = nullptr;
    LanguageComboBox *language = nullptr;
    QString lastSelectedLocation;
    bool lookupRunning = false;
    QString lookupButtonText;
};

#endif // BOOKPROPERTIES_H
