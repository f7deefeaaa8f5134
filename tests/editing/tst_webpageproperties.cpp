#include "app/settings.h"
#include "editing/webpageproperties.h"
#include "model/filelist.h"
#include "model/webpage.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/urlrecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace {

const QString SetStar = QStringLiteral(":/icons/icons/16x16/001_15.png");
const QString UnsetStar = QStringLiteral(":/icons/icons/16x16/001_17.png");
const QString DefaultCover = QStringLiteral(":/icons/images/book.png");
const QString AddFileFilter = QStringLiteral("Book Files (*.pdf *.chm *.epub *.mobi)");
const QString MissingTitle = QStringLiteral("You must enter a book title.");

// exec() never returns this by itself.
constexpr int NotEnded = -100;
// Event loop rounds an answer waits for its window; a window that never comes fails the test instead of hanging it.
constexpr int AnswerRounds = 200;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString md5Of(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QByteArray pngImage(QColor colour)
{
    QImage image(40, 60, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

// Every row of a statement, each value as text.
QList<QStringList> textRows(const QString &statement)
{
    QList<QStringList> result;
    const QList<QVariantList> rows = TestLibrary::rows(statement);
    for (const QVariantList &row : rows) {
        QStringList texts;
        for (const QVariant &value : row)
            texts.append(value.toString());
        result.append(texts);
    }
    return result;
}

QList<QStringList> pageRow(int iid)
{
    return textRows(QStringLiteral("SELECT w.title, w.description, i.rating FROM webpages w JOIN items i ON "
                                   "i.iid = w.iid WHERE w.iid = %1")
                        .arg(iid));
}

QStringList storedFilePaths(int iid)
{
    QStringList paths;
    const QList<QStringList> rows
        = textRows(QStringLiteral("SELECT filePath FROM files WHERE iid = %1 ORDER BY fid").arg(iid));
    for (const QStringList &row : rows)
        paths.append(row.value(0));
    return paths;
}

template<typename T>
T *child(const QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("No %s in %s", name, parent.metaObject()->className());
    return found;
}

void click(const QWidget &dialog, const char *button)
{
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

QString titleShown(const QWidget &dialog)
{
    return child<QLineEdit>(dialog, "bookTitle")->text();
}

QString descriptionShown(const QWidget &dialog)
{
    return child<QTextEdit>(dialog, "bookDescription")->toPlainText();
}

// Replaces the whole text of a field as a user does: select all, then type.
void retype(const QWidget &dialog, const char *field, const QString &text)
{
    QWidget *widget = child<QWidget>(dialog, field);
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(widget, Qt::Key_Delete);
    else
        QTest::keyClicks(widget, text);
}

void showTab(const QWidget &dialog, int index)
{
    QTabBar *bar = child<QTabWidget>(dialog, "tabWidget")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

QList<QStringList> fileRows(const QWidget &dialog)
{
    const auto *table = child<QTableWidget>(dialog, "fileTable");
    QList<QStringList> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells.append(table->item(row, column) ? table->item(row, column)->text() : QString());
        rows.append(cells);
    }
    return rows;
}

QStringList fileRow(const QString &path)
{
    const QByteArray content = readFile(path);
    return {QFileInfo(path).fileName(), QString::number(content.size()), md5Of(content), path};
}

void clickFileRow(const QWidget &dialog, int row)
{
    auto *table = child<QTableWidget>(dialog, "fileTable");
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(row, 0)).center());
}

QImage imageOf(const QIcon &icon, QSize size)
{
    return icon.pixmap(size).toImage();
}

// Which of the five stars show the set icon, as "+" or "-" per star; "?" for any other icon.
QString stars(const QWidget &dialog)
{
    const QImage set = imageOf(QIcon(SetStar), QSize(16, 16));
    const QImage unset = imageOf(QIcon(UnsetStar), QSize(16, 16));
    QString shown;
    for (int number = 1; number <= 5; ++number) {
        const QImage image = imageOf(
            child<QPushButton>(dialog, QStringLiteral("btnRating%1").arg(number).toLatin1().constData())->icon(),
            QSize(16, 16));
        shown += image == set ? u'+' : image == unset ? u'-' : u'?';
    }
    return shown;
}

QImage coverShown(const QWidget &dialog)
{
    const auto *button = child<QPushButton>(dialog, "btnBookCover");
    return imageOf(button->icon(), button->iconSize());
}

QImage coverFrom(const QWidget &dialog, const QString &path)
{
    return imageOf(QIcon(QPixmap::fromImage(QImage(path))), child<QPushButton>(dialog, "btnBookCover")->iconSize());
}

QString labelOf(const QWidget &dialog, const char *field)
{
    const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (label->buddy() == child<QWidget>(dialog, field))
            return label->text();
    }
    return QString();
}

// What one window over the dialog showed before it was answered.
struct SeenWindow
{
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool hasParent = false;
    QStringList filters;
    QString directory;
};

// Answers the next modal window of the given kind as the user would, once it is the active one. It looks on
// each round of the event loop, so it may be armed before the click that opens the window; the context ends
// any answer still waiting when the test is over.
template<typename Window>
std::shared_ptr<SeenWindow> answerNext(QObject *context, const std::function<void(Window *)> &act)
{
    auto seen = std::make_shared<SeenWindow>();
    auto look = std::make_shared<std::function<void(int)>>();
    *look = [context, seen, act, weakLook = std::weak_ptr(look)](int round) {
        auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
        if (!window || !window->isVisible()) {
            if (round < AnswerRounds) {
                const auto again = weakLook.lock();
                QTimer::singleShot(0, context, [again, round] { (*again)(round + 1); });
            }
            return;
        }
        seen->shown = true;
        seen->title = window->windowTitle();
        seen->hasParent = window->parentWidget() != nullptr;
        if (const auto *box = qobject_cast<QMessageBox *>(window)) {
            seen->text = box->text();
            seen->icon = box->icon();
        } else if (const auto *files = qobject_cast<QFileDialog *>(window)) {
            seen->filters = files->nameFilters();
            seen->directory = files->directory().absolutePath();
        }
        act(window);
        // Never leave the test waiting on a window that ignored the answer.
        if (window->isVisible())
            window->close();
    };
    QTimer::singleShot(0, context, [look] { (*look)(0); });
    return seen;
}

std::shared_ptr<SeenWindow> answerBox(QObject *context, QMessageBox::StandardButton button)
{
    return answerNext<QMessageBox>(context, [button](QMessageBox *box) {
        if (QAbstractButton *answer = box->button(button))
            answer->click();
    });
}

std::shared_ptr<SeenWindow> chooseFile(QObject *context, const QString &path)
{
    return answerNext<QFileDialog>(context, [path](QFileDialog *dialog) {
        dialog->selectFile(path);
        // QFileDialog's own accept() (reached through the public QDialog one) checks the file as OK does.
        static_cast<QDialog *>(dialog)->accept();
    });
}

std::shared_ptr<SeenWindow> cancelFileDialog(QObject *context)
{
    return answerNext<QFileDialog>(context, [](QFileDialog *dialog) { dialog->reject(); });
}

// Ends the dialog as exec() runs it, by a click on `button`; NotEnded when the click did not end it.
int closeWith(WebPageProperties &dialog, const char *button)
{
    dialog.hide();
    QTimer::singleShot(0, &dialog, [&dialog, button] {
        click(dialog, button);
        if (dialog.isVisible())
            dialog.done(NotEnded);
    });
    return dialog.exec();
}

} // namespace

