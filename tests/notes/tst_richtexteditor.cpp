#include "model/viewitem.h"
#include "notes/richtexteditor.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"

#include <QFont>
#include <QLabel>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QToolButton>

#include <memory>

namespace {

const QStringList buttonNames{"btnBold",       "btnIltalic",     "btnUnderline", "btnUl",        "btnOl",
                              "btnH1",         "btnH2",          "btnH3",        "btnAlignLeft", "btnAlignCenter",
                              "btnAlignRight", "btnSuperscript", "btnSubscript"};

ViewItem viewItem(int iid, const QString &title)
{
    ViewItem item;
    item.iid = iid;
    item.title = title;
    return item;
}

QTextEdit *textEdit(const RichTextEditor &editor)
{
    return editor.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

QLabel *label(const RichTextEditor &editor)
{
    return editor.findChild<QLabel *>(QStringLiteral("label"));
}

QToolButton *button(const RichTextEditor &editor, const QString &name)
{
    return editor.findChild<QToolButton *>(name);
}

QStringList checkedButtons(const RichTextEditor &editor)
{
    QStringList checked;
    for (const QString &name : buttonNames) {
        if (button(editor, name)->isChecked())
            checked.append(name);
    }
    return checked;
}

// The stored note of an item; a null string when the item has no row.
QString storedNote(int iid)
{
    const QList<QVariantList> rows
        = TestLibrary::rows(QStringLiteral("SELECT note FROM notes WHERE iid = %1").arg(iid));
    return rows.isEmpty() ? QString() : rows.constFirst().constFirst().toString();
}

QList<QVariantList> noteIds()
{
    return TestLibrary::rows(QStringLiteral("SELECT iid FROM notes ORDER BY iid"));
}

bool storeNote(int iid, const QString &note)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO notes (iid, note) VALUES (:iid, :note)"));
    query.bindValue(QStringLiteral(":iid"), iid);
    query.bindValue(QStringLiteral(":note"), note);
    return query.exec();
}

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

void typeParagraphs(QTextEdit *edit, const QStringList &paragraphs)
{
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, paragraphs.at(i));
    }
}

