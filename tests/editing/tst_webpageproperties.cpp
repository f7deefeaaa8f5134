#include "core/settings.h"
#include "editing/webpageproperties.h"
#include "model/filelist.h"
#include "model/webpage.h"
#include "tests/support/dialogtesting.h"
#include "tests/support/filetesting.h"
#include "tests/support/libraryrows.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/urlrecorder.h"

#include <QApplication>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace {

const QString DefaultCover = QStringLiteral(":/icons/images/book.png");
const QString AddFileFilter = QStringLiteral("Book Files (*.pdf *.chm *.epub *.mobi)");
const QString MissingTitle = QStringLiteral("You must enter a book title.");

// exec() never returns this by itself.
constexpr int NotEnded = -100;
// Event loop rounds an answer waits for its window; a window that never comes fails the test instead of hanging it.
constexpr int AnswerRounds = 200;

QList<QStringList> pageRow(int iid)
{
    return LibraryRows::asText(QStringLiteral("SELECT w.title, w.description, i.rating FROM webpages w JOIN items i ON "
                                              "i.iid = w.iid WHERE w.iid = %1")
                                   .arg(iid));
}

QStringList storedFilePaths(int iid)
{
    QStringList paths;
    const QList<QStringList> rows
        = LibraryRows::asText(QStringLiteral("SELECT filePath FROM files WHERE iid = %1 ORDER BY fid").arg(iid));
    for (const QStringList &row : rows)
        paths.append(row.value(0));
    return paths;
}

QString titleShown(const QWidget &dialog)
{
    return DialogTesting::child<QLineEdit>(dialog, "bookTitle")->text();
}

QString descriptionShown(const QWidget &dialog)
{
    return DialogTesting::child<QTextEdit>(dialog, "bookDescription")->toPlainText();
}

QStringList fileRow(const QString &path)
{
    const QByteArray content = FileTesting::readFile(path);
    return {QFileInfo(path).fileName(), QString::number(content.size()), FileTesting::md5Of(content), path};
}

QString labelOf(const QWidget &dialog, const char *field)
{
    const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (label->buddy() == DialogTesting::child<QWidget>(dialog, field))
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
    return answerNext<QMessageBox>(context, [button](QMessageBox *box) { DialogTesting::press(box, button); });
}

