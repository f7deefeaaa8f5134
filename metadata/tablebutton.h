#ifndef TABLEBUTTON_H
#define TABLEBUTTON_H

#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class TableButton;
}

// The buttons of one file's row in the list of books to add: whether "Search Selected" takes the row,
// a search for this row alone, and opening the file. The list keeps the row's state and makes the buttons
// only for rows on screen; the check button shows the state and reports the user's changes.
class TableButton : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableButton)

public:
    explicit TableButton(QWidget *parent = nullptr);
    ~TableButton() override;

    void setFilePath(const QString &path);
    void setRow(int row);
    // The check button is the flag: its icon shows it, and the user toggles it.
    bool isChecked() const;
    void setChecked(bool checked);

signals:
    void downloadData(int row);
    void addWithoutLookup(int row);
    void checkedChanged(int row, bool checked);

private slots:
    void on_toolButton_clicked();
    void on_bookOpen_clicked();
    void on_btnAddNoLookup_clicked();

private:
    std::unique_ptr<Ui::TableButton> ui;
    QString filePath;
    int row = -1;
};

#endif // TABLEBUTTON_H
