#include "notes/richtexteditor.h"

#include "model/viewitem.h"
#include "ui_richtexteditor.h"

#include <QAbstractButton>
#include <QDebug>
#include <QFont>
#include <QScopeGuard>
#include <QShortcut>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

#include <algorithm>
#include <utility>

namespace {

// A format property a button switches: the value that means "on" and the one that undoes it.
struct FormatToggle
{
    int property;
    QVariant on;
    QVariant off;
};

const FormatToggle bold{QTextFormat::FontWeight, int(QFont::Bold), int(QFont::Normal)};
const FormatToggle italic{QTextFormat::FontItalic, true, false};
const FormatToggle underline{QTextFormat::TextUnderlineStyle, int(QTextCharFormat::SingleUnderline),
                             int(QTextCharFormat::NoUnderline)};
const FormatToggle superscript{QTextFormat::TextVerticalAlignment, int(QTextCharFormat::AlignSuperScript),
                               int(QTextCharFormat::AlignNormal)};
const FormatToggle subscript{QTextFormat::TextVerticalAlignment, int(QTextCharFormat::AlignSubScript),
                             int(QTextCharFormat::AlignNormal)};
// Pressing center or right again returns the text to the left, so left is the "off" value of all three. Left
// and right are absolute, as the HTML import reads them, so that a stored note shows and toggles the same.
const FormatToggle alignedLeft{QTextFormat::BlockAlignment, int(Qt::AlignLeft | Qt::AlignAbsolute),
                               int(Qt::AlignLeft | Qt::AlignAbsolute)};
const FormatToggle centered{QTextFormat::BlockAlignment, int(Qt::AlignHCenter), int(Qt::AlignLeft | Qt::AlignAbsolute)};
const FormatToggle alignedRight{QTextFormat::BlockAlignment, int(Qt::AlignRight | Qt::AlignAbsolute),
                                int(Qt::AlignLeft | Qt::AlignAbsolute)};

FormatToggle heading(int level)
{
    return {QTextFormat::HeadingLevel, level, 0};
}

// An unset property has its default, which is the "off" value of every toggle.
bool isSet(const QTextFormat &format, const FormatToggle &toggle)
{
    return format.hasProperty(toggle.property) ? format.property(toggle.property) == toggle.on
                                               : toggle.on == toggle.off;
}

// Whether every character of the selection has the format, so that a mixed selection gets it
// rather than losing it.
bool everyCharacter(const QTextCursor &cursor, const FormatToggle &toggle)
{
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    for (QTextBlock block = cursor.document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() < end && fragment.position() + fragment.length() > start
                && !isSet(fragment.charFormat(), toggle))
                return false;
        }
    }
    return true;
}

// The blocks the selection touches, or the block at the cursor.
QList<QTextBlock> selectedBlocks(const QTextCursor &cursor)
{
    const QTextDocument *document = cursor.document();
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    QList<QTextBlock> blocks;
    for (QTextBlock block = document->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        blocks.append(block);
        if (block == last)
            break;
    }
    return blocks;
}

// The selection widened to the whole blocks it touches.
QTextCursor wholeBlocks(const QTextCursor &cursor)
{
    QTextCursor blocks(cursor.document());
    blocks.setPosition(cursor.selectionStart());
    blocks.movePosition(QTextCursor::StartOfBlock);
    blocks.setPosition(cursor.selectionEnd(), QTextCursor::KeepAnchor);
    blocks.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    return blocks;
}

// Switches a character format on the selection or, without one, on the word at the cursor; the typing
// format follows, so text typed next continues in the new format.
void toggleCharFormat(QTextEdit *edit, const FormatToggle &toggle)
{
    QTextCursor cursor = edit->textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::WordUnderCursor);
    const bool wasSet
        = cursor.hasSelection() ? everyCharacter(cursor, toggle) : isSet(edit->currentCharFormat(), toggle);
    QTextCharFormat format;
    format.setProperty(toggle.property, wasSet ? toggle.off : toggle.on);
    cursor.mergeCharFormat(format);
    edit->mergeCurrentCharFormat(format);
}

// Switches a block format on the blocks of the selection; returns whether they have it now.
bool toggleBlockFormat(QTextCursor &cursor, const FormatToggle &toggle)
{
    const bool wasSet = std::ranges::all_of(
        selectedBlocks(cursor), [&toggle](const QTextBlock &block) { return isSet(block.blockFormat(), toggle); });
    QTextBlockFormat format;
    format.setProperty(toggle.property, wasSet ? toggle.off : toggle.on);
    cursor.mergeBlockFormat(format);
    return !wasSet;
}