std::shared_ptr<SeenWindow> chooseFile(QObject *context, const QString &path)
{
    return answerNext<QFileDialog>(context, [path](QFileDialog *dialog) { DialogTesting::chooseFile(dialog, path); });
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
        DialogTesting::click(dialog, button);
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
    void addressDateAndReadingAreKept();
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
    DialogTesting::closeModalWindows();
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
        page.setCoverFile(
            library->writeFile(QStringLiteral("captures/thumbnail.png"), FileTesting::pngImage(Qt::darkCyan)));
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
    const QTabWidget *tabs = DialogTesting::child<QTabWidget>(dialog, "tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("General"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Files"));
    QCOMPARE(labelOf(dialog, "bookTitle"), QStringLiteral("&Title:"));
    QCOMPARE(labelOf(dialog, "bookPublisher"), QStringLiteral("URL"));
    QCOMPARE(labelOf(dialog, "dateTimeEdit"), QStringLiteral("Date"));
    QCOMPARE(labelOf(dialog, "bookPages"), QStringLiteral("&Pages"));
    QCOMPARE(labelOf(dialog, "btnBookCover"), QStringLiteral("Preview"));
    QVERIFY(DialogTesting::child<QDateTimeEdit>(dialog, "dateTimeEdit"));
    const auto *read = DialogTesting::child<QGroupBox>(dialog, "groupBox_3");
    QCOMPARE(read->title(), QStringLiteral("&Read it?"));
    QVERIFY(read->isCheckable());
    QCOMPARE(DialogTesting::child<QDateEdit>(dialog, "field_book_read_2")->displayFormat(),
             QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->text(), QStringLiteral("View"));
    QCOMPARE(DialogTesting::child<QPushButton>(dialog, "btnAddFile")->text(), QStringLiteral("Add File"));
    QCOMPARE(DialogTesting::child<QPushButton>(dialog, "btnRemoveFile")->text(), QStringLiteral("Remove"));
    QCOMPARE(DialogTesting::child<QPushButton>(dialog, "btnCancel")->text(), QStringLiteral("&Cancel"));
    QCOMPARE(DialogTesting::child<QPushButton>(dialog, "btnSave")->text(), QStringLiteral("&Save"));
    const auto *remove = DialogTesting::child<QPushButton>(dialog, "btnDelete");
    QCOMPARE(remove->text(), QStringLiteral("&Delete"));
    QCOMPARE(remove->toolTip(), QStringLiteral("Delete this book from the library."));
    QVERIFY(remove->isEnabled());
    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnRating0"));
    const auto *table = DialogTesting::child<QTableWidget>(dialog, "fileTable");
    QStringList headers;
    for (int column = 0; column < table->columnCount(); ++column)
        headers.append(table->horizontalHeaderItem(column)->text());
    QCOMPARE(headers, QStringList({"Name", "Size", "MD5", "Path"}));

    QCOMPARE(titleShown(dialog), QStringLiteral("Stored Page"));
    QCOMPARE(descriptionShown(dialog), QStringLiteral("Notes on the page.\nSecond line."));
    QCOMPARE(DialogTesting::child<QLineEdit>(dialog, "bookPublisher")->text(),
             QStringLiteral("https://example.org/stored"));
    // The capture is no PDF that can be read, so it has no pages to count.
    QCOMPARE(DialogTesting::child<QLineEdit>(dialog, "bookPages")->text(), QString());
    QCOMPARE(DialogTesting::stars(dialog), QStringLiteral("-----"));
    const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    QVERIFY(QFileInfo::exists(cover));
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, cover));
    QVERIFY(DialogTesting::coverShown(dialog) != DialogTesting::coverFrom(dialog, DefaultCover));
    QCOMPARE(dialog.getWebPage()->getCoverFile(), cover);

    DialogTesting::showTab(dialog, 1);
    QCOMPARE(DialogTesting::fileRows(dialog), QList<QStringList>({fileRow(capture), fileRow(extra)}));
    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->isEnabled());
    DialogTesting::click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(capture)});

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(pageRow(iid), QList<QStringList>({{"Stored Page", "Notes on the page.\nSecond line.", "0"}}));
    QCOMPARE(storedFilePaths(iid), QStringList({capture, extra}));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT url FROM webpages")),
             QList<QStringList>({{QStringLiteral("https://example.org/stored")}}));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT coverFile FROM items")), QList<QStringList>({{cover}}));
}

void TestWebPageProperties::addressDateAndReadingAreKept()
{
    const int iid = storePage(QString(), {}, 0, false);
    const QDateTime captured(QDate(2026, 3, 1), QTime(9, 30));
    {
        WebPageProperties dialog(nullptr, iid);
        open(dialog);
        DialogTesting::retype(dialog, "bookPublisher", QStringLiteral("https://example.org/moved"));
        DialogTesting::child<QDateTimeEdit>(dialog, "dateTimeEdit")->setDateTime(captured);
        DialogTesting::child<QGroupBox>(dialog, "groupBox_3")->setChecked(true);
        DialogTesting::child<QDateEdit>(dialog, "field_book_read_2")->setDate(QDate(2026, 3, 14));
        QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    }
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    QCOMPARE(DialogTesting::child<QLineEdit>(dialog, "bookPublisher")->text(), QStringLiteral("https://example.org/moved"));
    QCOMPARE(DialogTesting::child<QDateTimeEdit>(dialog, "dateTimeEdit")->dateTime(), captured);
    QVERIFY(DialogTesting::child<QGroupBox>(dialog, "groupBox_3")->isChecked());
    QCOMPARE(DialogTesting::child<QDateEdit>(dialog, "field_book_read_2")->date(), QDate(2026, 3, 14));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT url, created FROM webpages")),
             QList<QStringList>({{QStringLiteral("https://example.org/moved"),
                                  QString::number(captured.toSecsSinceEpoch())}}));
}

