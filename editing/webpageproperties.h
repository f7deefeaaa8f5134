#ifndef WEBPAGEPROPERTIES_H
#define WEBPAGEPROPERTIES_H

#include <QDialog>

#include <memory>

class ItemFileTable;
class WebPage;

namespace Ui {
class WebPageProperties;
}

Q_MOC_INCLUDE("model/webpage.h")

// Edits a saved web page: its title, description, rating and files.
class WebPageProperties : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebPageProperties)

public:
    // The result of exec() when the user deleted the page; the caller takes it out of the library.
    static constexpr int Deleted = QDialog::Accepted + 1;

    WebPageProperties(QWidget *parent, int iid);
    ~WebPageProperties() override;

    WebPage *getWebPage() const { return page.get(); }

public slots:
    void populateForm(WebPage *record);

private slots:
    void on_btnOpenFile_clicked();
    void on_btnSave_clicked();
    void on_btnCancel_clicked();
    void on_btnDelete_clicked();
    void on_btnAddFile_clicked();
    void on_btnRemoveFile_clicked();
    void on_btnRating0_clicked();
    void on_btnRating1_clicked();
    void on_btnRating2_clicked();
    void on_btnRating3_clicked();
    void on_btnRating4_clicked();
    void on_btnRating5_clicked();

private:
    void setRating(int rating);

    std::unique_ptr<Ui::WebPageProperties> ui;
    std::unique_ptr<WebPage> page;
    std::unique_ptr<ItemFileTable> files;
};

#endif // WEBPAGEPROPERTIES_H