void toggleAlignment(QTextEdit *edit, const FormatToggle &toggle)
{
    QTextCursor cursor = edit->textCursor();
    toggleBlockFormat(cursor, toggle);
}

// A heading is a block level for the HTML export plus the bold, larger characters that make it visible,
// sized as the HTML import sizes h1 to h3.
void toggleHeading(QTextEdit *edit, int level)
{
    QTextCursor cursor = edit->textCursor();
    cursor.beginEditBlock();
    const bool isHeading = toggleBlockFormat(cursor, heading(level));
    QTextCharFormat format;
    format.setFontWeight(isHeading ? QFont::Bold : QFont::Normal);
    format.setProperty(QTextFormat::FontSizeAdjustment, isHeading ? 4 - level : 0);
    QTextCursor blocks = wholeBlocks(cursor);
    blocks.mergeCharFormat(format);
    blocks.mergeBlockCharFormat(format);
    edit->mergeCurrentCharFormat(format);
    cursor.endEditBlock();
}

void toggleList(QTextEdit *edit, QTextListFormat::Style style)
{
    QTextCursor cursor = edit->textCursor();
    const QList<QTextBlock> blocks = selectedBlocks(cursor);
    const bool isList = std::ranges::all_of(blocks, [style](const QTextBlock &block) {
        return block.textList() && block.textList()->format().style() == style;
    });
    cursor.beginEditBlock();
    if (isList) {
        // Set rather than merged: a merge cannot take the list reference away. QTextList::remove() would
        // also add the list's indent to the paragraph, which should return to where it was.
        for (const QTextBlock &block : blocks) {
            QTextBlockFormat format = block.blockFormat();
            format.clearProperty(QTextFormat::ObjectIndex);
            QTextCursor(block).setBlockFormat(format);
        }
    } else {
        // Without an indent the bullets or numbers would sit outside the left edge.
        QTextListFormat format;
        format.setStyle(style);
        format.setIndent(1);
        cursor.createList(format);
    }
    cursor.endEditBlock();
}

QTextListFormat::Style listStyle(const QTextCursor &cursor)
{
    const QTextList *list = cursor.currentList();
    return list ? list->format().style() : QTextListFormat::ListStyleUndefined;
}

// The runs of spaces belong to the statements, so each stays on one line.
// clang-format off
const QString loadStatement = QStringLiteral("SELECT note FROM notes WHERE iid = :iid LIMIT 1");
const QString createStatement = QStringLiteral("INSERT INTO notes                      (iid, note)                      VALUES                      (:iid, :note)");
const QString saveStatement = QStringLiteral("UPDATE notes SET                 note = :note WHERE iid = :iid");
// clang-format on

// Prepares a statement on the default connection, binds the named values and runs it.
bool run(QSqlQuery &query, const QString &statement, const QList<std::pair<QString, QVariant>> &bindings)
{
    if (!query.prepare(statement))
        return false;
    for (const auto &[name, value] : bindings)
        query.bindValue(name, value);
    return query.exec();
}

} // namespace

