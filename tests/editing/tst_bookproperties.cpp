#include "core/settings.h"
#include "editing/bookproperties.h"
#include "editing/languagecombobox.h"
#include "metadata/bookselection.h"
#include "model/author.h"
#include "model/authors.h"
#include "model/book.h"
#include "model/filelist.h"
#include "tests/support/dialogtesting.h"
#include "tests/support/epubbuilder.h"
#include "tests/support/filetesting.h"
#include "tests/support/fixtures.h"
#include "tests/support/httptestserver.h"
#include "tests/support/libraryrows.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/testpdf.h"
#include "tests/support/urlrecorder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(HttpTestServer::Reply)

namespace {

constexpr int ReplyTimeout = 30000;
// Long enough for an unwanted box or a late form fill to follow a reply from the local server.
constexpr int SettleTime = 300;
// exec() never returns this by itself.
constexpr int TimedOut = -100;

const QString VolumesPath = QStringLiteral("/books/v1/volumes");
const QString FullVolumePath = VolumesPath + QStringLiteral("/zyTCAlFPjgYC");
const QString MinimalVolumePath = VolumesPath + QStringLiteral("/8U2oAAAAQBAJ");
const QString CoverPath = QStringLiteral("/books/content");

const QString NoCover = QStringLiteral(":/images/images/no_cover.png");
const QString DefaultCover = QStringLiteral(":/icons/images/book.png");

const QString BookFilter = QStringLiteral("Book Files (*.txt *.epub *.mobi *.pdf *.chm)");
const QString AddFileFilter = QStringLiteral("Book Files (*.pdf *.chm *.epub *.mobi)");
const QString ImageFilter = QStringLiteral("Image Files (*.jpg *.png *.gif)");

// What volume-full.json describes, as the form and the library should show it.
const QString FullTitle = QStringLiteral("The Google Story");
const QString FullPublisher = QStringLiteral("Random House Publishing Group");
const QString FullDate = QStringLiteral("2005-11-15");
const QString FullIsbn10 = QStringLiteral("055380457X");
const QString FullIsbn13 = QStringLiteral("9780553804577");
const QString FullPages = QStringLiteral("207");
const QStringList FullAuthors{QStringLiteral("David A. Vise"), QStringLiteral("Mark Malseed")};
// The service's averageRating of 3.5, rounded to an integer.
constexpr int FullRating = 4;

int countOf(const QString &table)
{
    return TestLibrary::rows(QStringLiteral("SELECT count(*) FROM %1").arg(table)).value(0).value(0).toInt();
}

// The author names linked to the item, in the order of the links.
QStringList authorsOf(int iid)
{
    QStringList names;
    const QList<QStringList> rows
        = LibraryRows::asText(QStringLiteral("SELECT a.name FROM items_authors l JOIN authors a ON "
                                             "a.aid = l.aid WHERE l.iid = %1 ORDER BY l.rowid")
                                  .arg(iid));
    for (const QStringList &row : rows)
        names.append(row.value(0));
    return names;
}

QString text(const QWidget &dialog, const char *lineEdit)
{
    return DialogTesting::child<QLineEdit>(dialog, lineEdit)->text();
}

// Types lines into the description, pressing Return between them.
// Whether the search lists a volume in that row, rather than saying what it is doing.
bool volumeAt(const QTableWidget &table, int row)
{
    const QTableWidgetItem *title = table.item(row, 0);
    return title && !title->data(BookSelection::VolumeUrlRole).toString().isEmpty();
}

void typeLines(const QWidget &dialog, const QStringList &lines)
{
    auto *description = DialogTesting::child<QTextEdit>(dialog, "bookDescription");
    DialogTesting::retype(description, QString());
    for (int index = 0; index < lines.size(); ++index) {
        if (index > 0)
            QTest::keyClick(description, Qt::Key_Return);
        QTest::keyClicks(description, lines.at(index));
    }
}

QStringList authorEntries(const QWidget &dialog)
{
    const auto *list = DialogTesting::child<QListWidget>(dialog, "bookAuthors");
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names.append(list->item(row)->text());
    return names;
}

// "Add" under the author list, then the name typed into the entry it opens and confirmed with Return.
void addAuthor(const QWidget &dialog, const QString &name)
{
    DialogTesting::click(dialog, "btnBookAdd");
    auto *list = DialogTesting::child<QListWidget>(dialog, "bookAuthors");
    auto *editor = qobject_cast<QLineEdit *>(list->indexWidget(list->currentIndex()));
    QVERIFY2(editor, "the new author entry is not open for editing");
    QTest::keyClicks(editor, name);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view takes the text and closes the editor a moment later.
    QTRY_VERIFY(!list->indexWidget(list->currentIndex()));
    QCOMPARE(list->currentItem()->text(), name);
}

void removeAuthor(const QWidget &dialog, const QString &name)
{
    auto *list = DialogTesting::child<QListWidget>(dialog, "bookAuthors");
    const QList<QListWidgetItem *> found = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
    DialogTesting::click(dialog, "btnBookRemove");
}

QTableWidget *fileTableOf(const QWidget &dialog)
{
    return DialogTesting::child<QTableWidget>(dialog, "fileTable");
}

// Everything the user typed or chose, as the form shows it.
QStringList formTexts(const QWidget &dialog)
{
    return {text(dialog, "bookTitle"),
            text(dialog, "bookISBN10"),
            text(dialog, "bookISBN13"),
            text(dialog, "bookPublisher"),
            text(dialog, "bookPublishedYear"),
            text(dialog, "bookPages"),
            DialogTesting::child<QTextEdit>(dialog, "bookDescription")->toPlainText(),
            authorEntries(dialog).join(u'|'),
            DialogTesting::stars(dialog)};
}

// Counts the debug lines that carry one text, for as long as it lives.
class DebugLineCounter
{
public:
    explicit DebugLineCounter(const QString &line)
        : line(line)
    {
        active = this;
        previous = qInstallMessageHandler(&DebugLineCounter::handle);
    }
    ~DebugLineCounter()
    {
        qInstallMessageHandler(previous);
        active = nullptr;
    }

    int count = 0;

private:
    Q_DISABLE_COPY_MOVE(DebugLineCounter)

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtDebugMsg && active && message.contains(active->line))
            ++active->count;
        if (active && active->previous)
            active->previous(type, context, message);
    }

    static inline DebugLineCounter *active = nullptr;
    QString line;
    QtMessageHandler previous = nullptr;
};

struct SeenBox
{
    QString title;
    QString text;
    QString informativeText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool noIsDefault = false;
};

struct SeenFileDialog
{
    QString title;
    QStringList filters;
    QString directory;
};

struct SeenSearch
{
    QString keywords;
    QString isbn;
    QString filePath;
    QString skipText;
    bool skipAllShown = true;
    QString chosenTitle;
};

// Plays the user in front of the windows that open over the properties dialog: each expected window is
// answered in turn; a message box nobody expected is noted and closed, and any other window left waiting
// too long is closed as well, so a test fails instead of hanging.
class ModalDriver
{
public:
    ModalDriver()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start();
    }

    void chooseFile(const QString &path)
    {
        expect<QFileDialog>([path](QFileDialog *dialog) { DialogTesting::chooseFile(dialog, path); });
    }

    void cancelFileDialog()
    {
        expect<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
    }

    // The box whose title or text is `titleOrText`, answered with `button`.
    void answerBox(const QString &titleOrText, QMessageBox::StandardButton button = QMessageBox::Ok)
    {
        steps.append({[titleOrText](QWidget *widget) {
                          const auto *box = qobject_cast<QMessageBox *>(widget);
                          return box && (box->windowTitle() == titleOrText || box->text() == titleOrText);
                      },
                      [button](QWidget *widget) { DialogTesting::press(static_cast<QMessageBox *>(widget), button); }});
    }

    // Waits for the search to list its volumes, clicks the row and then "Save".
    void pickSearchRow(int row)
    {
        steps.append({[row](QWidget *widget) {
                          const auto *selection = qobject_cast<BookSelection *>(widget);
                          return selection
                              && volumeAt(*DialogTesting::child<QTableWidget>(*selection, "tableWidget"), row);
                      },
                      [this, row](QWidget *widget) {
                          auto *selection = static_cast<BookSelection *>(widget);
                          QTableWidget *table = DialogTesting::child<QTableWidget>(*selection, "tableWidget");
                          noteSearch(*selection).chosenTitle = table->item(row, 0)->text();
                          QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                                            table->visualItemRect(table->item(row, 0)).center());
                          DialogTesting::click(*selection, "btnSave");
                      }});
    }

    // Leaves the search dialog with its skip button, which reads "Cancel" here.
    void cancelSearch()
    {
        expect<BookSelection>([this](BookSelection *selection) {
            noteSearch(*selection);
            DialogTesting::click(*selection, "btnSkip");
        });
    }

    bool waitUntilDone() const
    {
        return QTest::qWaitFor([this] { return steps.isEmpty() && !handling; }, ReplyTimeout);
    }
    int pendingSteps() const { return static_cast<int>(steps.size()); }

    QStringList boxTitles() const
    {
        QStringList titles;
        for (const SeenBox &box : boxes)
            titles.append(box.title);
        return titles;
    }

    QList<SeenBox> boxes;
    QList<SeenFileDialog> fileDialogs;
    QList<SeenSearch> searches;
    QStringList unexpected;