class TestWebPageProperties : public QObject
{
    Q_OBJECT

public:
    explicit TestWebPageProperties(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void storedPageIsLoaded();
    void pageWithoutFilesOrCover();
    void markupInTheDescriptionIsText();
    void saveNeedsATitle();
    void ratingButtonsShowAndStoreTheRating_data();
    void ratingButtonsShowAndStoreTheRating();
    void addFileAddsARowAndAFileAtSave();
    void removedFileLeavesThePageOnSave();
    void deleteAsksAndEndsTheDialog();
    void cancelStoresNothing();
    void failedSaveKeepsTheDialogOpen();

private:
    // A stored page with the given files below HOME and, when asked, a cover; returns its item id.
    int storePage(const QString &description, const QStringList &files, int rating = 0, bool withCover = false);
    static void open(WebPageProperties &dialog);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<UrlRecorder> recorder;
    std::unique_ptr<QObject> answers;
};

void TestWebPageProperties::init()
{
    library = std::make_unique<TestLibrary>(environment);
    recorder = std::make_unique<UrlRecorder>();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), recorder.get(), "open");
    answers = std::make_unique<QObject>();
}

void TestWebPageProperties::cleanup()
{
    answers.reset();
    // A failed check may leave a window open over the dialog.
    while (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    recorder.reset();
    library.reset();
}

int TestWebPageProperties::storePage(const QString &description, const QStringList &files, int rating, bool withCover)
{
    WebPage page(nullptr, -1);
    page.setTitle(QStringLiteral("Stored Page"));
    page.setUrl(QStringLiteral("https://example.org/stored"));
    page.setDescription(description);
    page.setRating(rating);
    for (const QString &name : files)
        page.addFile(library->writeFile(QStringLiteral("pages/") + name, "%PDF-1.4 " + name.toUtf8()));
    if (withCover)
        page.setCoverFile(library->writeFile(QStringLiteral("captures/thumbnail.png"), pngImage(Qt::darkCyan)));
    if (!page.save())
        qFatal("The stored page could not be saved");
    return page.getIid();
}

void TestWebPageProperties::open(WebPageProperties &dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

void TestWebPageProperties::storedPageIsLoaded()
{
    const int iid
        = storePage(QStringLiteral("Notes on the page.\nSecond line."), {"capture.pdf", "extra.epub"}, 0, true);
    const QString capture = environment.home() + QStringLiteral("/pages/capture.pdf");
    const QString extra = environment.home() + QStringLiteral("/pages/extra.epub");
    WebPageProperties dialog(nullptr, iid);
    open(dialog);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Properties"));
    const QTabWidget *tabs = child<QTabWidget>(dialog, "tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("General"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Files"));
    QCOMPARE(labelOf(dialog, "bookTitle"), QStringLiteral("&Title:"));
    QCOMPARE(labelOf(dialog, "bookPublisher"), QStringLiteral("URL"));
    QCOMPARE(labelOf(dialog, "dateTimeEdit"), QStringLiteral("Date"));
    QCOMPARE(labelOf(dialog, "bookPages"), QStringLiteral("&Pages"));
    QCOMPARE(labelOf(dialog, "btnBookCover"), QStringLiteral("Preview"));
    QVERIFY(child<QDateTimeEdit>(dialog, "dateTimeEdit"));
    const auto *read = child<QGroupBox>(dialog, "groupBox_3");
    QCOMPARE(read->title(), QStringLiteral("&Read it?"));
    QVERIFY(read->isCheckable());
    QCOMPARE(child<QDateEdit>(dialog, "field_book_read_2")->displayFormat(), QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(child<QPushButton>(dialog, "btnOpenFile")->text(), QStringLiteral("View"));
    QCOMPARE(child<QPushButton>(dialog, "btnAddFile")->text(), QStringLiteral("Add File"));
    QCOMPARE(child<QPushButton>(dialog, "btnRemoveFile")->text(), QStringLiteral("Remove"));
    QCOMPARE(child<QPushButton>(dialog, "btnCancel")->text(), QStringLiteral("&Cancel"));
    QCOMPARE(child<QPushButton>(dialog, "btnSave")->text(), QStringLiteral("&Save"));
    const auto *remove = child<QPushButton>(dialog, "btnDelete");
    QCOMPARE(remove->text(), QStringLiteral("&Delete"));
    QCOMPARE(remove->toolTip(), QStringLiteral("Delete this book from the library."));
    QVERIFY(remove->isEnabled());
    QVERIFY(child<QPushButton>(dialog, "btnRating0"));
    const auto *table = child<QTableWidget>(dialog, "fileTable");
    QStringList headers;
    for (int column = 0; column < table->columnCount(); ++column)
        headers.append(table->horizontalHeaderItem(column)->text());
    QCOMPARE(headers, QStringList({"Name", "Size", "MD5", "Path"}));

    QCOMPARE(titleShown(dialog), QStringLiteral("Stored Page"));
    QCOMPARE(descriptionShown(dialog), QStringLiteral("Notes on the page.\nSecond line."));
    // The address, date and pages are neither loaded nor stored.
    QCOMPARE(child<QLineEdit>(dialog, "bookPublisher")->text(), QString());
    QCOMPARE(child<QLineEdit>(dialog, "bookPages")->text(), QString());
    QCOMPARE(stars(dialog), QStringLiteral("-----"));
    const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    QVERIFY(QFileInfo::exists(cover));
    QCOMPARE(coverShown(dialog), coverFrom(dialog, cover));
    QVERIFY(coverShown(dialog) != coverFrom(dialog, DefaultCover));
    QCOMPARE(dialog.getWebPage()->getCoverFile(), cover);

    showTab(dialog, 1);
    QCOMPARE(fileRows(dialog), QList<QStringList>({fileRow(capture), fileRow(extra)}));
    QVERIFY(child<QPushButton>(dialog, "btnOpenFile")->isEnabled());
    click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(capture)});

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(pageRow(iid), QList<QStringList>({{"Stored Page", "Notes on the page.\nSecond line.", "0"}}));
    QCOMPARE(storedFilePaths(iid), QStringList({capture, extra}));
    QCOMPARE(textRows(QStringLiteral("SELECT url FROM webpages")),
             QList<QStringList>({{QStringLiteral("https://example.org/stored")}}));
    QCOMPARE(textRows(QStringLiteral("SELECT coverFile FROM items")), QList<QStringList>({{cover}}));
}