// Selects from the given offset into one paragraph to the given offset into another.
void selectBlocks(QTextEdit *edit, int firstBlock, int firstOffset, int lastBlock, int lastOffset)
{
    const QTextDocument *document = edit->document();
    QTextCursor cursor(edit->document());
    cursor.setPosition(document->findBlockByNumber(firstBlock).position() + firstOffset);
    cursor.setPosition(document->findBlockByNumber(lastBlock).position() + lastOffset, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

bool selectWord(QTextEdit *edit, const QString &word)
{
    const QTextCursor found = edit->document()->find(word, 0, QTextDocument::FindWholeWords);
    if (found.isNull())
        return false;
    edit->setTextCursor(found);
    return true;
}

// Puts the cursor, without a selection, inside the word.
bool placeCursorIn(QTextEdit *edit, const QString &word)
{
    QTextCursor cursor = edit->document()->find(word, 0, QTextDocument::FindWholeWords);
    if (cursor.isNull())
        return false;
    cursor.setPosition(cursor.selectionStart() + 2);
    edit->setTextCursor(cursor);
    return true;
}

void click(const RichTextEditor &editor, const QString &name)
{
    QTest::mouseClick(button(editor, name), Qt::LeftButton);
}

} // namespace

class TestRichTextEditor : public QObject
{
    Q_OBJECT

public:
    explicit TestRichTextEditor(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void formShowsButtonsLabelAndEditor();
    void firstSelectionCreatesAnEmptyNote();
    void typedNoteIsStoredUnderTheItemLeft();
    void newRowNeverHoldsThePreviousNote();
    void sameItemTwiceKeepsTheNote();
    void uneditedNoteIsNotWrittenBack();
    void keysFormatAsTheButtonsDo();
    void destructionStoresTheLastEdit();
    void failingLoadClearsTheEditor();
    void failingCreateIsLoggedAndClearsTheEditor();
    void itemWithoutValidIdGetsNoRow_data();
    void itemWithoutValidIdGetsNoRow();

    void characterButtonsToggleTheSelection_data();
    void characterButtonsToggleTheSelection();
    void subscriptReplacesSuperscript();
    void listButtonsToggleTheSelectedBlocks_data();
    void listButtonsToggleTheSelectedBlocks();
    void listButtonSwitchesTheListStyle();
    void headingButtonsToggleTheBlock_data();
    void headingButtonsToggleTheBlock();
    void headingLevelsReplaceEachOther();
    void alignmentButtonsAlignTheSelectedBlocks();
    void storedFormatsToggleOff_data();
    void storedFormatsToggleOff();
    void buttonsFollowTheCursor_data();
    void buttonsFollowTheCursor();

private:
    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

void TestRichTextEditor::init()
{
    library = std::make_unique<TestLibrary>(environment);
}

void TestRichTextEditor::cleanup()
{
    library.reset();
}

void TestRichTextEditor::formShowsButtonsLabelAndEditor()
{
    const RichTextEditor editor;
    QCOMPARE(editor.windowTitle(), QStringLiteral("Form"));
    for (const QString &name : buttonNames) {
        const QToolButton *toolButton = button(editor, name);
        QVERIFY2(toolButton, qPrintable(name));
        QVERIFY2(!toolButton->icon().isNull(), qPrintable(name));
        QVERIFY(toolButton->autoRaise());
        QVERIFY(toolButton->isCheckable());
    }
    QCOMPARE(label(editor)->text(), QStringLiteral("Notes on book"));
    QVERIFY(label(editor)->font().bold());
    const QTextEdit *edit = textEdit(editor);
    QCOMPARE(edit->font().family(), QStringLiteral("Times New Roman"));
    QCOMPARE(edit->font().pointSize(), 12);
    QCOMPARE(edit->styleSheet(), QStringLiteral("QTextEdit{\n  background: #FFEEA5;\n\n}"));
}

void TestRichTextEditor::firstSelectionCreatesAnEmptyNote()
{
    QVERIFY(storeNote(7, QStringLiteral("<p>Seven</p>")));
    RichTextEditor editor;
    ViewItem dune = viewItem(3, QStringLiteral("Dune"));
    editor.loadNoteItem(&dune);

    QCOMPARE(label(editor)->text(), QStringLiteral("Notes on Dune"));
    QVERIFY(textEdit(editor)->toPlainText().isEmpty());
    QCOMPARE(noteIds(), QList<QVariantList>({{3}, {7}}));
    QVERIFY(storedNote(3).contains(QStringLiteral("<html>")));
    QVERIFY(plainText(storedNote(3)).isEmpty());
    // The save before the first item runs for no item at all.
    QCOMPARE(storedNote(7), QStringLiteral("<p>Seven</p>"));
}

void TestRichTextEditor::typedNoteIsStoredUnderTheItemLeft()
{
    QVERIFY(storeNote(2, QStringLiteral("<p>Stored note of Emma</p>")));
    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    ViewItem dune = viewItem(1, QStringLiteral("Dune"));
    ViewItem emma = viewItem(2, QStringLiteral("Emma"));

    editor.loadNoteItem(&dune);
    QTest::keyClicks(edit, QStringLiteral("Spice must flow"));
    const QString typed = edit->toHtml();
    QVERIFY(plainText(storedNote(1)).isEmpty());
    editor.loadNoteItem(&emma);

    QCOMPARE(storedNote(1), typed);
    QCOMPARE(plainText(storedNote(1)), QStringLiteral("Spice must flow"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("Stored note of Emma"));
    QCOMPARE(label(editor)->text(), QStringLiteral("Notes on Emma"));
    QCOMPARE(noteIds(), QList<QVariantList>({{1}, {2}}));
}

void TestRichTextEditor::uneditedNoteIsNotWrittenBack()
{
    QVERIFY(storeNote(2, QStringLiteral("<p>Stored note of Emma</p>")));
    ViewItem emma = viewItem(2, QStringLiteral("Emma"));
    ViewItem dune = viewItem(1, QStringLiteral("Dune"));
    {
        RichTextEditor editor;
        editor.loadNoteItem(&emma);
        // Another copy of the program stores a newer note meanwhile.
        QVERIFY(storeNote(2, QStringLiteral("<p>Newer note of Emma</p>")));
        editor.loadNoteItem(&dune);
        QCOMPARE(storedNote(2), QStringLiteral("<p>Newer note of Emma</p>"));
        editor.loadNoteItem(&emma);
        QVERIFY(storeNote(2, QStringLiteral("<p>Newest note of Emma</p>")));
    }
    QCOMPARE(storedNote(2), QStringLiteral("<p>Newest note of Emma</p>"));
}

void TestRichTextEditor::keysFormatAsTheButtonsDo()
{
    RichTextEditor editor;
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    ViewItem dune = viewItem(1, QStringLiteral("Dune"));
    editor.loadNoteItem(&dune);
    QTextEdit *edit = textEdit(editor);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("Spice"));
    edit->selectAll();
    QTest::keySequence(edit, QKeySequence::Bold);
    QTest::keySequence(edit, QKeySequence::Italic);
    QTest::keySequence(edit, QKeySequence::Underline);
    const QTextCharFormat format = edit->textCursor().charFormat();
    QCOMPARE(format.fontWeight(), int(QFont::Bold));
    QVERIFY(format.fontItalic());
    QVERIFY(format.fontUnderline());
}

void TestRichTextEditor::newRowNeverHoldsThePreviousNote()
{
    QVERIFY(storeNote(2, QStringLiteral("<p>Stored note of Emma</p>")));
    RichTextEditor editor;
    ViewItem emma = viewItem(2, QStringLiteral("Emma"));
    ViewItem persuasion = viewItem(3, QStringLiteral("Persuasion"));

    editor.loadNoteItem(&emma);
    QCOMPARE(textEdit(editor)->toPlainText(), QStringLiteral("Stored note of Emma"));
    editor.loadNoteItem(&persuasion);

    // Read before any further save, as after a crash.
    const QString created = storedNote(3);
    QVERIFY(!created.isNull());
    QVERIFY(!created.contains(QStringLiteral("Emma")));
    QVERIFY(plainText(created).isEmpty());
    QVERIFY(textEdit(editor)->toPlainText().isEmpty());
    QCOMPARE(plainText(storedNote(2)), QStringLiteral("Stored note of Emma"));
}

void TestRichTextEditor::sameItemTwiceKeepsTheNote()
{
    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    ViewItem dune = viewItem(1, QStringLiteral("Dune"));

    editor.loadNoteItem(&dune);
    QTest::keyClicks(edit, QStringLiteral("First thoughts"));
    const QString typed = edit->toHtml();
    editor.loadNoteItem(&dune);

    QCOMPARE(edit->toPlainText(), QStringLiteral("First thoughts"));
    QCOMPARE(edit->toHtml(), typed);
    QCOMPARE(storedNote(1), typed);
    QCOMPARE(noteIds(), QList<QVariantList>({{1}}));

    editor.loadNoteItem(&dune);
    QCOMPARE(edit->toHtml(), typed);
    QCOMPARE(storedNote(1), typed);
}

void TestRichTextEditor::destructionStoresTheLastEdit()
{
    auto editor = std::make_unique<RichTextEditor>();
    ViewItem dune = viewItem(1, QStringLiteral("Dune"));
    editor->loadNoteItem(&dune);
    QTest::keyClicks(textEdit(*editor), QStringLiteral("Last words"));
    const QString typed = textEdit(*editor)->toHtml();
    QVERIFY(plainText(storedNote(1)).isEmpty());

    editor.reset();
    QCOMPARE(storedNote(1), typed);
    QCOMPARE(plainText(storedNote(1)), QStringLiteral("Last words"));
}

void TestRichTextEditor::failingLoadClearsTheEditor()
{
    QVERIFY(storeNote(2, QStringLiteral("<p>Stored note of Emma</p>")));
    RichTextEditor editor;
    ViewItem emma = viewItem(2, QStringLiteral("Emma"));
    ViewItem persuasion = viewItem(3, QStringLiteral("Persuasion"));
    editor.loadNoteItem(&emma);
    QVERIFY(!textEdit(editor)->toPlainText().isEmpty());

    QVERIFY(TestLibrary::exec(QStringLiteral("DROP TABLE notes")));
    editor.loadNoteItem(&persuasion);
    QVERIFY(textEdit(editor)->toPlainText().isEmpty());
    QCOMPARE(label(editor)->text(), QStringLiteral("Notes on Persuasion"));
}

void TestRichTextEditor::failingCreateIsLoggedAndClearsTheEditor()
{
    QVERIFY(storeNote(2, QStringLiteral("<p>Stored note of Emma</p>")));
    QVERIFY(TestLibrary::exec(QStringLiteral(
        "CREATE TRIGGER refuse_notes BEFORE INSERT ON notes BEGIN SELECT RAISE(ABORT, 'notes are closed'); END")));
    RichTextEditor editor;
    ViewItem emma = viewItem(2, QStringLiteral("Emma"));
    ViewItem persuasion = viewItem(3, QStringLiteral("Persuasion"));
    editor.loadNoteItem(&emma);
    QVERIFY(!textEdit(editor)->toPlainText().isEmpty());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("notes are closed")));
    editor.loadNoteItem(&persuasion);
    QVERIFY(textEdit(editor)->toPlainText().isEmpty());
    QCOMPARE(noteIds(), QList<QVariantList>({{2}}));
}

void TestRichTextEditor::itemWithoutValidIdGetsNoRow_data()
{
    QTest::addColumn<int>("iid");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -4;
}

void TestRichTextEditor::itemWithoutValidIdGetsNoRow()
{
    QFETCH(int, iid);
    QVERIFY(storeNote(2, QStringLiteral("<p>Stored note of Emma</p>")));
    RichTextEditor editor;
    ViewItem emma = viewItem(2, QStringLiteral("Emma"));
    ViewItem loose = viewItem(iid, QStringLiteral("Loose page"));
    editor.loadNoteItem(&emma);
    QVERIFY(!textEdit(editor)->toPlainText().isEmpty());

    editor.loadNoteItem(&loose);
    QVERIFY(textEdit(editor)->toPlainText().isEmpty());
    QCOMPARE(label(editor)->text(), QStringLiteral("Notes on Loose page"));
    QCOMPARE(noteIds(), QList<QVariantList>({{2}}));
}

void TestRichTextEditor::characterButtonsToggleTheSelection_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("css");

    QTest::newRow("bold") << "btnBold"
                          << "font-weight:700;";
    QTest::newRow("italic") << "btnIltalic"
                            << "font-style:italic;";
    QTest::newRow("underline") << "btnUnderline"
                               << "text-decoration: underline;";
    QTest::newRow("superscript") << "btnSuperscript"
                                 << "vertical-align:super;";
    QTest::newRow("subscript") << "btnSubscript"
                               << "vertical-align:sub;";
}