private:
    struct Step
    {
        std::function<bool(QWidget *)> ready;
        std::function<void(QWidget *)> act;
    };

    template<typename Window>
    void expect(const std::function<void(Window *)> &act)
    {
        steps.append({[](QWidget *widget) { return qobject_cast<Window *>(widget) != nullptr; },
                      [act](QWidget *widget) { act(static_cast<Window *>(widget)); }});
    }

    SeenSearch &noteSearch(const BookSelection &selection)
    {
        searches.append({text(selection, "keywords"), text(selection, "isbn"), text(selection, "filePath"),
                         DialogTesting::child<QPushButton>(selection, "btnSkip")->text(),
                         !DialogTesting::child<QPushButton>(selection, "btnSkipAll")->isHidden(), QString()});
        return searches.last();
    }

    void note(QWidget *widget)
    {
        if (auto *box = qobject_cast<QMessageBox *>(widget)) {
            const QAbstractButton *no = box->button(QMessageBox::No);
            boxes.append({box->windowTitle(), box->text(), box->informativeText(), box->icon(),
                          no && box->defaultButton() == no});
        } else if (auto *files = qobject_cast<QFileDialog *>(widget)) {
            fileDialogs.append({files->windowTitle(), files->nameFilters(), files->directory().absolutePath()});
        }
    }

    void tick()
    {
        QWidget *widget = QApplication::activeModalWidget();
        if (handling || !widget || !widget->isVisible() || qobject_cast<BookProperties *>(widget))
            return;
        if (widget != waitingOn) {
            waitingOn = widget;
            waitingSince.start();
        }
        handling = true;
        if (!steps.isEmpty() && steps.first().ready(widget)) {
            const Step step = steps.takeFirst();
            note(widget);
            step.act(widget);
        } else if (qobject_cast<QMessageBox *>(widget) || waitingSince.elapsed() > ReplyTimeout / 2) {
            note(widget);
            unexpected.append(
                QStringLiteral("%1 \"%2\"").arg(widget->metaObject()->className(), widget->windowTitle()));
            widget->close();
        }
        handling = false;
    }

    QTimer timer;
    QList<Step> steps;
    bool handling = false;
    QPointer<QWidget> waitingOn;
    QElapsedTimer waitingSince;
};

// Ends the dialog as exec() runs it, by a click on `button`; TimedOut when the click did not end it.
int closeWith(BookProperties &dialog, const char *button)
{
    dialog.hide();
    QTimer::singleShot(0, &dialog, [&dialog, button] { DialogTesting::click(dialog, button); });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, &dialog, [&dialog] { dialog.done(TimedOut); });
    safety.start(ReplyTimeout);
    return dialog.exec();
}

} // namespace

class TestBookProperties : public QObject
{
    Q_OBJECT

public:
    explicit TestBookProperties(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void selectFileStartsABook_data();
    void selectFileStartsABook();
    void resetStartsAgain();
    void chosenFileProposesWhatItSaysOfItself();
    void titleLookupFillsTheFormAndIsSaved();
    void isbnLookupTakesTheOnlyMatch_data();
    void isbnLookupTakesTheOnlyMatch();
    void searchWithoutMatchLeavesTheForm();
    void lookupNeedsATitleOrAnIsbn();
    void secondLookupFillsTheFormOnce();
    void failedLookupLeavesTheForm_data();
    void failedLookupLeavesTheForm();
    void failedSearchIsReported_data();
    void failedSearchIsReported();
    void saveNeedsATitle();
    void failedSaveKeepsTheDialogOpen_data();
    void failedSaveKeepsTheDialogOpen();
    void failedEditSaysWhatWasNotStored();
    void cancelStoresNothing();
    void waitingLookupCanBeCancelled();
    void storedBookIsLoadedAndEdited();
    void languageOwnershipReadingAndLabelsAreKept();
    void plainDescriptionSurvivesAnEdit();
    void authorsAreStoredOnceAndNeverBlank();
    void ratingButtonsShowAndStoreTheRating_data();
    void ratingButtonsShowAndStoreTheRating();
    void coverButtonTakesACopyOfTheImage();
    void coverButtonRefusesWhatIsNoImage();
    void removedFileLeavesTheBookOnSave();
    void deleteAsksAndEndsTheDialog();

private:
    QByteArray fixture(const QString &name) const;
    void serveGoogleBooks();
    // A stored book with every field, two authors, one file and a cover; returns its item id.
    int storeBook(const QString &description = QStringLiteral("A story about a search engine."));
    // A new dialog with the title typed and, when given, the file chosen with "Add File" on the Files tab.
    void startBook(BookProperties &dialog, ModalDriver &driver, const QString &title, const QString &file = {});
    static int storedIid();

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<HttpTestServer> server;
    std::unique_ptr<UrlRecorder> recorder;
};

void TestBookProperties::init()
{
    library = std::make_unique<TestLibrary>(environment);
    server = std::make_unique<HttpTestServer>();
    QVERIFY(server->listen());
    qputenv("SHELVIO_BOOKS_API", server->url(VolumesPath).toString().toUtf8());
    recorder = std::make_unique<UrlRecorder>();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), recorder.get(), "open");
}

void TestBookProperties::cleanup()
{
    DialogTesting::closeModalWindows();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    recorder.reset();
    qunsetenv("SHELVIO_BOOKS_API");
    server.reset();
    library.reset();
}

QByteArray TestBookProperties::fixture(const QString &name) const
{
    QFile file(Fixtures::path(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot read fixture %s", qPrintable(name));
    return file.readAll().replace("{{BASE}}", server->url().toString(QUrl::StripTrailingSlash).toUtf8());
}

void TestBookProperties::serveGoogleBooks()
{
    server->setReply(VolumesPath, HttpTestServer::Reply::json(fixture(QStringLiteral("search-several.json"))));
    server->setReply(FullVolumePath, HttpTestServer::Reply::json(fixture(QStringLiteral("volume-full.json"))));
    server->setReply(MinimalVolumePath, HttpTestServer::Reply::json(fixture(QStringLiteral("volume-minimal.json"))));
    server->setReply(CoverPath, HttpTestServer::Reply::file(Fixtures::path(QStringLiteral("cover.jpg")), "image/jpeg"));
}

int TestBookProperties::storeBook(const QString &description)
{
    Book book(nullptr, -1);
    book.setTitle(QStringLiteral("Stored Title"));
    book.setIsbn10(QStringLiteral("0000000001"));
    book.setIsbn13(QStringLiteral("9780000000002"));
    book.setPublisher(QStringLiteral("Stored Publisher"));
    book.setDatePublished(QStringLiteral("1999-09-09"));
    book.setPageCount(QStringLiteral("99"));
    book.setDescription(description);
    book.setRating(2);
    book.addAuthor(QStringLiteral("Ursula K. Le Guin"));
    book.addAuthor(QStringLiteral("Harold Bloom"));
    book.addFile(library->writeFile(QStringLiteral("books/stored.pdf"), "%PDF-1.4 the stored book"));
    book.setCoverFile(
        library->writeFile(QStringLiteral(".local/share/Shelvio/incoming.jpg"), FileTesting::pngImage(Qt::red)));
    if (!book.save())
        qFatal("The stored book could not be saved");
    return book.getIid();
}

void TestBookProperties::startBook(BookProperties &dialog, ModalDriver &driver, const QString &title,
                                   const QString &file)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookTitle"), title);
    if (file.isEmpty())
        return;
    DialogTesting::showTab(dialog, 1);
    driver.chooseFile(file);
    DialogTesting::click(dialog, "btnAddFile");
    QVERIFY(driver.waitUntilDone());
    DialogTesting::showTab(dialog, 0);
}

int TestBookProperties::storedIid()
{
    const QList<QVariantList> rows = TestLibrary::rows(QStringLiteral("SELECT iid FROM items"));
    return rows.size() == 1 ? rows.first().first().toInt() : -1;
}

void TestBookProperties::selectFileStartsABook_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("title");

    QTest::newRow("separators") << "My_Book-Title, Vol.2.pdf"
                                << "My Book Title Vol 2";
    QTest::newRow("letters outside ASCII") << "Café.epub"
                                           << "Caf";
    QTest::newRow("three spaces keep two") << "a - b.pdf"
                                           << "a  b";
    QTest::newRow("extension as written") << "NOTES.PDF"
                                          << "NOTES";
}

