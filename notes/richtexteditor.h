#ifndef RICHTEXTEDITOR_H
#define RICHTEXTEDITOR_H

#include <QWidget>

#include <memory>

struct ViewItem;

namespace Ui {
class RichTextEditor;
}

// The notes panel: shows the note of the selected item and stores it, as HTML, in the notes table when the
// selection moves on or the panel goes away, if it was edited.
class RichTextEditor : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RichTextEditor)

public:
    explicit RichTextEditor(QWidget *parent = nullptr);
    ~RichTextEditor() override;

public slots:
    // No item clears the panel.
    void loadNoteItem(ViewItem *viewItem);

private slots:
    void on_btnBold_clicked();
    void on_btnIltalic_clicked();
    void on_btnUnderline_clicked();
    void on_btnUl_clicked();
    void on_btnOl_clicked();
    void on_btnH1_clicked();
    void on_btnH2_clicked();
    void on_btnH3_clicked();
    void on_btnAlignLeft_clicked();
    void on_btnAlignCenter_clicked();
    void on_btnAlignRight_clicked();
    void on_btnSuperscript_clicked();
    void on_btnSubscript_clicked();

private:
    void saveNote();
    void createNote();
    // Checks the buttons whose format is the one at the cursor.
    void updateButtons();

    std::unique_ptr<Ui::RichTextEditor> ui;
    int iid;
};

#endif // RICHTEXTEDITOR_H