RichTextEditor::RichTextEditor(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::RichTextEditor>())
    , iid(-1)
{
    ui->setupUi(this);
    connect(ui->textEdit, &QTextEdit::currentCharFormatChanged, this, &RichTextEditor::updateButtons);
    connect(ui->textEdit, &QTextEdit::cursorPositionChanged, this, &RichTextEditor::updateButtons);
    // The usual keys, as the buttons do it, while the note has the focus.
    const std::pair<QKeySequence::StandardKey, QAbstractButton *> keys[] = {
        {QKeySequence::Bold, ui->btnBold}, {QKeySequence::Italic, ui->btnIltalic}, {QKeySequence::Underline, ui->btnUnderline}};
    for (const auto &[key, button] : keys) {
        auto *shortcut = new QShortcut(key, ui->textEdit, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
    }
    updateButtons();
}

RichTextEditor::~RichTextEditor()
{
    saveNote();
}

void RichTextEditor::loadNoteItem(ViewItem *viewItem)
{
    saveNote();
    // Whatever is loaded next is the stored note, not an edit.
    const auto unedited = qScopeGuard([this] { ui->textEdit->document()->setModified(false); });
    if (!viewItem) {
        iid = -1;
        ui->label->setText(tr("Notes"));
        ui->textEdit->clear();
        return;
    }
    ui->label->setText(tr("Notes on ") + viewItem->title);
    iid = viewItem->iid;

    QSqlQuery query;
    if (!run(query, loadStatement, {{QStringLiteral(":iid"), iid}})) {
        ui->textEdit->clear();
        return;
    }
    const QString note = query.next() ? query.value(QStringLiteral("note")).toString() : QString();
    if (!note.isEmpty()) {
        ui->textEdit->setHtml(note);
        return;
    }
    // Cleared before the row is made, so that a new row never holds the note of the item shown before.
    ui->textEdit->clear();
    if (iid > 0)
        createNote();
}

void RichTextEditor::saveNote()
{
    // A note that was not edited stays as stored: another copy of it may be newer.
    if (!ui->textEdit->document()->isModified())
        return;
    ui->textEdit->document()->setModified(false);
    QSqlQuery query;
    // A failing save is not reported; with no row for the id (as for -1) it changes nothing.
    run(query, saveStatement, {{QStringLiteral(":note"), ui->textEdit->toHtml()}, {QStringLiteral(":iid"), iid}});
}

void RichTextEditor::createNote()
{
    QSqlQuery query;
    if (!run(query, createStatement,
             {{QStringLiteral(":iid"), iid}, {QStringLiteral(":note"), ui->textEdit->toHtml()}}))
        qWarning() << "Cannot create the note of item" << iid << query.lastError();
}

void RichTextEditor::updateButtons()
{
    const QTextCharFormat characters = ui->textEdit->currentCharFormat();
    const QTextCursor cursor = ui->textEdit->textCursor();
    const QTextBlockFormat block = cursor.blockFormat();
    ui->btnBold->setChecked(isSet(characters, bold));
    ui->btnIltalic->setChecked(isSet(characters, italic));
    ui->btnUnderline->setChecked(isSet(characters, underline));
    ui->btnSuperscript->setChecked(isSet(characters, superscript));
    ui->btnSubscript->setChecked(isSet(characters, subscript));
    ui->btnUl->setChecked(listStyle(cursor) == QTextListFormat::ListDisc);
    ui->btnOl->setChecked(listStyle(cursor) == QTextListFormat::ListDecimal);
    ui->btnH1->setChecked(isSet(block, heading(1)));
    ui->btnH2->setChecked(isSet(block, heading(2)));
    ui->btnH3->setChecked(isSet(block, heading(3)));
    ui->btnAlignLeft->setChecked(isSet(block, alignedLeft));
    ui->btnAlignCenter->setChecked(isSet(block, centered));
    ui->btnAlignRight->setChecked(isSet(block, alignedRight));
}

void RichTextEditor::on_btnBold_clicked()
{
    toggleCharFormat(ui->textEdit, bold);
    updateButtons();
}

void RichTextEditor::on_btnIltalic_clicked()
{
    toggleCharFormat(ui->textEdit, italic);
    updateButtons();
}

void RichTextEditor::on_btnUnderline_clicked()
{
    toggleCharFormat(ui->textEdit, underline);
    updateButtons();
}

void RichTextEditor::on_btnUl_clicked()
{
    toggleList(ui->textEdit, QTextListFormat::ListDisc);
    updateButtons();
}

void RichTextEditor::on_btnOl_clicked()
{
    toggleList(ui->textEdit, QTextListFormat::ListDecimal);
    updateButtons();
}

void RichTextEditor::on_btnH1_clicked()
{
    toggleHeading(ui->textEdit, 1);
    updateButtons();
}

void RichTextEditor::on_btnH2_clicked()
{
    toggleHeading(ui->textEdit, 2);
    updateButtons();
}

void RichTextEditor::on_btnH3_clicked()
{
    toggleHeading(ui->textEdit, 3);
    updateButtons();
}

void RichTextEditor::on_btnAlignLeft_clicked()
{
    toggleAlignment(ui->textEdit, alignedLeft);
    updateButtons();
}

void RichTextEditor::on_btnAlignCenter_clicked()
{
    toggleAlignment(ui->textEdit, centered);
    updateButtons();
}

void RichTextEditor::on_btnAlignRight_clicked()
{
    toggleAlignment(ui->textEdit, alignedRight);
    updateButtons();
}

void RichTextEditor::on_btnSuperscript_clicked()
{
    toggleCharFormat(ui->textEdit, superscript);
    updateButtons();
}

void RichTextEditor::on_btnSubscript_clicked()
{
    toggleCharFormat(ui->textEdit, subscript);
    updateButtons();
}