void TestBookProperties::selectFileStartsABook()
{
    QFETCH(QString, fileName);
    QFETCH(QString, title);

    const QByteArray content = "%PDF-1.4 " + fileName.toUtf8() + " with some pages";
    const QString path = library->writeFile(QStringLiteral("books/") + fileName, content);
    ModalDriver driver;
    {
        BookProperties dialog(nullptr, -1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnSelectFile")->isHidden());
        QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnReset")->isHidden());
        QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->isEnabled());
        // Typed before the file was chosen: the new book starts from the file alone.
        QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookTitle"), QStringLiteral("Typed Title"));
        QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookPublisher"), QStringLiteral("Typed Publisher"));
        addAuthor(dialog, QStringLiteral("Typed Author"));

        driver.chooseFile(path);
        DialogTesting::click(dialog, "btnSelectFile");
        QVERIFY(driver.waitUntilDone());
        QCOMPARE(driver.fileDialogs.size(), 1);
        QCOMPARE(driver.fileDialogs.first().title, QStringLiteral("Select Book"));
        QCOMPARE(driver.fileDialogs.first().filters, QStringList{BookFilter});
        QCOMPARE(FileTesting::canonical(driver.fileDialogs.first().directory),
                 FileTesting::canonical(QDir::homePath()));

        QCOMPARE(text(dialog, "bookTitle"), title);
        QCOMPARE(text(dialog, "bookPublisher"), QString());
        QCOMPARE(authorEntries(dialog), QStringList());
        QCOMPARE(DialogTesting::fileRows(dialog),
                 QList<QStringList>({{fileName, QString::number(content.size()), FileTesting::md5Of(content), path}}));
        QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->isEnabled());
        DialogTesting::click(dialog, "btnOpenFile");
        QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(path)});

        // A second chooser in the same dialog still starts where the dialog started.
        DialogTesting::showTab(dialog, 1);
        driver.cancelFileDialog();
        DialogTesting::click(dialog, "btnAddFile");
        QVERIFY(driver.waitUntilDone());
        QCOMPARE(FileTesting::canonical(driver.fileDialogs.last().directory), FileTesting::canonical(QDir::homePath()));
        QCOMPARE(driver.fileDialogs.last().filters, QStringList{AddFileFilter});
        QCOMPARE(fileTableOf(dialog)->rowCount(), 1);

        QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
        const int iid = dialog.getBook()->getIid();
        QCOMPARE(storedIid(), iid);
        QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT type, rating FROM items")),
                 QList<QStringList>({{QStringLiteral("Book"), QStringLiteral("0")}}));
        QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title, publisher, iid FROM books")),
                 QList<QStringList>({{title, QString(), QString::number(iid)}}));
        QCOMPARE(
            LibraryRows::asText(QStringLiteral("SELECT fileName, filePath, fileSize, fileMd5, fileExtension, iid FROM "
                                               "files")),
            QList<QStringList>({{fileName, path, QString::number(content.size()), FileTesting::md5Of(content),
                                 QFileInfo(fileName).suffix(), QString::number(iid)}}));
        QCOMPARE(countOf(QStringLiteral("items_authors")), 0);
        QCOMPARE(FileTesting::readFile(path), content);
    }
    QCOMPARE(driver.unexpected, QStringList());

    // The next dialog starts in the folder of the file chosen last.
    BookProperties next(nullptr, -1);
    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    driver.cancelFileDialog();
    DialogTesting::click(next, "btnSelectFile");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(FileTesting::canonical(driver.fileDialogs.last().directory),
             FileTesting::canonical(QFileInfo(path).absolutePath()));
    QCOMPARE(text(next, "bookTitle"), QString());
    QCOMPARE(fileTableOf(next)->rowCount(), 0);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::chosenFileProposesWhatItSaysOfItself()
{
    const QString garden = library->writeFile(QStringLiteral("books/garden-final.pdf"),
                                              Fixtures::read(QStringLiteral("calibre-garden.pdf")));
    const QString scanned = QFileInfo(garden).absolutePath() + QStringLiteral("/scan0001.pdf");
    QVERIFY(TestPdf::write(scanned, QString(), {QStringLiteral("Copyright page. ISBN 0-553-80457-X")}));
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    driver.chooseFile(scanned);
    DialogTesting::click(dialog, "btnSelectFile");
    QVERIFY(driver.waitUntilDone());
    QTRY_COMPARE(text(dialog, "bookISBN10"), QStringLiteral("055380457X"));
    QCOMPARE(text(dialog, "bookTitle"), QStringLiteral("scan0001"));

    driver.chooseFile(garden);
    DialogTesting::click(dialog, "btnSelectFile");
    QVERIFY(driver.waitUntilDone());
    QTRY_COMPARE(text(dialog, "bookTitle"), QStringLiteral("The Walled Garden"));
    QCOMPARE(authorEntries(dialog), QStringList{QStringLiteral("Mara Holt")});
    QCOMPARE(text(dialog, "bookISBN10"), QString());

    // Saved without a lookup, the book's cover is its first page.
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    const QImage cover(library->dataDir() + QString::number(dialog.getBook()->getIid()) + QStringLiteral(".jpg"));
    QCOMPARE(cover.height(), 300);

    // An EPUB's package fills the fields.
    const QString epub = QFileInfo(garden).absolutePath() + QStringLiteral("/book.epub");
    QVERIFY(EpubBuilder::describedBook(FileTesting::pngImage(Qt::red)).write(epub));
    BookProperties next(nullptr, -1);
    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    driver.chooseFile(epub);
    DialogTesting::click(next, "btnSelectFile");
    QVERIFY(driver.waitUntilDone());
    QTRY_COMPARE(text(next, "bookTitle"), QStringLiteral("The Dispossessed"));
    QCOMPARE(authorEntries(next), QStringList{QStringLiteral("Ursula K. Le Guin")});
    QCOMPARE(text(next, "bookISBN13"), QStringLiteral("9780306406157"));
    QCOMPARE(text(next, "bookPublisher"), QStringLiteral("Harper & Row"));
    QCOMPARE(text(next, "bookPublishedYear"), QStringLiteral("1974-05-01"));
    QCOMPARE(DialogTesting::child<QTextEdit>(next, "bookDescription")->toPlainText(),
             QStringLiteral("An ambiguous utopia."));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::resetStartsAgain()
{
    const QString path = library->writeFile(QStringLiteral("books/reset.pdf"), "%PDF-1.4 reset");
    const QString picture = library->writeFile(QStringLiteral("pictures/front.png"), FileTesting::pngImage(Qt::blue));
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("Before Reset"), path);
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookISBN10"), QStringLiteral("0000000001"));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookISBN13"), QStringLiteral("9780000000002"));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookPublisher"), QStringLiteral("Publisher"));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookPublishedYear"), QStringLiteral("2001"));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookPages"), QStringLiteral("12"));
    typeLines(dialog, {QStringLiteral("Some words.")});
    addAuthor(dialog, QStringLiteral("Someone Else"));
    DialogTesting::click(dialog, "btnRating3");
    driver.chooseFile(picture);
    DialogTesting::click(dialog, "btnBookCover");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, picture));

    DialogTesting::click(dialog, "btnReset");
    QCOMPARE(formTexts(dialog),
             QStringList({QString(), QString(), QString(), QString(), QString(), QString(), QString(), QString(),
                          QStringLiteral("+++--")}));
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, NoCover));
    QCOMPARE(fileTableOf(dialog)->rowCount(), 0);
    QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->isEnabled());

    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookTitle"), QStringLiteral("After Reset"));
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    const int iid = storedIid();
    QVERIFY(iid > 0);
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title, isbn10, isbn13, publisher, pageCount FROM books")),
             QList<QStringList>({{QStringLiteral("After Reset"), QString(), QString(), QString(), QString()}}));
    QCOMPARE(countOf(QStringLiteral("files")), 0);
    QCOMPARE(countOf(QStringLiteral("items_authors")), 0);
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT coverFile FROM items")), QList<QStringList>({{QString()}}));
    QVERIFY(!QFileInfo::exists(library->dataDir() + QString::number(iid) + QStringLiteral(".jpg")));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::titleLookupFillsTheFormAndIsSaved()
{
    serveGoogleBooks();
    const QString path = library->writeFile(QStringLiteral("books/The_Google-Story.pdf"), "%PDF-1.4 google");
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    driver.chooseFile(path);
    DialogTesting::click(dialog, "btnSelectFile");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(text(dialog, "bookTitle"), QStringLiteral("The Google Story"));

    DialogTesting::retype(dialog, "tagsEdit", QStringLiteral("Biography"));
    driver.pickSearchRow(0);
    DialogTesting::click(dialog, "btnDlTitle");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(driver.searches.size(), 1);
    const SeenSearch &search = driver.searches.first();
    QCOMPARE(search.keywords, QStringLiteral("The Google Story"));
    QCOMPARE(search.isbn, QString());
    QCOMPARE(search.filePath, path);
    QCOMPARE(search.skipText, QStringLiteral("Cancel"));
    QVERIFY(!search.skipAllShown);
    QCOMPARE(search.chosenTitle, FullTitle);
    QCOMPARE(server->requestsTo(VolumesPath).size(), 1);
    QCOMPARE(server->requestsTo(VolumesPath).first().query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded),
             QStringLiteral("The Google Story"));

    QTRY_COMPARE_WITH_TIMEOUT(text(dialog, "bookPublisher"), FullPublisher, ReplyTimeout);
    QCOMPARE(server->requestCount(FullVolumePath), 1);
    QCOMPARE(server->requestCount(CoverPath), 1);
    QCOMPARE(text(dialog, "bookTitle"), FullTitle);
    QCOMPARE(text(dialog, "bookISBN10"), FullIsbn10);
    QCOMPARE(text(dialog, "bookISBN13"), FullIsbn13);
    QCOMPARE(text(dialog, "bookPublishedYear"), FullDate);
    QCOMPARE(text(dialog, "bookPages"), FullPages);
    QCOMPARE(authorEntries(dialog), FullAuthors);
    // The volume's subjects join the typed tags.
    QCOMPARE(text(dialog, "tagsEdit"), QStringLiteral("Biography, Business & Economics / Entrepreneurship"));
    QCOMPARE(DialogTesting::stars(dialog), QStringLiteral("++++-"));
    QCOMPARE(DialogTesting::coverShown(dialog),
             DialogTesting::coverFrom(dialog, Fixtures::path(QStringLiteral("cover.jpg"))));
    // The service's markup is rendered, not shown as tags.
    const QString shownDescription = DialogTesting::child<QTextEdit>(dialog, "bookDescription")->toPlainText();
    QVERIFY2(shownDescription.startsWith(QStringLiteral("\"Here is the story behind one of the most remarkable")),
             qPrintable(shownDescription));
    QVERIFY2(!shownDescription.contains(u'<'), qPrintable(shownDescription));
    QCOMPARE(fileTableOf(dialog)->rowCount(), 1);
    QCOMPARE(countOf(QStringLiteral("items")), 0);

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    const int iid = storedIid();
    QVERIFY(iid > 0);
    QCOMPARE(dialog.getBook()->getIid(), iid);
    const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT type, coverFile, rating FROM items")),
             QList<QStringList>({{QStringLiteral("Book"), cover, QString::number(FullRating)}}));
    QCOMPARE(FileTesting::readFile(cover), FileTesting::readFile(Fixtures::path(QStringLiteral("cover.jpg"))));
    QVERIFY(!QFileInfo::exists(library->dataDir() + QStringLiteral("coverfile-tmp.jpg")));
    const QList<QStringList> books = LibraryRows::asText(QStringLiteral(
        "SELECT title, isbn10, isbn13, publisher, datePublished, pageCount, description, iid FROM books"));
    QCOMPARE(books.size(), 1);
    QCOMPARE(books.first().mid(0, 6),
             QStringList({FullTitle, FullIsbn10, FullIsbn13, FullPublisher, FullDate, FullPages}));
    QCOMPARE(books.first().value(7), QString::number(iid));
    const QString storedDescription = books.first().value(6);
    QCOMPARE(storedDescription, shownDescription);
    QVERIFY(storedDescription.contains(QStringLiteral("two graduate students become the masters")));
    QCOMPARE(authorsOf(iid), FullAuthors);
    QCOMPARE(countOf(QStringLiteral("authors")), 2);
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT filePath, iid FROM files")),
             QList<QStringList>({{path, QString::number(iid)}}));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::isbnLookupTakesTheOnlyMatch_data()
{
    QTest::addColumn<QString>("isbn10");
    QTest::addColumn<QString>("isbn13");
    QTest::addColumn<QString>("searched");

    QTest::newRow("ISBN-13 before ISBN-10") << "0000000001" << FullIsbn13 << FullIsbn13;
    QTest::newRow("ISBN-10 alone") << FullIsbn10 << "" << FullIsbn10;
}

