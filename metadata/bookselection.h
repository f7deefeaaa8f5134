#ifndef BOOKSELECTION_H
#define BOOKSELECTION_H

#include "metadata/volumesearch.h"
#include "model/itemroles.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

namespace Ui {
class BookSelection;
}

Q_MOC_INCLUDE(<QNetworkReply>)

// Searches Google Books by ISBN or keywords and lets the user choose one of the volumes found; the
// result is the chosen volume's address. One volume found is taken at once, none is reported.
class BookSelection : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookSelection)

public:
    // The volume address of a row, on its first cell. Role 42 like the other item roles; Qt::UserRole + 10
    // would be 266 in Qt 6.
    static constexpr int VolumeUrlRole = ItemIdRole;

    explicit BookSelection(QWidget *parent = nullptr);
    ~BookSelection() override;

    void setFilePath(const QString &path);
    void setKeywords(const QString &keywords);
    void setIsbn(const QString &isbn);
    // For one book: no "Skip All", and skipping reads "Cancel".
    void setSingleBookMode();

    QString getSelectedUrl() const { return selectedUrl; }
    bool getSkipAll() const { return skipAll; }

public slots:
    void search();
    void queryGoogleProcessReply(QNetworkReply *reply);
    void populateTable();

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void on_btnUpdate_clicked();
    void on_tableWidget_cellClicked(int row, int column);
    void on_tableWidget_cellDoubleClicked(int row, int column);
    void on_btnFileOpen_clicked();
    // Lists the library's books whose titles share words with the keywords.
    void on_pushButton_clicked();
    void on_btnSave_clicked();
    void on_btnSkip_clicked();
    void on_btnSkipAll_clicked();

private:
    void send(const QUrl &url, quint64 search);
    // One row across the list that says what is going on instead of volumes.
    void showNotice(const QString &text);
    void clearList();
    void selectRow(int row);
    void showChoice();
    void chooseSelectedRow();

    std::unique_ptr<Ui::BookSelection> ui;
    QNetworkAccessManager *network;
    QPointer<QNetworkReply> pending;
    // Counts the searches, so that only the latest one's reply is taken.
    quint64 searches = 0;
    bool skipAll = false;
    QString selectedUrl;
    // What the last search found.
    QList<VolumeSearch::Match> matches;
    QString filePath;
};

#endif // BOOKSELECTION_H