void TestWebPageProperties::pageWithoutFilesOrCover()
{
    const int iid = storePage(QString(), {});
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    QCOMPARE(coverShown(dialog), coverFrom(dialog, DefaultCover));
    QCOMPARE(fileRows(dialog), QList<QStringList>());
    QVERIFY(!child<QPushButton>(dialog, "btnOpenFile")->isEnabled());
    click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>());
}

void TestWebPageProperties::markupInTheDescriptionIsText()
{
    const QString stored = QStringLiteral("<b>Bold</b> &amp; <i>tags</i>\n<p>kept as typed</p>");
    const int iid = storePage(stored, {"page.pdf"});
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    QCOMPARE(descriptionShown(dialog), stored);

    auto *description = child<QTextEdit>(dialog, "bookDescription");
    description->moveCursor(QTextCursor::End);
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClicks(description, QStringLiteral("<h1>typed</h1>"));
    const QString edited = stored + QStringLiteral("\n<h1>typed</h1>");
    QCOMPARE(descriptionShown(dialog), edited);

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(pageRow(iid), QList<QStringList>({{"Stored Page", edited, "0"}}));
    WebPage reloaded(nullptr, iid);
    QCOMPARE(reloaded.getDescription(), edited);
}

void TestWebPageProperties::saveNeedsATitle()
{
    const int iid = storePage(QStringLiteral("Kept."), {"page.pdf"}, 2);
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    retype(dialog, "bookTitle", QString());
    retype(dialog, "bookDescription", QStringLiteral("Not stored."));
    click(dialog, "btnRating5");

    const auto warning = answerBox(answers.get(), QMessageBox::Ok);
    click(dialog, "btnSave");
    QVERIFY(warning->shown);
    QCOMPARE(warning->title, QStringLiteral("Error"));
    QCOMPARE(warning->text, MissingTitle);
    QCOMPARE(warning->icon, QMessageBox::Warning);
    QVERIFY(!warning->hasParent);
    QVERIFY(dialog.isVisible());
    QCOMPARE(pageRow(iid), QList<QStringList>({{"Stored Page", "Kept.", "2"}}));

    // A title typed after the warning is saved with everything else.
    QTest::keyClicks(child<QLineEdit>(dialog, "bookTitle"), QStringLiteral("Given Later"));
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(pageRow(iid), QList<QStringList>({{"Given Later", "Not stored.", "5"}}));
}