void TestBookProperties::isbnLookupTakesTheOnlyMatch()
{
    QFETCH(QString, isbn10);
    QFETCH(QString, isbn13);
    QFETCH(QString, searched);

    serveGoogleBooks();
    // Only the expected search finds the book; any other search finds nothing and says so.
    server->setReply(VolumesPath, HttpTestServer::Reply::json(fixture(QStringLiteral("search-none.json"))));
    server->setReply(VolumesPath + QStringLiteral("?q=isbn:") + searched,
                     HttpTestServer::Reply::json(fixture(QStringLiteral("search-one.json"))));
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookISBN10"), isbn10);
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookISBN13"), isbn13);

    DialogTesting::click(dialog, "btnDlISBN");
    QTRY_COMPARE_WITH_TIMEOUT(text(dialog, "bookPublisher"), FullPublisher, ReplyTimeout);
    const QList<HttpTestServer::Request> searches = server->requestsTo(VolumesPath);
    QCOMPARE(searches.size(), 1);
    QCOMPARE(searches.first().query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded),
             QStringLiteral("isbn:") + searched);
    QCOMPARE(text(dialog, "bookTitle"), FullTitle);
    QCOMPARE(text(dialog, "bookISBN10"), FullIsbn10);
    QCOMPARE(text(dialog, "bookISBN13"), FullIsbn13);
    QCOMPARE(authorEntries(dialog), FullAuthors);

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title, isbn10, isbn13 FROM books")),
             QList<QStringList>({{FullTitle, FullIsbn10, FullIsbn13}}));
    QCOMPARE(driver.unexpected, QStringList());
    QCOMPARE(driver.boxes.size(), 0);
}