void TestWebPageProperties::pageWithoutFilesOrCover()
{
    const int iid = storePage(QString(), {});
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, DefaultCover));
    QCOMPARE(DialogTesting::fileRows(dialog), QList<QStringList>());
    QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->isEnabled());
    DialogTesting::click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>());
}

void TestWebPageProperties::markupInTheDescriptionIsText()
{
    const QString stored = QStringLiteral("<b>Bold</b> &amp; <i>tags</i>\n<p>kept as typed</p>");
    const int iid = storePage(stored, {"page.pdf"});
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    QCOMPARE(descriptionShown(dialog), stored);

    auto *description = DialogTesting::child<QTextEdit>(dialog, "bookDescription");
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
    DialogTesting::retype(dialog, "bookTitle", QString());
    DialogTesting::retype(dialog, "bookDescription", QStringLiteral("Not stored."));
    DialogTesting::click(dialog, "btnRating5");

    const auto warning = answerBox(answers.get(), QMessageBox::Ok);
    DialogTesting::click(dialog, "btnSave");
    QVERIFY(warning->shown);
    QCOMPARE(warning->title, QStringLiteral("Error"));
    QCOMPARE(warning->text, MissingTitle);
    QCOMPARE(warning->icon, QMessageBox::Warning);
    QVERIFY(!warning->hasParent);
    QVERIFY(dialog.isVisible());
    QCOMPARE(pageRow(iid), QList<QStringList>({{"Stored Page", "Kept.", "2"}}));

    // A title typed after the warning is saved with everything else.
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookTitle"), QStringLiteral("Given Later"));
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
        DialogTesting::click(dialog, qPrintable(button));
    QCOMPARE(DialogTesting::stars(dialog), shown);
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT rating FROM items WHERE iid = %1").arg(iid)),
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
    DialogTesting::showTab(dialog, 1);
    const auto cancelled = cancelFileDialog(answers.get());
    DialogTesting::click(dialog, "btnAddFile");
    QVERIFY(cancelled->shown);
    QCOMPARE(cancelled->title, QStringLiteral("Select Book"));
    QCOMPARE(cancelled->filters, QStringList{AddFileFilter});
    QVERIFY(FileTesting::canonical(cancelled->directory) != FileTesting::canonical(lastFolder));
    QCOMPARE(DialogTesting::fileRows(dialog).size(), 1);
    QCOMPARE(Settings().value(Settings::LastSelectDir).toString(), lastFolder);

    const auto chosen = chooseFile(answers.get(), added);
    DialogTesting::click(dialog, "btnAddFile");
    QVERIFY(chosen->shown);
    QCOMPARE(DialogTesting::fileRows(dialog), QList<QStringList>({fileRow(capture), fileRow(added)}));
    // The chosen file itself: the book dialogs open their chooser in its folder.
    QCOMPARE(Settings().value(Settings::LastSelectDir).toString(), QFileInfo(added).absoluteFilePath());
    // View still opens the main file.
    DialogTesting::click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(capture)});
    QCOMPARE(storedFilePaths(iid), QStringList{capture});

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(storedFilePaths(iid), QStringList({capture, added}));
    QCOMPARE(LibraryRows::asText(
                 QStringLiteral("SELECT fileName, fileSize, fileMd5 FROM files WHERE filePath = '%1'").arg(added)),
             QList<QStringList>({fileRow(added).mid(0, 3)}));

    // A page without files can open the first one added.
    const int empty = storePage(QString(), {});
    WebPageProperties next(nullptr, empty);
    open(next);
    QVERIFY(!DialogTesting::child<QPushButton>(next, "btnOpenFile")->isEnabled());
    DialogTesting::showTab(next, 1);
    const auto first = chooseFile(answers.get(), added);
    DialogTesting::click(next, "btnAddFile");
    QVERIFY(first->shown);
    QVERIFY(DialogTesting::child<QPushButton>(next, "btnOpenFile")->isEnabled());
    DialogTesting::click(next, "btnOpenFile");
    QCOMPARE(recorder->opened.last(), QUrl::fromLocalFile(added));
}