void TestWebPageProperties::ratingButtonsShowAndStoreTheRating_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("saved");

    QTest::newRow("stored rating shown") << 3 << ""
                                         << "+++--" << 3;
    QTest::newRow("zero unsets every star") << 4 << "btnRating0"
                                            << "-----" << 0;
    QTest::newRow("one") << 0 << "btnRating1"
                         << "+----" << 1;
    QTest::newRow("two replaces four") << 4 << "btnRating2"
                                       << "++---" << 2;
    QTest::newRow("five") << 0 << "btnRating5"
                          << "+++++" << 5;
}

void TestWebPageProperties::ratingButtonsShowAndStoreTheRating()
{
    QFETCH(int, stored);
    QFETCH(QString, button);
    QFETCH(QString, shown);
    QFETCH(int, saved);

    const int iid = storePage(QString(), {}, stored);
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    if (!button.isEmpty())
        click(dialog, qPrintable(button));
    QCOMPARE(stars(dialog), shown);
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(textRows(QStringLiteral("SELECT rating FROM items WHERE iid = %1").arg(iid)),
             QList<QStringList>({{QString::number(saved)}}));
}

void TestWebPageProperties::addFileAddsARowAndAFileAtSave()
{
    const int iid = storePage(QString(), {"capture.pdf"});
    const QString capture = environment.home() + QStringLiteral("/pages/capture.pdf");
    const QString added = library->writeFile(QStringLiteral("downloads/article.epub"), "PK the article as a book");
    // The folder the book dialogs would start in; this dialog does not.
    const QString lastFolder
        = QFileInfo(library->writeFile(QStringLiteral("elsewhere/old.pdf"), "%PDF")).absolutePath();
    Settings().setValue(Settings::LastSelectDir, lastFolder);

    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    showTab(dialog, 1);
    const auto cancelled = cancelFileDialog(answers.get());
    click(dialog, "btnAddFile");
    QVERIFY(cancelled->shown);
    QCOMPARE(cancelled->title, QStringLiteral("Select Book"));
    QCOMPARE(cancelled->filters, QStringList{AddFileFilter});
    QVERIFY(canonical(cancelled->directory) != canonical(lastFolder));
    QCOMPARE(fileRows(dialog).size(), 1);
    QCOMPARE(Settings().value(Settings::LastSelectDir).toString(), lastFolder);

    const auto chosen = chooseFile(answers.get(), added);
    click(dialog, "btnAddFile");
    QVERIFY(chosen->shown);
    QCOMPARE(fileRows(dialog), QList<QStringList>({fileRow(capture), fileRow(added)}));
    // The chosen file itself: the book dialogs open their chooser in its folder.
    QCOMPARE(Settings().value(Settings::LastSelectDir).toString(), QFileInfo(added).absoluteFilePath());
    // View still opens the main file.
    click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(capture)});
    QCOMPARE(storedFilePaths(iid), QStringList{capture});

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(storedFilePaths(iid), QStringList({capture, added}));
    QCOMPARE(textRows(QStringLiteral("SELECT fileName, fileSize, fileMd5 FROM files WHERE filePath = '%1'").arg(added)),
             QList<QStringList>({fileRow(added).mid(0, 3)}));

    // A page without files can open the first one added.
    const int empty = storePage(QString(), {});
    WebPageProperties next(nullptr, empty);
    open(next);
    QVERIFY(!child<QPushButton>(next, "btnOpenFile")->isEnabled());
    showTab(next, 1);
    const auto first = chooseFile(answers.get(), added);
    click(next, "btnAddFile");
    QVERIFY(first->shown);
    QVERIFY(child<QPushButton>(next, "btnOpenFile")->isEnabled());
    click(next, "btnOpenFile");
    QCOMPARE(recorder->opened.last(), QUrl::fromLocalFile(added));
}