void TestBookProperties::searchWithoutMatchLeavesTheForm()
{
    serveGoogleBooks();
    server->setReply(VolumesPath, HttpTestServer::Reply::json(fixture(QStringLiteral("search-none.json"))));
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("No Such Book"));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookISBN10"), QStringLiteral("0000000001"));
    addAuthor(dialog, QStringLiteral("Nobody Known"));
    DialogTesting::click(dialog, "btnRating2");
    const QStringList before = formTexts(dialog);

    for (const char *button : {"btnDlTitle", "btnDlISBN"}) {
        driver.answerBox(QStringLiteral("Not found online"));
        driver.cancelSearch();
        DialogTesting::click(dialog, button);
        QVERIFY(driver.waitUntilDone());
    }
    QTest::qWait(SettleTime);
    QCOMPARE(driver.boxTitles(), QStringList({QStringLiteral("Not found online"), QStringLiteral("Not found online")}));
    QCOMPARE(driver.boxes.first().text,
             QStringLiteral("No books were found.\nPlease try changing information entered."));
    QCOMPARE(driver.searches.size(), 2);
    QCOMPARE(driver.searches.at(0).keywords, QStringLiteral("No Such Book"));
    QCOMPARE(driver.searches.at(1).isbn, QStringLiteral("0000000001"));
    QCOMPARE(formTexts(dialog), before);
    QCOMPARE(server->requestCount(FullVolumePath) + server->requestCount(MinimalVolumePath), 0);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::lookupNeedsATitleOrAnIsbn()
{
    serveGoogleBooks();
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookPublisher"), QStringLiteral("Only A Publisher"));

    driver.answerBox(QStringLiteral("Nothing found"));
    DialogTesting::click(dialog, "btnDlTitle");
    QVERIFY(driver.waitUntilDone());
    driver.answerBox(QStringLiteral("Nothing found"));
    DialogTesting::click(dialog, "btnDlISBN");
    QVERIFY(driver.waitUntilDone());

    QCOMPARE(driver.boxes.size(), 2);
    QCOMPARE(driver.boxes.at(0).text, QStringLiteral("No books were found.\nPlease try altering the title."));
    QCOMPARE(driver.boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(driver.boxes.at(1).text,
             QStringLiteral("No books were found.\nPlease enter alter the ISBN or try searching by title."));
    QCOMPARE(driver.boxes.at(1).icon, QMessageBox::Critical);
    QTest::qWait(SettleTime);
    QCOMPARE(server->requests().size(), 0);
    QCOMPARE(driver.searches.size(), 0);
    QCOMPARE(text(dialog, "bookPublisher"), QStringLiteral("Only A Publisher"));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::secondLookupFillsTheFormOnce()
{
    serveGoogleBooks();
    ModalDriver driver;
    DebugLineCounter fills(QStringLiteral("populate function called"));
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("Google Story"));
    QCOMPARE(fills.count, 0);

    driver.pickSearchRow(0);
    DialogTesting::click(dialog, "btnDlTitle");
    QTRY_COMPARE_WITH_TIMEOUT(text(dialog, "bookPublisher"), FullPublisher, ReplyTimeout);
    QTest::qWait(SettleTime);
    QCOMPARE(fills.count, 1);

    // The second volume has no ISBN, publisher, authors, rating or cover: the form takes those as they are.
    driver.pickSearchRow(1);
    DialogTesting::click(dialog, "btnDlTitle");
    QTRY_COMPARE_WITH_TIMEOUT(text(dialog, "bookTitle"), QStringLiteral("The Google Story (Updated Edition)"),
                              ReplyTimeout);
    QTest::qWait(SettleTime);
    QCOMPARE(fills.count, 2);
    QCOMPARE(driver.searches.size(), 2);
    QCOMPARE(driver.searches.at(1).keywords, FullTitle);
    QCOMPARE(formTexts(dialog),
             QStringList({QStringLiteral("The Google Story (Updated Edition)"), QString(), QString(), QString(),
                          QString(), QString(), QString(), QString(), QStringLiteral("-----")}));
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, DefaultCover));

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    const int iid = storedIid();
    QVERIFY(iid > 0);
    QCOMPARE(fills.count, 2);
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title, isbn13, publisher FROM books")),
             QList<QStringList>({{QStringLiteral("The Google Story (Updated Edition)"), QString(), QString()}}));
    // The first volume's cover and authors went with it.
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT coverFile, rating FROM items")),
             QList<QStringList>({{QString(), QStringLiteral("0")}}));
    QVERIFY(!QFileInfo::exists(library->dataDir() + QString::number(iid) + QStringLiteral(".jpg")));
    QCOMPARE(countOf(QStringLiteral("items_authors")), 0);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::failedLookupLeavesTheForm_data()
{
    QTest::addColumn<HttpTestServer::Reply>("volume");

    QTest::newRow("server error") << HttpTestServer::Reply::status(500, "internal error");
    QTest::newRow("refused") << HttpTestServer::Reply::json(R"({"error": {"code": 403}})", 403);
    QTest::newRow("not found") << HttpTestServer::Reply::status(404);
    QTest::newRow("connection dropped") << HttpTestServer::Reply::dropConnection();
    QTest::newRow("no volume in the reply") << HttpTestServer::Reply::json("{}");
}

void TestBookProperties::failedLookupLeavesTheForm()
{
    QFETCH(HttpTestServer::Reply, volume);

    serveGoogleBooks();
    server->setReply(FullVolumePath, volume);
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("My Own Title"));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookISBN13"), QStringLiteral("9780000000002"));
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookPublisher"), QStringLiteral("My Own Publisher"));
    typeLines(dialog, {QStringLiteral("My own words.")});
    addAuthor(dialog, QStringLiteral("My Own Author"));
    DialogTesting::click(dialog, "btnRating2");
    const QStringList before = formTexts(dialog);
    const QImage coverBefore = DialogTesting::coverShown(dialog);

    driver.pickSearchRow(0);
    driver.answerBox(QStringLiteral("Lookup failed"));
    DialogTesting::click(dialog, "btnDlTitle");
    QVERIFY(driver.waitUntilDone());
    QTest::qWait(SettleTime);
    QCOMPARE(driver.boxTitles(), QStringList{QStringLiteral("Lookup failed")});
    QCOMPARE(driver.boxes.first().icon, QMessageBox::Warning);
    QVERIFY(server->requestCount(FullVolumePath) >= 1);
    QCOMPARE(server->requestCount(CoverPath), 0);
    QCOMPARE(formTexts(dialog), before);
    QCOMPARE(DialogTesting::coverShown(dialog), coverBefore);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnDlTitle")->isEnabled());
    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnDlISBN")->isEnabled());

    // Once the service answers again, the same dialog looks the book up.
    server->setReply(FullVolumePath, HttpTestServer::Reply::json(fixture(QStringLiteral("volume-full.json"))));
    driver.pickSearchRow(0);
    DialogTesting::click(dialog, "btnDlTitle");
    QTRY_COMPARE_WITH_TIMEOUT(text(dialog, "bookPublisher"), FullPublisher, ReplyTimeout);
    QCOMPARE(authorEntries(dialog), FullAuthors);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::failedSearchIsReported_data()
{
    QTest::addColumn<HttpTestServer::Reply>("search");

    QTest::newRow("server error") << HttpTestServer::Reply::status(500, "internal error");
    QTest::newRow("connection dropped") << HttpTestServer::Reply::dropConnection();
}

void TestBookProperties::failedSearchIsReported()
{
    QFETCH(HttpTestServer::Reply, search);

    serveGoogleBooks();
    server->setReply(VolumesPath, search);
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("Google Story"));
    addAuthor(dialog, QStringLiteral("My Own Author"));
    const QStringList before = formTexts(dialog);

    // The search dialog closes by itself: it has nothing to choose from.
    driver.answerBox(QStringLiteral("Search failed"));
    DialogTesting::click(dialog, "btnDlTitle");
    QVERIFY(driver.waitUntilDone());
    QTest::qWait(SettleTime);
    QCOMPARE(driver.boxTitles(), QStringList{QStringLiteral("Search failed")});
    QVERIFY(!qobject_cast<BookSelection *>(QApplication::activeModalWidget()));
    QCOMPARE(formTexts(dialog), before);
    QCOMPARE(server->requestCount(FullVolumePath) + server->requestCount(MinimalVolumePath), 0);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::saveNeedsATitle()
{
    const QString path = library->writeFile(QStringLiteral("books/untitled.pdf"), "%PDF-1.4 untitled");
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QString(), path);
    QTest::keyClicks(DialogTesting::child<QLineEdit>(dialog, "bookPublisher"), QStringLiteral("A Publisher"));
    addAuthor(dialog, QStringLiteral("An Author"));
    DialogTesting::click(dialog, "btnRating4");

    driver.answerBox(QStringLiteral("Error"));
    DialogTesting::click(dialog, "btnSave");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(driver.boxes.size(), 1);
    QCOMPARE(driver.boxes.first().text, QStringLiteral("You must enter a book title."));
    QCOMPARE(driver.boxes.first().icon, QMessageBox::Warning);
    QVERIFY(dialog.isVisible());
    for (const char *table : {"items", "books", "files", "authors", "items_authors"})
        QCOMPARE(countOf(QString::fromLatin1(table)), 0);
    QCOMPARE(text(dialog, "bookPublisher"), QStringLiteral("A Publisher"));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::failedSaveKeepsTheDialogOpen_data()
{
    QTest::addColumn<QString>("refusedTable");

    QTest::newRow("items") << "items";
    QTest::newRow("books") << "books";
    QTest::newRow("files") << "files";
    QTest::newRow("items_authors") << "items_authors";
}