void TestWebPageProperties::removedFileLeavesThePageOnSave()
{
    const int iid = storePage(QString(), {"capture.pdf", "extra.epub"});
    const QString capture = environment.home() + QStringLiteral("/pages/capture.pdf");
    const QString extra = environment.home() + QStringLiteral("/pages/extra.epub");
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    DialogTesting::showTab(dialog, 1);

    // Nothing selected, nothing removed.
    DialogTesting::click(dialog, "btnRemoveFile");
    QCOMPARE(DialogTesting::fileRows(dialog).size(), 2);

    DialogTesting::clickFileRow(dialog, 0);
    DialogTesting::click(dialog, "btnRemoveFile");
    QCOMPARE(DialogTesting::fileRows(dialog), QList<QStringList>{fileRow(extra)});
    // Until the save the row stays.
    QCOMPARE(storedFilePaths(iid), QStringList({capture, extra}));
    DialogTesting::click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(extra)});

    DialogTesting::clickFileRow(dialog, 0);
    DialogTesting::click(dialog, "btnRemoveFile");
    QCOMPARE(DialogTesting::fileRows(dialog), QList<QStringList>());
    QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->isEnabled());

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(storedFilePaths(iid), QStringList());
    QCOMPARE(pageRow(iid).size(), 1);
    // The files themselves stay on disk.
    QCOMPARE(FileTesting::readFile(capture), QByteArray("%PDF-1.4 capture.pdf"));
    QCOMPARE(FileTesting::readFile(extra), QByteArray("%PDF-1.4 extra.epub"));
}

void TestWebPageProperties::deleteAsksAndEndsTheDialog()
{
    const int iid = storePage(QStringLiteral("Still here."), {"page.pdf"});
    const QString question = QStringLiteral("You have requested to delete one or more items.");
    WebPageProperties dialog(nullptr, iid);
    open(dialog);
    DialogTesting::retype(dialog, "bookTitle", QStringLiteral("Edited Before Delete"));

    const auto refused = answerBox(answers.get(), QMessageBox::No);
    DialogTesting::click(dialog, "btnDelete");
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
    DialogTesting::retype(dialog, "bookTitle", QStringLiteral("Changed Title"));
    DialogTesting::retype(dialog, "bookDescription", QStringLiteral("Changed description."));
    DialogTesting::click(dialog, "btnRating4");
    DialogTesting::showTab(dialog, 1);
    DialogTesting::clickFileRow(dialog, 0);
    DialogTesting::click(dialog, "btnRemoveFile");
    const auto chosen = chooseFile(answers.get(), added);
    DialogTesting::click(dialog, "btnAddFile");
    QVERIFY(chosen->shown);
    QCOMPARE(DialogTesting::fileRows(dialog).size(), 2);

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
    DialogTesting::retype(dialog, "bookTitle", QStringLiteral("Refused At First"));

    QVERIFY(TestLibrary::exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON webpages BEGIN SELECT "
                                             "RAISE(ABORT, 'refused by the test'); END")));
    const auto error = answerBox(answers.get(), QMessageBox::Ok);
    DialogTesting::click(dialog, "btnSave");
    QVERIFY(error->shown);
    QCOMPARE(error->icon, QMessageBox::Critical);
    QVERIFY(error->text != MissingTitle);
    QVERIFY(dialog.isVisible());
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title FROM webpages WHERE iid = %1").arg(iid)),
             QList<QStringList>({{QStringLiteral("Stored Page")}}));

    QVERIFY(TestLibrary::exec(QStringLiteral("DROP TRIGGER refuse")));
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title FROM webpages WHERE iid = %1").arg(iid)),
             QList<QStringList>({{QStringLiteral("Refused At First")}}));
}

SHELVIO_TEST_MAIN(TestWebPageProperties)

#include "tst_webpageproperties.moc"
