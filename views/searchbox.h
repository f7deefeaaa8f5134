#ifndef SEARCHBOX_H
#define SEARCHBOX_H

#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class searchbox;
}

// The tool bar's search field: forwards every change of its text to whichever item view is connected.
class searchbox : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(searchbox)

public:
    explicit searchbox(QWidget *parent = nullptr);
    ~searchbox() override;

    QString text() const;
    void setText(const QString &text);
    // Puts the cursor in the field, its text selected, as Find does.
    void focusSearch();

signals:
    void searchText(const QString &text);

private slots:
    void on_searchBox_textChanged(const QString &text);

private:
    std::unique_ptr<Ui::searchbox> ui;
};

#endif // SEARCHBOX_H