void TestBookProperties::failedSaveKeepsTheDialogOpen()
{
    QFETCH(QString, refusedTable);

    const QString path = library->writeFile(QStringLiteral("books/refused.pdf"), "%PDF-1.4 refused");
    const QByteArray image = FileTesting::pngImage(Qt::darkGreen);
    const QString picture = library->writeFile(QStringLiteral("pictures/refused.png"), image);
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("Refused At First"), path);
    addAuthor(dialog, QStringLiteral("First Author"));
    addAuthor(dialog, QStringLiteral("Second Author"));
    driver.chooseFile(picture);
    DialogTesting::click(dialog, "btnBookCover");
    QVERIFY(driver.waitUntilDone());

    QVERIFY(TestLibrary::exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, "
                                             "'refused by the test'); END")
                                  .arg(refusedTable)));
    driver.answerBox(QStringLiteral("Error"));
    DialogTesting::click(dialog, "btnSave");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(driver.boxes.size(), 1);
    QVERIFY(driver.boxes.first().text != QStringLiteral("You must enter a book title."));
    QVERIFY(dialog.isVisible());
    for (const char *table : {"items", "books", "files", "items_authors"})
        QCOMPARE(countOf(QString::fromLatin1(table)), 0);
    QCOMPARE(FileTesting::readFile(picture), image);

    QVERIFY(TestLibrary::exec(QStringLiteral("DROP TRIGGER refuse")));
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    const int iid = storedIid();
    QVERIFY(iid > 0);
    QCOMPARE(dialog.getBook()->getIid(), iid);
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title, iid FROM books")),
             QList<QStringList>({{QStringLiteral("Refused At First"), QString::number(iid)}}));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT filePath, iid FROM files")),
             QList<QStringList>({{path, QString::number(iid)}}));
    QCOMPARE(authorsOf(iid), QStringList({QStringLiteral("First Author"), QStringLiteral("Second Author")}));
    QCOMPARE(countOf(QStringLiteral("items_authors")), 2);
    QCOMPARE(countOf(QStringLiteral("authors")), 2);
    const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT coverFile FROM items")), QList<QStringList>({{cover}}));
    QCOMPARE(FileTesting::readFile(cover), image);
    QCOMPARE(FileTesting::readFile(picture), image);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::failedEditSaysWhatWasNotStored()
{
    const int iid = storeBook();
    ModalDriver driver;
    BookProperties dialog(nullptr, iid);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(TestLibrary::exec(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE UPDATE ON books BEGIN SELECT RAISE(ABORT, 'refused by the test'); END")));
    DialogTesting::retype(dialog, "bookTitle", QStringLiteral("Edited Title"));
    DialogTesting::click(dialog, "btnRating5");

    driver.answerBox(QStringLiteral("Error"));
    DialogTesting::click(dialog, "btnSave");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(driver.boxes.size(), 1);
    const QString said = driver.boxes.first().text;
    QVERIFY2(said.startsWith(QStringLiteral("Some changes could not be stored: ")), qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("refused by the test")), qPrintable(said));
    QVERIFY(dialog.isVisible());
    // What could be stored was: the rating, not the title.
    Book stored(nullptr, iid);
    QCOMPARE(stored.getRating(), 5);
    QCOMPARE(stored.getTitle(), QStringLiteral("Stored Title"));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::waitingLookupCanBeCancelled()
{
    // A volume service that takes the request and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    server->setReply(VolumesPath,
                     HttpTestServer::Reply::json(
                         "{\"items\": [{\"selfLink\": \"http://127.0.0.1:" + QByteArray::number(silent.serverPort())
                         + "/books/v1/volumes/slow\", \"volumeInfo\": {\"title\": \"Slow\"}}]}"));
    BookProperties dialog(nullptr, -1);
    ModalDriver driver;
    startBook(dialog, driver, QStringLiteral("Slow"));
    auto *lookup = DialogTesting::child<QPushButton>(dialog, "btnDlTitle");
    const QString lookupText = lookup->text();
    DialogTesting::click(dialog, "btnDlTitle");
    QTRY_VERIFY(silent.hasPendingConnections());
    QVERIFY(QApplication::overrideCursor());
    QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnDlISBN")->isEnabled());

    // The waiting lookup button cancels.
    QCOMPARE(lookup->text(), QStringLiteral("Cancel lookup"));
    DialogTesting::click(dialog, "btnDlTitle");
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(lookup->text(), lookupText);
    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnDlISBN")->isEnabled());

    // And the dialog closed during a lookup takes its busy cursor with it.
    DialogTesting::click(dialog, "btnDlTitle");
    QTRY_VERIFY(QApplication::overrideCursor());
    DialogTesting::click(dialog, "btnCancel");
    QVERIFY(!dialog.isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestBookProperties::cancelStoresNothing()
{
    serveGoogleBooks();
    const QString path = library->writeFile(QStringLiteral("books/cancelled.pdf"), "%PDF-1.4 cancelled");
    const QString picture
        = library->writeFile(QStringLiteral("pictures/cancelled.png"), FileTesting::pngImage(Qt::yellow));
    ModalDriver driver;
    {
        BookProperties dialog(nullptr, -1);
        startBook(dialog, driver, QStringLiteral("Google Story"), path);
        driver.pickSearchRow(0);
        DialogTesting::click(dialog, "btnDlTitle");
        QTRY_COMPARE_WITH_TIMEOUT(text(dialog, "bookPublisher"), FullPublisher, ReplyTimeout);
        addAuthor(dialog, QStringLiteral("Extra Author"));
        driver.chooseFile(picture);
        DialogTesting::click(dialog, "btnBookCover");
        QVERIFY(driver.waitUntilDone());
        QCOMPARE(closeWith(dialog, "btnCancel"), int(QDialog::Rejected));
    }
    for (const char *table : {"items", "books", "files", "authors", "items_authors"})
        QCOMPARE(countOf(QString::fromLatin1(table)), 0);

    const int iid = storeBook();
    const QList<QStringList> stored = LibraryRows::asText(
        QStringLiteral("SELECT b.title, b.publisher, i.rating, i.coverFile FROM books b JOIN items i ON "
                       "i.iid = b.iid"));
    const QByteArray storedCover
        = FileTesting::readFile(library->dataDir() + QString::number(iid) + QStringLiteral(".jpg"));
    {
        BookProperties dialog(nullptr, iid);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        DialogTesting::retype(dialog, "bookTitle", QStringLiteral("Changed Title"));
        DialogTesting::retype(dialog, "bookPublisher", QStringLiteral("Changed Publisher"));
        DialogTesting::click(dialog, "btnRating5");
        removeAuthor(dialog, QStringLiteral("Harold Bloom"));
        driver.chooseFile(picture);
        DialogTesting::click(dialog, "btnBookCover");
        QVERIFY(driver.waitUntilDone());
        DialogTesting::showTab(dialog, 1);
        DialogTesting::clickFileRow(dialog, 0);
        DialogTesting::click(dialog, "btnRemoveFile");
        QCOMPARE(closeWith(dialog, "btnCancel"), int(QDialog::Rejected));
    }
    QCOMPARE(LibraryRows::asText(
                 QStringLiteral("SELECT b.title, b.publisher, i.rating, i.coverFile FROM books b JOIN items i ON "
                                "i.iid = b.iid")),
             stored);
    QCOMPARE(FileTesting::readFile(library->dataDir() + QString::number(iid) + QStringLiteral(".jpg")), storedCover);
    QCOMPARE(authorsOf(iid), QStringList({QStringLiteral("Ursula K. Le Guin"), QStringLiteral("Harold Bloom")}));
    QCOMPARE(countOf(QStringLiteral("files")), 1);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::storedBookIsLoadedAndEdited()
{
    const int iid = storeBook();
    const QString storedFile = library->writeFile(QStringLiteral("books/stored.pdf"), "%PDF-1.4 the stored book");
    const QString addedFile = library->writeFile(QStringLiteral("books/second.epub"), "PK epub of the same book");
    ModalDriver driver;
    BookProperties dialog(nullptr, iid);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnReset")->isHidden());
    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnSelectFile")->isHidden());
    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnDelete")->isEnabled());
    QCOMPARE(formTexts(dialog),
             QStringList({QStringLiteral("Stored Title"), QStringLiteral("0000000001"), QStringLiteral("9780000000002"),
                          QStringLiteral("Stored Publisher"), QStringLiteral("1999-09-09"), QStringLiteral("99"),
                          QStringLiteral("A story about a search engine."),
                          QStringLiteral("Ursula K. Le Guin|Harold Bloom"), QStringLiteral("++---")}));
    const QString storedCover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, storedCover));
    const QByteArray storedBytes = "%PDF-1.4 the stored book";
    QCOMPARE(DialogTesting::fileRows(dialog),
             QList<QStringList>({{QStringLiteral("stored.pdf"), QString::number(storedBytes.size()),
                                  FileTesting::md5Of(storedBytes), storedFile}}));
    QVERIFY(DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->isEnabled());
    DialogTesting::click(dialog, "btnOpenFile");
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(storedFile)});

    DialogTesting::retype(dialog, "bookTitle", QStringLiteral("Edited Title"));
    DialogTesting::retype(dialog, "bookISBN10", QStringLiteral("1111111111"));
    DialogTesting::retype(dialog, "bookISBN13", QStringLiteral("9781111111113"));
    DialogTesting::retype(dialog, "bookPublisher", QStringLiteral("Edited Publisher"));
    DialogTesting::retype(dialog, "bookPublishedYear", QStringLiteral("2024-02-29"));
    DialogTesting::retype(dialog, "bookPages", QStringLiteral("321"));
    typeLines(dialog, {QStringLiteral("Edited first line."), QStringLiteral("Edited second line.")});
    removeAuthor(dialog, QStringLiteral("Ursula K. Le Guin"));
    addAuthor(dialog, QStringLiteral("Octavia E. Butler"));
    DialogTesting::click(dialog, "btnRating5");
    DialogTesting::showTab(dialog, 1);
    driver.chooseFile(addedFile);
    DialogTesting::click(dialog, "btnAddFile");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(fileTableOf(dialog)->rowCount(), 2);
    QCOMPARE(DialogTesting::fileRows(dialog).last().value(3), addedFile);

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(countOf(QStringLiteral("items")), 1);
    QCOMPARE(countOf(QStringLiteral("books")), 1);
    Book reloaded(nullptr, iid);
    QCOMPARE(reloaded.getTitle(), QStringLiteral("Edited Title"));
    QCOMPARE(reloaded.getIsbn10(), QStringLiteral("1111111111"));
    QCOMPARE(reloaded.getIsbn13(), QStringLiteral("9781111111113"));
    QCOMPARE(reloaded.getPublisher(), QStringLiteral("Edited Publisher"));
    QCOMPARE(reloaded.getDatePublished(), QStringLiteral("2024-02-29"));
    QCOMPARE(reloaded.getPageCount(), QStringLiteral("321"));
    QCOMPARE(reloaded.getDescription(), QStringLiteral("Edited first line.\nEdited second line."));
    QCOMPARE(reloaded.getRating(), 5);
    QCOMPARE(reloaded.getAuthors()->names(), QStringLiteral("Harold Bloom, Octavia E. Butler"));
    QCOMPARE(reloaded.getCoverFile(), storedCover);
    QCOMPARE(reloaded.getFiles()->paths(), QStringList({storedFile, addedFile}));
    QCOMPARE(authorsOf(iid), QStringList({QStringLiteral("Harold Bloom"), QStringLiteral("Octavia E. Butler")}));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::languageOwnershipReadingAndLabelsAreKept()
{
    const int iid = storeBook();
    {
        BookProperties dialog(nullptr, iid);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *language = dialog.findChild<LanguageComboBox *>();
        // A book whose language nobody chose starts with none.
        QCOMPARE(language->currentText(), QStringLiteral("—"));
        QCOMPARE(DialogTesting::child<QDateEdit>(dialog, "field_book_read_2")->date(), QDate::currentDate());
        language->setCurrentText(QStringLiteral("German"));
        DialogTesting::child<QCheckBox>(dialog, "field_book_own")->setChecked(true);
        DialogTesting::retype(dialog, "lineEdit", QStringLiteral("Shelf 2"));
        DialogTesting::child<QGroupBox>(dialog, "groupBox_3")->setChecked(true);
        DialogTesting::child<QDateEdit>(dialog, "field_book_read_2")->setDate(QDate(2026, 3, 14));
        DialogTesting::child<QCheckBox>(dialog, "checkBox_2")->setChecked(true);
        DialogTesting::retype(dialog, "tagsEdit", QStringLiteral("history,  Travel writing ,history"));
        DialogTesting::child<QComboBox>(dialog, "seriesCombo")->setCurrentText(QStringLiteral("Journeys"));
        DialogTesting::child<QDoubleSpinBox>(dialog, "seriesPosition")->setValue(2.5);
        QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    }
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT name FROM tags ORDER BY tid")),
             QList<QStringList>({{"history"}, {"Travel writing"}}));
    QCOMPARE(
        LibraryRows::asText(QStringLiteral("SELECT series.name, position FROM itemseries JOIN series USING (sid)")),
        QList<QStringList>({{"Journeys", "2.5"}}));
    BookProperties dialog(nullptr, iid);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(text(dialog, "tagsEdit"), QStringLiteral("history, Travel writing"));
    QCOMPARE(DialogTesting::child<QComboBox>(dialog, "seriesCombo")->currentText(), QStringLiteral("Journeys"));
    // A tag being typed is completed from the stored ones.
    auto *tags = DialogTesting::child<QLineEdit>(dialog, "tagsEdit");
    tags->clear();
    QTest::keyClicks(tags, QStringLiteral("Maps, tra"));
    QCompleter *completer = tags->parent()->findChild<QCompleter *>();
    QVERIFY(completer->popup()->isVisible());
    QCOMPARE(completer->currentCompletion(), QStringLiteral("Travel writing"));
    emit completer->activated(completer->currentCompletion());
    QCOMPARE(tags->text(), QStringLiteral("Maps, Travel writing, "));
    QCOMPARE(dialog.findChild<LanguageComboBox *>()->currentText(), QStringLiteral("German"));
    QVERIFY(DialogTesting::child<QCheckBox>(dialog, "field_book_own")->isChecked());
    QCOMPARE(text(dialog, "lineEdit"), QStringLiteral("Shelf 2"));
    QVERIFY(DialogTesting::child<QGroupBox>(dialog, "groupBox_3")->isChecked());
    QCOMPARE(DialogTesting::child<QDateEdit>(dialog, "field_book_read_2")->date(), QDate(2026, 3, 14));
    QVERIFY(DialogTesting::child<QCheckBox>(dialog, "checkBox_2")->isChecked());
}