void TestRichTextEditor::characterButtonsToggleTheSelection()
{
    QFETCH(QString, name);
    QFETCH(QString, css);

    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    const QToolButton *toolButton = button(editor, name);
    typeParagraphs(edit, {QStringLiteral("alpha beta gamma")});
    QVERIFY(!edit->toHtml().contains(css));
    const auto styled = [&css](const QString &text) {
        return QRegularExpression(
            QStringLiteral("<span style=\"[^\"]*%1[^\"]*\">%2</span>").arg(QRegularExpression::escape(css), text));
    };

    QVERIFY(selectWord(edit, QStringLiteral("beta")));
    QVERIFY(!toolButton->isChecked());
    click(editor, name);
    QVERIFY(edit->toHtml().contains(styled(QStringLiteral("beta"))));
    QCOMPARE(edit->toHtml().count(css), 1);
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("beta"));
    QVERIFY(toolButton->isChecked());

    click(editor, name);
    QVERIFY(!edit->toHtml().contains(css));
    QVERIFY(!toolButton->isChecked());

    // Without a selection the word at the cursor takes the format.
    QVERIFY(placeCursorIn(edit, QStringLiteral("gamma")));
    click(editor, name);
    QVERIFY(edit->toHtml().contains(styled(QStringLiteral("gamma"))));
    QVERIFY(toolButton->isChecked());

    // A mixed selection gets the format throughout rather than losing it.
    QVERIFY(selectWord(edit, QStringLiteral("alpha beta gamma")));
    click(editor, name);
    QVERIFY(edit->toHtml().contains(styled(QStringLiteral("alpha beta gamma"))));
    click(editor, name);
    QVERIFY(!edit->toHtml().contains(css));
    QVERIFY(!toolButton->isChecked());
}