void TestWebPageProperties::removedFileLeavesThePageOnSave()
{
    const int iid = storePage(QString(), {"capture.pdf", "extra.epub"});
    const QString capture = environment.home() + QStringLiteral("/pages/capture.pdf");
    const QString extra = environment.home() + QStringLiteral("/pages/extra.epub");
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    showTab(dialog, 1);

    // Nothing selected, nothing removed.
    click(dialog, "btnRemoveFile");
    QCOMPARE(fileRows(dialog).size(), 2);

    clickFileRow(dialog, 0);
    click(dialog, "btnRemoveFile");
    QCOMPARE(fileRows(dialog), QList<QStringList>{fileRow(extra)});
    // Until the save the row stays.
    QCOMPARE(storedFilePaths(iid), QStringList({capture, extra}));
    click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(extra)});

    clickFileRow(dialog, 0);
    click(dialog, "btnRemoveFile");
    QCOMPARE(fileRows(dialog), QList<QStringList>());
    QVERIFY(!child<QPushButton>(dialog, "btnOpenFile")->isEnabled());

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(storedFilePaths(iid), QStringList());
    QCOMPARE(pageRow(iid).size(), 1);
    // The files themselves stay on disk.
    QCOMPARE(readFile(capture), QByteArray("%PDF-1.4 capture.pdf"));
    QCOMPARE(readFile(extra), QByteArray("%PDF-1.4 extra.epub"));
}