void TestBookProperties::plainDescriptionSurvivesAnEdit()
{
    // Line breaks, a blank line, runs of spaces and characters that markup would swallow.
    const QString description = QStringLiteral("First line.\nSecond line.\n\n    Indented  with  two  spaces.\n"
                                               "Fish & chips < 5 > 3 \"quoted\"");
    const int iid = storeBook(description);
    ModalDriver driver;
    BookProperties dialog(nullptr, iid);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(DialogTesting::child<QTextEdit>(dialog, "bookDescription")->toPlainText(), description);

    DialogTesting::retype(dialog, "bookTitle", QStringLiteral("Another Title"));
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title, description FROM books")),
             QList<QStringList>({{QStringLiteral("Another Title"), description}}));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::authorsAreStoredOnceAndNeverBlank()
{
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("Many Hands"));
    addAuthor(dialog, QStringLiteral("Terry Pratchett"));
    addAuthor(dialog, QString());
    addAuthor(dialog, QStringLiteral("Neil Gaiman"));
    addAuthor(dialog, QStringLiteral("   "));
    addAuthor(dialog, QStringLiteral("Terry Pratchett"));
    addAuthor(dialog, QStringLiteral("Removed Again"));
    removeAuthor(dialog, QStringLiteral("Removed Again"));
    QCOMPARE(authorEntries(dialog),
             QStringList({QStringLiteral("Terry Pratchett"), QString(), QStringLiteral("Neil Gaiman"),
                          QStringLiteral("   "), QStringLiteral("Terry Pratchett")}));

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    const int iid = storedIid();
    QVERIFY(iid > 0);
    QCOMPARE(authorsOf(iid), QStringList({QStringLiteral("Terry Pratchett"), QStringLiteral("Neil Gaiman")}));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT name FROM authors ORDER BY aid")),
             QList<QStringList>({{QStringLiteral("Terry Pratchett")}, {QStringLiteral("Neil Gaiman")}}));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::ratingButtonsShowAndStoreTheRating_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("stored");

    QTest::newRow("0") << "btnRating0"
                       << "-----" << 0;
    QTest::newRow("1") << "btnRating1"
                       << "+----" << 1;
    QTest::newRow("2") << "btnRating2"
                       << "++---" << 2;
    QTest::newRow("3") << "btnRating3"
                       << "+++--" << 3;
    QTest::newRow("4") << "btnRating4"
                       << "++++-" << 4;
    QTest::newRow("5") << "btnRating5"
                       << "+++++" << 5;
}