void TestRichTextEditor::subscriptReplacesSuperscript()
{
    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    typeParagraphs(edit, {QStringLiteral("H2O")});
    QVERIFY(selectWord(edit, QStringLiteral("H2O")));

    click(editor, QStringLiteral("btnSuperscript"));
    QCOMPARE(edit->textCursor().charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
    click(editor, QStringLiteral("btnSubscript"));
    QCOMPARE(edit->textCursor().charFormat().verticalAlignment(), QTextCharFormat::AlignSubScript);
    QVERIFY(button(editor, QStringLiteral("btnSubscript"))->isChecked());
    QVERIFY(!button(editor, QStringLiteral("btnSuperscript"))->isChecked());
}

void TestRichTextEditor::listButtonsToggleTheSelectedBlocks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("tag");

    QTest::newRow("bullets") << "btnUl" << int(QTextListFormat::ListDisc) << "<ul";
    QTest::newRow("numbers") << "btnOl" << int(QTextListFormat::ListDecimal) << "<ol";
}

void TestRichTextEditor::listButtonsToggleTheSelectedBlocks()
{
    QFETCH(QString, name);
    QFETCH(int, style);
    QFETCH(QString, tag);

    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    const QTextDocument *document = edit->document();
    typeParagraphs(edit, {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    selectBlocks(edit, 0, 1, 1, 1);

    click(editor, name);
    const QTextList *list = document->findBlockByNumber(0).textList();
    QVERIFY(list);
    QCOMPARE(int(list->format().style()), style);
    QCOMPARE(document->findBlockByNumber(1).textList(), list);
    QCOMPARE(document->findBlockByNumber(2).textList(), nullptr);
    QCOMPARE(list->count(), 2);
    QVERIFY(edit->toHtml().contains(tag));
    QCOMPARE(edit->toHtml().count(QStringLiteral("<li")), 2);
    QVERIFY(button(editor, name)->isChecked());

    click(editor, name);
    for (int block = 0; block < 3; ++block)
        QCOMPARE(document->findBlockByNumber(block).textList(), nullptr);
    QVERIFY(!edit->toHtml().contains(QStringLiteral("<li")));
    QVERIFY(!button(editor, name)->isChecked());
    QCOMPARE(edit->toPlainText(), QStringLiteral("one\ntwo\nthree"));
}

void TestRichTextEditor::listButtonSwitchesTheListStyle()
{
    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    typeParagraphs(edit, {QStringLiteral("one"), QStringLiteral("two")});
    selectBlocks(edit, 0, 0, 1, 3);

    click(editor, QStringLiteral("btnUl"));
    click(editor, QStringLiteral("btnOl"));
    const QTextList *list = edit->document()->findBlockByNumber(0).textList();
    QVERIFY(list);
    QCOMPARE(list->format().style(), QTextListFormat::ListDecimal);
    QCOMPARE(list->count(), 2);
    QVERIFY(!edit->toHtml().contains(QStringLiteral("<ul")));
    QVERIFY(button(editor, QStringLiteral("btnOl"))->isChecked());
    QVERIFY(!button(editor, QStringLiteral("btnUl"))->isChecked());
}

void TestRichTextEditor::headingButtonsToggleTheBlock_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("sizeAdjustment");

    QTest::newRow("heading 1") << "btnH1" << 1 << 3;
    QTest::newRow("heading 2") << "btnH2" << 2 << 2;
    QTest::newRow("heading 3") << "btnH3" << 3 << 1;
}

void TestRichTextEditor::headingButtonsToggleTheBlock()
{
    QFETCH(QString, name);
    QFETCH(int, level);
    QFETCH(int, sizeAdjustment);

    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    const QTextDocument *document = edit->document();
    typeParagraphs(edit, {QStringLiteral("Intro"), QStringLiteral("Chapter one"), QStringLiteral("Body")});
    QVERIFY(placeCursorIn(edit, QStringLiteral("Chapter")));
    const auto blockCharacters = [document](int number) {
        QList<QTextCharFormat> formats;
        const QTextBlock block = document->findBlockByNumber(number);
        for (auto it = block.begin(); !it.atEnd(); ++it)
            formats.append(it.fragment().charFormat());
        return formats;
    };

    click(editor, name);
    QCOMPARE(document->findBlockByNumber(1).blockFormat().headingLevel(), level);
    QCOMPARE(document->findBlockByNumber(0).blockFormat().headingLevel(), 0);
    QCOMPARE(document->findBlockByNumber(2).blockFormat().headingLevel(), 0);
    for (const QTextCharFormat &format : blockCharacters(1)) {
        QCOMPARE(format.fontWeight(), int(QFont::Bold));
        QCOMPARE(format.property(QTextFormat::FontSizeAdjustment).toInt(), sizeAdjustment);
    }
    for (const QTextCharFormat &format : blockCharacters(2))
        QCOMPARE(format.fontWeight(), int(QFont::Normal));
    QVERIFY(edit->toHtml().contains(QRegularExpression(QStringLiteral("<h%1[^>]*>.*Chapter one.*</h%1>").arg(level))));
    QVERIFY(button(editor, name)->isChecked());
    QVERIFY(button(editor, QStringLiteral("btnBold"))->isChecked());

    click(editor, name);
    QCOMPARE(document->findBlockByNumber(1).blockFormat().headingLevel(), 0);
    for (const QTextCharFormat &format : blockCharacters(1)) {
        QCOMPARE(format.fontWeight(), int(QFont::Normal));
        QCOMPARE(format.property(QTextFormat::FontSizeAdjustment).toInt(), 0);
    }
    QVERIFY(!edit->toHtml().contains(QStringLiteral("<h%1").arg(level)));
    QVERIFY(!button(editor, name)->isChecked());
    QVERIFY(!button(editor, QStringLiteral("btnBold"))->isChecked());
}

void TestRichTextEditor::headingLevelsReplaceEachOther()
{
    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    typeParagraphs(edit, {QStringLiteral("Title")});

    click(editor, QStringLiteral("btnH1"));
    click(editor, QStringLiteral("btnH3"));
    const QTextBlock block = edit->document()->firstBlock();
    QCOMPARE(block.blockFormat().headingLevel(), 3);
    QCOMPARE(block.begin().fragment().charFormat().property(QTextFormat::FontSizeAdjustment).toInt(), 1);
    QVERIFY(edit->toHtml().contains(QStringLiteral("<h3")));
    QVERIFY(!edit->toHtml().contains(QStringLiteral("<h1")));
    QVERIFY(button(editor, QStringLiteral("btnH3"))->isChecked());
    QVERIFY(!button(editor, QStringLiteral("btnH1"))->isChecked());
}

void TestRichTextEditor::alignmentButtonsAlignTheSelectedBlocks()
{
    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    const QTextDocument *document = edit->document();
    typeParagraphs(edit, {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    selectBlocks(edit, 0, 1, 1, 1);
    const auto alignments = [document]() {
        QList<Qt::Alignment> list;
        for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next())
            list.append(block.blockFormat().alignment() & (Qt::AlignLeft | Qt::AlignHCenter | Qt::AlignRight));
        return list;
    };
    const QStringList left{"btnAlignLeft"};
    QCOMPARE(checkedButtons(editor), left);

    click(editor, QStringLiteral("btnAlignCenter"));
    QCOMPARE(alignments(), QList<Qt::Alignment>({Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft}));
    QCOMPARE(edit->toHtml().count(QStringLiteral("align=\"center\"")), 2);
    QCOMPARE(checkedButtons(editor), QStringList({"btnAlignCenter"}));

    click(editor, QStringLiteral("btnAlignCenter"));
    QCOMPARE(alignments(), QList<Qt::Alignment>({Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft}));
    QVERIFY(!edit->toHtml().contains(QStringLiteral("align=")));
    QCOMPARE(checkedButtons(editor), left);

    click(editor, QStringLiteral("btnAlignRight"));
    QCOMPARE(alignments(), QList<Qt::Alignment>({Qt::AlignRight, Qt::AlignRight, Qt::AlignLeft}));
    QCOMPARE(edit->toHtml().count(QStringLiteral("align=\"right\"")), 2);
    QCOMPARE(checkedButtons(editor), QStringList({"btnAlignRight"}));

    click(editor, QStringLiteral("btnAlignLeft"));
    QCOMPARE(alignments(), QList<Qt::Alignment>({Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft}));
    QCOMPARE(checkedButtons(editor), left);
    click(editor, QStringLiteral("btnAlignLeft"));
    QCOMPARE(alignments(), QList<Qt::Alignment>({Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft}));
    QCOMPARE(checkedButtons(editor), left);
}

void TestRichTextEditor::storedFormatsToggleOff_data()
{
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("marker");

    QTest::newRow("bold") << "<p>a <b>heavy</b> b</p>"
                          << "heavy"
                          << "btnBold"
                          << "font-weight:700;";
    QTest::newRow("italic") << "<p>a <i>slanted</i> b</p>"
                            << "slanted"
                            << "btnIltalic"
                            << "font-style:italic;";
    QTest::newRow("underline") << "<p>a <u>lined</u> b</p>"
                               << "lined"
                               << "btnUnderline"
                               << "text-decoration: underline;";
    QTest::newRow("superscript") << "<p>a <sup>lifted</sup> b</p>"
                                 << "lifted"
                                 << "btnSuperscript"
                                 << "vertical-align:super;";
    QTest::newRow("subscript") << "<p>a <sub>lowered</sub> b</p>"
                               << "lowered"
                               << "btnSubscript"
                               << "vertical-align:sub;";
    QTest::newRow("bullets") << "<ul><li>dotted</li></ul>"
                             << "dotted"
                             << "btnUl"
                             << "<ul";
    QTest::newRow("numbers") << "<ol><li>counted</li></ol>"
                             << "counted"
                             << "btnOl"
                             << "<ol";
    QTest::newRow("heading 1") << "<h1>Major</h1>"
                               << "Major"
                               << "btnH1"
                               << "<h1";
    QTest::newRow("heading 2") << "<h2>Middle</h2>"
                               << "Middle"
                               << "btnH2"
                               << "<h2";
    QTest::newRow("heading 3") << "<h3>Minor</h3>"
                               << "Minor"
                               << "btnH3"
                               << "<h3";
    QTest::newRow("centered") << "<p align=\"center\">central</p>"
                              << "central"
                              << "btnAlignCenter"
                              << "align=\"center\"";
    QTest::newRow("right") << "<p align=\"right\">edge</p>"
                           << "edge"
                           << "btnAlignRight"
                           << "align=\"right\"";
}

// A note read back from the database shows its formats as set, and the buttons take them off again.
void TestRichTextEditor::storedFormatsToggleOff()
{
    QFETCH(QString, note);
    QFETCH(QString, word);
    QFETCH(QString, name);
    QFETCH(QString, marker);

    QVERIFY(storeNote(1, note));
    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    ViewItem dune = viewItem(1, QStringLiteral("Dune"));
    editor.loadNoteItem(&dune);
    QVERIFY(edit->toHtml().contains(marker));

    QVERIFY(placeCursorIn(edit, word));
    QVERIFY(button(editor, name)->isChecked());
    click(editor, name);
    QVERIFY(!edit->toHtml().contains(marker));
    QVERIFY(!button(editor, name)->isChecked());
    QVERIFY(edit->toPlainText().contains(word));
}

void TestRichTextEditor::buttonsFollowTheCursor_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("checked");

    QTest::newRow("bold") << "heavy" << QStringList({"btnBold", "btnAlignLeft"});
    QTest::newRow("plain") << "plain" << QStringList({"btnAlignLeft"});
    QTest::newRow("italic") << "slanted" << QStringList({"btnIltalic", "btnAlignLeft"});
    QTest::newRow("underline") << "lined" << QStringList({"btnUnderline", "btnAlignLeft"});
    QTest::newRow("superscript") << "lifted" << QStringList({"btnAlignLeft", "btnSuperscript"});
    QTest::newRow("subscript") << "lowered" << QStringList({"btnAlignLeft", "btnSubscript"});
    QTest::newRow("bullets") << "dotted" << QStringList({"btnUl", "btnAlignLeft"});
    QTest::newRow("numbers") << "counted" << QStringList({"btnOl", "btnAlignLeft"});
    QTest::newRow("heading 1") << "Major" << QStringList({"btnBold", "btnH1", "btnAlignLeft"});
    QTest::newRow("heading 2") << "Middle" << QStringList({"btnBold", "btnH2", "btnAlignLeft"});
    QTest::newRow("heading 3") << "Minor" << QStringList({"btnBold", "btnH3", "btnAlignLeft"});
    QTest::newRow("centered") << "central" << QStringList({"btnAlignCenter"});
    QTest::newRow("right") << "edge" << QStringList({"btnAlignRight"});
}

void TestRichTextEditor::buttonsFollowTheCursor()
{
    QFETCH(QString, word);
    QFETCH(QStringList, checked);

    QVERIFY(storeNote(1,
                      QStringLiteral("<p><b>heavy</b> plain <i>slanted</i> <u>lined</u> <sup>lifted</sup> "
                                     "<sub>lowered</sub></p><ul><li>dotted</li></ul><ol><li>counted</li></ol>"
                                     "<h1>Major</h1><h2>Middle</h2><h3>Minor</h3><p align=\"center\">central</p>"
                                     "<p align=\"right\">edge</p>")));
    RichTextEditor editor;
    QTextEdit *edit = textEdit(editor);
    ViewItem dune = viewItem(1, QStringLiteral("Dune"));
    editor.loadNoteItem(&dune);
    const QString loaded = edit->toHtml();

    QVERIFY(placeCursorIn(edit, word));
    QCOMPARE(checkedButtons(editor), checked);
    QVERIFY(selectWord(edit, word));
    QCOMPARE(checkedButtons(editor), checked);

    // Following the cursor must not touch the document.
    QCOMPARE(edit->toHtml(), loaded);
    QVERIFY(!edit->document()->isModified());
    QVERIFY(!edit->document()->isUndoAvailable());
}

SHELVIO_TEST_MAIN(TestRichTextEditor)
#include "tst_richtexteditor.moc"