void TestWebPageProperties::deleteAsksAndEndsTheDialog()
{
    const int iid = storePage(QStringLiteral("Still here."), {"page.pdf"});
    const QString question = QStringLiteral("You have requested to delete one or more items.");
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    retype(dialog, "bookTitle", QStringLiteral("Edited Before Delete"));

    const auto refused = answerBox(answers.get(), QMessageBox::No);
    click(dialog, "btnDelete");
    QVERIFY(refused->shown);
    QCOMPARE(refused->text, question);
    QCOMPARE(refused->icon, QMessageBox::Question);
    QVERIFY(dialog.isVisible());

    const auto confirmed = answerBox(answers.get(), QMessageBox::Yes);
    QCOMPARE(closeWith(dialog, "btnDelete"), int(WebPageProperties::Deleted));
    QVERIFY(confirmed->shown);
    QCOMPARE(confirmed->text, question);
    // The caller deletes; the dialog neither deletes nor saves.
    QCOMPARE(pageRow(iid), QList<QStringList>({{"Stored Page", "Still here.", "0"}}));
    QCOMPARE(storedFilePaths(iid).size(), 1);
}

void TestWebPageProperties::cancelStoresNothing()
{
    const int iid = storePage(QStringLiteral("Before."), {"capture.pdf", "extra.epub"}, 1);
    const QList<QStringList> before = pageRow(iid);
    const QStringList filesBefore = storedFilePaths(iid);
    const QString added = library->writeFile(QStringLiteral("downloads/more.pdf"), "%PDF-1.4 more");
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    retype(dialog, "bookTitle", QStringLiteral("Changed Title"));
    retype(dialog, "bookDescription", QStringLiteral("Changed description."));
    click(dialog, "btnRating4");
    showTab(dialog, 1);
    clickFileRow(dialog, 0);
    click(dialog, "btnRemoveFile");
    const auto chosen = chooseFile(answers.get(), added);
    click(dialog, "btnAddFile");
    QVERIFY(chosen->shown);
    QCOMPARE(fileRows(dialog).size(), 2);

    QCOMPARE(closeWith(dialog, "btnCancel"), int(QDialog::Rejected));
    QCOMPARE(pageRow(iid), before);
    QCOMPARE(before, QList<QStringList>({{"Stored Page", "Before.", "1"}}));
    QCOMPARE(storedFilePaths(iid), filesBefore);
}

void TestWebPageProperties::failedSaveKeepsTheDialogOpen()
{
    const int iid = storePage(QStringLiteral("Before."), {"page.pdf"});
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    retype(dialog, "bookTitle", QStringLiteral("Refused At First"));

    QVERIFY(TestLibrary::exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON webpages BEGIN SELECT "
                                             "RAISE(ABORT, 'refused by the test'); END")));
    const auto error = answerBox(answers.get(), QMessageBox::Ok);
    click(dialog, "btnSave");
    QVERIFY(error->shown);
    QCOMPARE(error->icon, QMessageBox::Critical);
    QVERIFY(error->text != MissingTitle);
    QVERIFY(dialog.isVisible());
    QCOMPARE(textRows(QStringLiteral("SELECT title FROM webpages WHERE iid = %1").arg(iid)),
             QList<QStringList>({{QStringLiteral("Stored Page")}}));

    QVERIFY(TestLibrary::exec(QStringLiteral("DROP TRIGGER refuse")));
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(textRows(QStringLiteral("SELECT title FROM webpages WHERE iid = %1").arg(iid)),
             QList<QStringList>({{QStringLiteral("Refused At First")}}));
}

SHELVIO_TEST_MAIN(TestWebPageProperties)

#include "tst_webpageproperties.moc"