void TestBookProperties::ratingButtonsShowAndStoreTheRating()
{
    QFETCH(QString, button);
    QFETCH(QString, shown);
    QFETCH(int, stored);

    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("Rated"));
    QCOMPARE(DialogTesting::stars(dialog), QStringLiteral("-----"));
    // From another rating, so every button has something to change.
    DialogTesting::click(dialog, stored == 3 ? "btnRating1" : "btnRating3");
    DialogTesting::click(dialog, button.toLatin1().constData());
    QCOMPARE(DialogTesting::stars(dialog), shown);
    QCOMPARE(DialogTesting::child<QPushButton>(dialog, "btnRating0")->text(), QStringLiteral("..."));

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT rating FROM items")),
             QList<QStringList>({{QString::number(stored)}}));
    Book reloaded(nullptr, storedIid());
    QCOMPARE(reloaded.getRating(), stored);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::coverButtonTakesACopyOfTheImage()
{
    const QByteArray image = FileTesting::pngImage(Qt::magenta);
    const QString picture = library->writeFile(QStringLiteral("pictures/front.png"), image);
    const QString chosenCopy = library->dataDir() + QStringLiteral("coverfile-chosen-tmp.jpg");
    ModalDriver driver;
    {
        BookProperties dialog(nullptr, -1);
        startBook(dialog, driver, QStringLiteral("With Cover"));
        QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, NoCover));
        driver.cancelFileDialog();
        DialogTesting::click(dialog, "btnBookCover");
        QVERIFY(driver.waitUntilDone());
        QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, NoCover));
        QVERIFY(!QFileInfo::exists(chosenCopy));

        driver.chooseFile(picture);
        DialogTesting::click(dialog, "btnBookCover");
        QVERIFY(driver.waitUntilDone());
        QCOMPARE(driver.fileDialogs.last().title, QStringLiteral("Select Book"));
        QCOMPARE(driver.fileDialogs.last().filters, QStringList{ImageFilter});
        QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, picture));
        QCOMPARE(FileTesting::readFile(chosenCopy), image);

        QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
        const int iid = storedIid();
        QVERIFY(iid > 0);
        const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
        QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT coverFile FROM items")), QList<QStringList>({{cover}}));
        QCOMPARE(FileTesting::readFile(cover), image);
        QVERIFY(!QFileInfo::exists(chosenCopy));
        QCOMPARE(FileTesting::readFile(picture), image);
    }

    // A stored book's cover is replaced by the new choice.
    const int iid = storeBook();
    const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    const QByteArray replacement = FileTesting::pngImage(Qt::cyan);
    const QString newPicture = library->writeFile(QStringLiteral("pictures/better front.png"), replacement);
    BookProperties dialog(nullptr, iid);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, cover));
    driver.chooseFile(newPicture);
    DialogTesting::click(dialog, "btnBookCover");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, newPicture));
    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT coverFile FROM items WHERE iid = %1").arg(iid)),
             QList<QStringList>({{cover}}));
    QCOMPARE(FileTesting::readFile(cover), replacement);
    QCOMPARE(FileTesting::readFile(newPicture), replacement);
    QVERIFY(!QFileInfo::exists(chosenCopy));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::coverButtonRefusesWhatIsNoImage()
{
    const QString notAnImage = library->writeFile(QStringLiteral("pictures/scan.jpg"), "just some notes, no picture");
    ModalDriver driver;
    BookProperties dialog(nullptr, -1);
    startBook(dialog, driver, QStringLiteral("Without Cover"));
    driver.chooseFile(notAnImage);
    driver.answerBox(QStringLiteral("Cover"));
    DialogTesting::click(dialog, "btnBookCover");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(driver.boxes.size(), 1);
    QCOMPARE(driver.boxes.first().icon, QMessageBox::Warning);
    QVERIFY2(driver.boxes.first().text.contains(notAnImage), qPrintable(driver.boxes.first().text));
    QCOMPARE(DialogTesting::coverShown(dialog), DialogTesting::coverFrom(dialog, NoCover));
    QVERIFY(!QFileInfo::exists(library->dataDir() + QStringLiteral("coverfile-chosen-tmp.jpg")));

    QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    const int iid = storedIid();
    QVERIFY(iid > 0);
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT coverFile FROM items")), QList<QStringList>({{QString()}}));
    QVERIFY(!QFileInfo::exists(library->dataDir() + QString::number(iid) + QStringLiteral(".jpg")));
    QCOMPARE(FileTesting::readFile(notAnImage), QByteArray("just some notes, no picture"));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::removedFileLeavesTheBookOnSave()
{
    const QString first = library->writeFile(QStringLiteral("books/first.pdf"), "%PDF-1.4 first");
    const QString second = library->writeFile(QStringLiteral("books/second.pdf"), "%PDF-1.4 second");
    ModalDriver driver;
    {
        BookProperties dialog(nullptr, -1);
        startBook(dialog, driver, QStringLiteral("Two Files"), first);
        DialogTesting::showTab(dialog, 1);
        driver.chooseFile(second);
        DialogTesting::click(dialog, "btnAddFile");
        QVERIFY(driver.waitUntilDone());
        QCOMPARE(fileTableOf(dialog)->rowCount(), 2);

        // Without a selected cell nothing goes.
        fileTableOf(dialog)->clearSelection();
        DialogTesting::click(dialog, "btnRemoveFile");
        QCOMPARE(fileTableOf(dialog)->rowCount(), 2);

        DialogTesting::clickFileRow(dialog, 0);
        DialogTesting::click(dialog, "btnRemoveFile");
        QCOMPARE(DialogTesting::fileRows(dialog).size(), 1);
        QCOMPARE(DialogTesting::fileRows(dialog).first().value(3), second);
        // View opens what is left.
        DialogTesting::click(dialog, "btnOpenFile");
        QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(second)});

        QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
        QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT filePath FROM files")), QList<QStringList>({{second}}));
    }
    for (const char *table : {"files", "books", "items"})
        QVERIFY(TestLibrary::exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table))));
    recorder->opened.clear();

    // A stored book's file row goes when the book is saved.
    Book stored(nullptr, -1);
    stored.setTitle(QStringLiteral("Stored Two Files"));
    stored.addFile(first);
    stored.addFile(second);
    QVERIFY(stored.save());
    const int iid = stored.getIid();
    {
        BookProperties dialog(nullptr, iid);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        DialogTesting::showTab(dialog, 1);
        QCOMPARE(fileTableOf(dialog)->rowCount(), 2);
        DialogTesting::clickFileRow(dialog, 1);
        DialogTesting::click(dialog, "btnRemoveFile");
        QCOMPARE(DialogTesting::fileRows(dialog).size(), 1);
        QCOMPARE(DialogTesting::fileRows(dialog).first().value(3), first);
        // Until the save the row stays.
        QCOMPARE(countOf(QStringLiteral("files")), 2);
        DialogTesting::clickFileRow(dialog, 0);
        DialogTesting::click(dialog, "btnRemoveFile");
        QCOMPARE(fileTableOf(dialog)->rowCount(), 0);
        QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnOpenFile")->isEnabled());
        QCOMPARE(closeWith(dialog, "btnSave"), int(QDialog::Accepted));
    }
    QCOMPARE(countOf(QStringLiteral("files")), 0);
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title FROM books WHERE iid = %1").arg(iid)),
             QList<QStringList>({{QStringLiteral("Stored Two Files")}}));
    Book reloaded(nullptr, iid);
    QCOMPARE(reloaded.getFiles()->count(), 0);
    QCOMPARE(FileTesting::readFile(first), QByteArray("%PDF-1.4 first"));
    QCOMPARE(FileTesting::readFile(second), QByteArray("%PDF-1.4 second"));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestBookProperties::deleteAsksAndEndsTheDialog()
{
    ModalDriver driver;
    {
        BookProperties dialog(nullptr, -1);
        startBook(dialog, driver, QStringLiteral("Not Stored Yet"));
        QVERIFY(!DialogTesting::child<QPushButton>(dialog, "btnDelete")->isEnabled());
        DialogTesting::click(dialog, "btnDelete");
        QTest::qWait(SettleTime);
        QVERIFY(dialog.isVisible());
        QCOMPARE(driver.boxes.size(), 0);
    }

    const int iid = storeBook();
    const QString question = QStringLiteral("You have requested to delete one or more items.");
    BookProperties dialog(nullptr, iid);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    DialogTesting::retype(dialog, "bookTitle", QStringLiteral("Edited Before Delete"));
    driver.answerBox(question, QMessageBox::No);
    DialogTesting::click(dialog, "btnDelete");
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(driver.boxes.size(), 1);
    QCOMPARE(driver.boxes.first().icon, QMessageBox::Question);
    QVERIFY(driver.boxes.first().noIsDefault);
    QVERIFY(dialog.isVisible());

    driver.answerBox(question, QMessageBox::Yes);
    QCOMPARE(closeWith(dialog, "btnDelete"), int(BookProperties::Deleted));
    QCOMPARE(driver.boxes.size(), 2);
    // The caller deletes; the dialog neither deletes nor saves.
    QCOMPARE(LibraryRows::asText(QStringLiteral("SELECT title FROM books WHERE iid = %1").arg(iid)),
             QList<QStringList>({{QStringLiteral("Stored Title")}}));
    QCOMPARE(countOf(QStringLiteral("items")), 1);
    QCOMPARE(countOf(QStringLiteral("files")), 1);
    QCOMPARE(countOf(QStringLiteral("items_authors")), 2);
    QCOMPARE(driver.unexpected, QStringList());
}

SHELVIO_TEST_MAIN(TestBookProperties)

#include "tst_bookproperties.moc"
