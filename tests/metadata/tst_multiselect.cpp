#include "core/settings.h"
#include "metadata/bookselection.h"
#include "metadata/datadownloader.h"
#include "metadata/multiselect.h"
#include "metadata/tablebutton.h"
#include "model/book.h"
#include "tests/support/epubbuilder.h"
#include "tests/support/fixtures.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/testpdf.h"
#include "tests/support/urlrecorder.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <memory>
#include <vector>

namespace {

constexpr int TitleColumn = 1;
// Far more rows than the dialog shows at once.
constexpr int ManyFiles = 300;
const QString SearchPath = QStringLiteral("/books/v1/volumes");
const QString StoryVolumePath = QStringLiteral("/books/v1/volumes/zyTCAlFPjgYC");
const QString UpdatedVolumePath = QStringLiteral("/books/v1/volumes/8U2oAAAAQBAJ");
const QString CoverPath = QStringLiteral("/books/content");

// A reply of the fixture set, its links pointing back at the server.
HttpTestServer::Reply fixture(const QString &name, const HttpTestServer &server)
{
    QFile file(Fixtures::path(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot read fixture %s", qPrintable(name));
    QByteArray body = file.readAll();
    body.replace("{{BASE}}", QStringLiteral("http://127.0.0.1:%1").arg(server.port()).toUtf8());
    return HttpTestServer::Reply::json(body);
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int count(const QString &statement)
{
    return TestLibrary::rows(statement).value(0).value(0).toInt();
}

QTableWidget *tableOf(const MultiSelect &dialog)
{
    return dialog.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
}

TableButton *buttonAt(const MultiSelect &dialog, int row)
{
    return qobject_cast<TableButton *>(tableOf(dialog)->cellWidget(row, 0));
}

QToolButton *toolOf(const QWidget *button, const char *name)
{
    return button->findChild<QToolButton *>(QLatin1String(name));
}

int rowOfFile(const MultiSelect &dialog, const QString &path)
{
    const QTableWidget *table = tableOf(dialog);
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, TitleColumn)->data(MultiSelect::PathRole).toString() == path)
            return row;
    }
    return -1;
}

QString titleAt(const MultiSelect &dialog, int row)
{
    return tableOf(dialog)->item(row, TitleColumn)->text();
}

QString pathAt(const MultiSelect &dialog, int row)
{
    return tableOf(dialog)->item(row, TitleColumn)->data(MultiSelect::PathRole).toString();
}

// The last row on screen, even if only in part.
int lastRowOnScreen(const QTableWidget *table)
{
    return table->rowAt(table->viewport()->height() - 1);
}

// Ctrl+End or Ctrl+Home, as a user goes to the end or the start of the list; a click on the top row first
// gives the keys a cell to move from.
void pressCtrl(QTableWidget *table, Qt::Key key)
{
    if (!table->currentIndex().isValid()) {
        const QModelIndex top = table->model()->index(table->rowAt(0), TitleColumn);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(top).center());
    }
    QTest::keyClick(table, key, Qt::ControlModifier);
}

// Path of every listed file with its title, sorted by path: the walk has no fixed order.
QStringList listing(const MultiSelect &dialog)
{
    const QTableWidget *table = tableOf(dialog);
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *title = table->item(row, TitleColumn);
        rows.append(title->data(MultiSelect::PathRole).toString() + QStringLiteral(" -> ") + title->text());
    }
    rows.sort();
    return rows;
}

void clickTool(const QWidget *button, const char *name)
{
    QToolButton *tool = toolOf(button, name);
    QVERIFY2(tool, name);
    QTest::mouseClick(tool, Qt::LeftButton);
}

void clickSearch(const MultiSelect &dialog, int row)
{
    clickTool(buttonAt(dialog, row), "toolButton");
}

void clickSearchSelected(const MultiSelect &dialog)
{
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
}

// Edits a title as a user does: double click, replace the text, Enter.
void editTitle(const MultiSelect &dialog, int row, const QString &text)
{
    QTableWidget *table = tableOf(dialog);
    const QPoint position = table->visualItemRect(table->item(row, TitleColumn)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, position);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, position);
    // An editor closed before lingers until it is deleted later.
    QLineEdit *editor = nullptr;
    const QList<QLineEdit *> editors = table->viewport()->findChildren<QLineEdit *>();
    for (QLineEdit *candidate : editors) {
        if (candidate->isVisible())
            editor = candidate;
    }
    QVERIFY2(editor, "a double click opens the title for editing");
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
}

// Plays the user at the modal dialogs that open while it lives. Message boxes are read and confirmed.
// Every selection dialog that lists volumes gets the next answer: "skip", "skip all", or the number of the
// volume to choose before "Save"; one that finds no answer left is left with "skip all".
class ModalUser
{
public:
    explicit ModalUser(const QStringList &answers = {})
        : answers(answers)
    {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] { look(); });
        timer.start(10);
    }

    QStringList messages;
    // The keywords of every selection dialog that listed volumes, in order.
    QStringList listedFor;

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            messages.append(box->windowTitle() + QStringLiteral(": ") + box->text());
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            return;
        }
        auto *selection = qobject_cast<BookSelection *>(modal);
        if (!selection || !selection->isVisible())
            return;
        auto *volumes = selection->findChild<QTableWidget *>(QStringLiteral("tableWidget"));
        // Until volumes are listed, the list says what the search is doing.
        const QTableWidgetItem *first = volumes->item(0, 0);
        if (!first || first->data(BookSelection::VolumeUrlRole).toString().isEmpty())
            return;
        listedFor.append(selection->findChild<QLineEdit *>(QStringLiteral("keywords"))->text());
        const QString answer = answers.isEmpty() ? QStringLiteral("skip all") : answers.takeFirst();
        if (answer == QLatin1String("skip")) {
            click(selection, "btnSkip");
        } else if (answer == QLatin1String("skip all")) {
            click(selection, "btnSkipAll");
        } else {
            const QTableWidgetItem *volume = volumes->item(answer.toInt(), 0);
            QTest::mouseClick(volumes->viewport(), Qt::LeftButton, {}, volumes->visualItemRect(volume).center());
            click(selection, "btnSave");
        }
        // A dialog that ignored its answer must not keep the test waiting.
        if (selection->isVisible())
            selection->reject();
    }

    static void click(QWidget *dialog, const char *name)
    {
        QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
    }

    QStringList answers;
    QTimer timer;
};

// Answers the next folder dialog with the folder, or cancels it when the folder is empty; notes where the
// dialog started.
std::shared_ptr<QString> answerFolderDialog(const QString &folder)
{
    auto startedAt = std::make_shared<QString>();
    QTimer::singleShot(0, [startedAt, folder] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *startedAt = dialog->directory().absolutePath();
        if (folder.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setDirectory(folder);
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
    });
    return startedAt;
}

} // namespace

class TestMultiSelect : public QObject
{
    Q_OBJECT

public:
    explicit TestMultiSelect(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void scanListsOnlyNewPdfFiles();
    void fileTheServiceDoesNotKnowIsAddedWithoutLookup();
    void chosenFormatsAreListedAndKept();
    void scanAsksForTheFolderAndRemembersIt();
    void longScanShowsProgressAndCanBeCancelled();
    void replaceAllChangesEveryTitle();
    void rowButtonsMarkSearchAndOpen();
    void oneMatchAddsTheBook();
    void searchSelectedVisitsCheckedRowsUntilSkipAll();
    void rowInLookupIsNotSearchedAgain();
    void failedLookupKeepsTheRow_data();
    void failedLookupKeepsTheRow();
    void failedSaveKeepsTheRow();
    void rowButtonsAppearAsRowsComeIntoView();
    void rowsKeepTheirCheckWhileScrolling();
    void searchSelectedReachesRowsOffScreen();
    void pdfIsLookedUpByWhatItSaysOfItself();
    void epubIsStoredAsItDescribesItself();

private:
    QString folder() const { return environment.home() + QStringLiteral("/scan"); }
    QString writePdf(const QString &name) const;
    void writeManyPdfs() const;
    int storeBook(const QString &filePath) const;
    std::unique_ptr<MultiSelect> openScanned();
    void serveStory();

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<HttpTestServer> server;
    // What the dialogs announced; the test owns them as the main window would.
    std::vector<std::unique_ptr<Book>> announced;
};

void TestMultiSelect::init()
{
    library = std::make_unique<TestLibrary>(environment);
    server = std::make_unique<HttpTestServer>();
    QVERIFY(server->listen());
    qputenv("SHELVIO_BOOKS_API", server->url(SearchPath).toString().toUtf8());
}

void TestMultiSelect::cleanup()
{
    announced.clear();
    server.reset();
    library.reset();
}

QString TestMultiSelect::writePdf(const QString &name) const
{
    // Each file its own content, so that none passes for another one's copy.
    return library->writeFile(QStringLiteral("scan/") + name, "%PDF-1.4 " + name.toUtf8());
}

void TestMultiSelect::writeManyPdfs() const
{
    for (int file = 0; file < ManyFiles; ++file)
        writePdf(QStringLiteral("Book %1.pdf").arg(file, 3, 10, QLatin1Char('0')));
}

int TestMultiSelect::storeBook(const QString &filePath) const
{
    Book book(nullptr, -1);
    book.setTitle(QFileInfo(filePath).baseName());
    book.addFile(filePath);
    if (!book.save())
        qFatal("Cannot store %s", qPrintable(filePath));
    return book.getIid();
}

std::unique_ptr<MultiSelect> TestMultiSelect::openScanned()
{
    auto dialog = std::make_unique<MultiSelect>();
    connect(dialog.get(), &MultiSelect::newBookItem, this, [this](Book *book) { announced.emplace_back(book); });
    dialog->scanFolder(folder());
    dialog->resize(800, 600);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        qWarning("The dialog was not shown");
    return dialog;
}

void TestMultiSelect::serveStory()
{
    server->setReply(SearchPath, fixture(QStringLiteral("search-one.json"), *server));
    server->setReply(StoryVolumePath, fixture(QStringLiteral("volume-full.json"), *server));
    server->setReply(CoverPath, HttpTestServer::Reply::file(Fixtures::path(QStringLiteral("cover.jpg")), "image/jpeg"));
}

void TestMultiSelect::scanListsOnlyNewPdfFiles()
{
    const QString report = writePdf(QStringLiteral("Report.PDF"));
    const QString deep = writePdf(QStringLiteral("sub/Deep_Dive-2nd.pdf"));
    writePdf(QStringLiteral("notes.pdf.txt"));
    writePdf(QStringLiteral("cover.jpg"));
    storeBook(writePdf(QStringLiteral("held.pdf")));
    // A copy of a stored file under another name: same size, same first bytes.
    const QByteArray copied = "%PDF-1.4 the same book twice";
    storeBook(library->writeFile(QStringLiteral("elsewhere/original.pdf"), copied));
    library->writeFile(QStringLiteral("scan/copy.pdf"), copied);
    library->writeFile(QStringLiteral("outside/linked.pdf"), "%PDF-1.4 behind a link");
    QVERIFY(QFile::link(environment.home() + QStringLiteral("/outside"), folder() + QStringLiteral("/link")));
    QVERIFY(QFileInfo::exists(folder() + QStringLiteral("/link/linked.pdf")));

    const std::unique_ptr<MultiSelect> dialog = openScanned();

    QCOMPARE(listing(*dialog),
             QStringList({report + QStringLiteral(" -> Report"), deep + QStringLiteral(" -> Deep Dive 2nd")}));
    for (int row = 0; row < tableOf(*dialog)->rowCount(); ++row) {
        QVERIFY(buttonAt(*dialog, row));
        QVERIFY(buttonAt(*dialog, row)->isChecked());
    }
    // The files passed over are counted, and each row tells its folder.
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("labelSkipped"))->text(),
             QStringLiteral("2 files are already in the library."));
    QCOMPARE(tableOf(*dialog)->item(rowOfFile(*dialog, deep), TitleColumn)->toolTip(), QStringLiteral("sub"));
}

void TestMultiSelect::fileTheServiceDoesNotKnowIsAddedWithoutLookup()
{
    const QString first = writePdf(QStringLiteral("Private_Notes.pdf"));
    const QString second = writePdf(QStringLiteral("Other.pdf"));
    const QString unchecked = writePdf(QStringLiteral("Unchecked.pdf"));
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    buttonAt(*dialog, rowOfFile(*dialog, unchecked))->setChecked(false);

    // One row by its own button, then every checked row; nothing is asked of the book service.
    toolOf(buttonAt(*dialog, rowOfFile(*dialog, first)), "btnAddNoLookup")->click();
    QCOMPARE(announced.size(), size_t(1));
    QCOMPARE(announced.front()->getTitle(), QStringLiteral("Private Notes"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnAddChecked")), Qt::LeftButton);
    QCOMPARE(announced.size(), size_t(2));
    QCOMPARE(announced.back()->getMainFilePath(), second);
    QCOMPARE(server->requests().size(), 0);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM books")), 2);
    QVERIFY(tableOf(*dialog)->isRowHidden(rowOfFile(*dialog, first)));
}

void TestMultiSelect::chosenFormatsAreListedAndKept()
{
    const QString pdf = writePdf(QStringLiteral("Report.pdf"));
    const QString epub = writePdf(QStringLiteral("Novel.EPUB"));
    writePdf(QStringLiteral("Manual.mobi"));
    storeBook(writePdf(QStringLiteral("held.epub")));
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    const QTableWidget *table = tableOf(*dialog);
    const auto listed = [table] {
        QStringList names;
        for (int row = 0; row < table->rowCount(); ++row) {
            if (!table->isRowHidden(row))
                names << QFileInfo(table->item(row, TitleColumn)->data(MultiSelect::PathRole).toString()).fileName();
        }
        names.sort();
        return names;
    };
    const auto formatBox = [&dialog](const char *name) { return dialog->findChild<QCheckBox *>(QLatin1String(name)); };
    QCOMPARE(listed(), QStringList{QStringLiteral("Report.pdf")});

    // Each change lists the folder again; a held EPUB is passed over as a held PDF is.
    QTest::mouseClick(formatBox("formatEpub"), Qt::LeftButton);
    QCOMPARE(listed(), (QStringList{QStringLiteral("Novel.EPUB"), QStringLiteral("Report.pdf")}));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("labelSkipped"))->text(),
             QStringLiteral("1 file is already in the library."));
    QTest::mouseClick(formatBox("formatPdf"), Qt::LeftButton);
    QCOMPARE(listed(), QStringList{QStringLiteral("Novel.EPUB")});
    QCOMPARE(Settings().value(Settings::ScanFormats).toString(), QStringLiteral("epub"));

    // A row of a format no longer chosen is not added, though still checked.
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnAddChecked")), Qt::LeftButton);
    QCOMPARE(announced.size(), size_t(1));
    QCOMPARE(announced.front()->getMainFilePath(), epub);
    QTest::mouseClick(formatBox("formatPdf"), Qt::LeftButton);
    QCOMPARE(listed(), QStringList{QStringLiteral("Report.pdf")});
    QCOMPARE(pathAt(*dialog, rowOfFile(*dialog, pdf)), pdf);

    const MultiSelect later;
    QVERIFY(later.findChild<QCheckBox *>(QStringLiteral("formatEpub"))->isChecked());
    QVERIFY(later.findChild<QCheckBox *>(QStringLiteral("formatPdf"))->isChecked());
    QVERIFY(!later.findChild<QCheckBox *>(QStringLiteral("formatMobi"))->isChecked());
}

void TestMultiSelect::scanAsksForTheFolderAndRemembersIt()
{
    const QString path = writePdf(QStringLiteral("Report.pdf"));
    QVERIFY(Settings().value(Settings::LastSelectDir).toString().isEmpty());

    MultiSelect first;
    std::shared_ptr<QString> startedAt = answerFolderDialog(folder());
    QVERIFY(first.scanDirectory());
    QCOMPARE(*startedAt, QDir::homePath());
    QCOMPARE(Settings().value(Settings::LastSelectDir).toString(), folder());
    QCOMPARE(listing(first), QStringList{path + QStringLiteral(" -> Report")});

    MultiSelect second;
    startedAt = answerFolderDialog(QString());
    QVERIFY(!second.scanDirectory());
    QCOMPARE(*startedAt, folder());
    QVERIFY(!second.isVisible());
    QCOMPARE(tableOf(second)->rowCount(), 0);
    QCOMPARE(Settings().value(Settings::LastSelectDir).toString(), folder());
}

void TestMultiSelect::longScanShowsProgressAndCanBeCancelled()
{
    constexpr int Files = 3000;
    for (int file = 0; file < Files; ++file)
        writePdf(QStringLiteral("part%1/Book %2.pdf").arg(file / 300).arg(file));

    MultiSelect dialog;
    dialog.setProgressDelay(0);
    QString shown;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &poll, [&shown] {
        auto *progress = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
        if (!progress || !progress->isVisible())
            return;
        shown = progress->labelText();
        QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    });
    poll.start(50);
    dialog.scanFolder(folder());
    poll.stop();

    QVERIFY2(shown.contains(folder()), qPrintable(shown));
    const int listed = tableOf(dialog)->rowCount();
    QVERIFY2(listed > 0 && listed < Files, qPrintable(QString::number(listed)));
    QVERIFY(!QApplication::activeModalWidget());
}

void TestMultiSelect::replaceAllChangesEveryTitle()
{
    const QString alpha = writePdf(QStringLiteral("Alpha.pdf"));
    const QString beta = writePdf(QStringLiteral("Beta.pdf"));
    const QString gamma = writePdf(QStringLiteral("Gamma.pdf"));
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    const int alphaRow = rowOfFile(*dialog, alpha);
    const int betaRow = rowOfFile(*dialog, beta);
    const int gammaRow = rowOfFile(*dialog, gamma);

    editTitle(*dialog, alphaRow, QStringLiteral("_A_story_"));
    editTitle(*dialog, gammaRow, QStringLiteral("Gamma_Story"));
    QCOMPARE(titleAt(*dialog, alphaRow), QStringLiteral("_A_story_"));
    dialog->removeRow(gammaRow);
    QVERIFY(tableOf(*dialog)->isRowHidden(gammaRow));

    dialog->findChild<QLineEdit *>(QStringLiteral("findSearch"))->setText(QStringLiteral("_"));
    dialog->findChild<QLineEdit *>(QStringLiteral("findReplace"))->setText(QStringLiteral(" "));
    auto *replaceAll = dialog->findChild<QPushButton *>(QStringLiteral("btnReplaceAll"));
    QTest::mouseClick(replaceAll, Qt::LeftButton);
    QCOMPARE(titleAt(*dialog, alphaRow), QStringLiteral("A story"));
    QCOMPARE(titleAt(*dialog, betaRow), QStringLiteral("Beta"));
    QCOMPARE(titleAt(*dialog, gammaRow), QStringLiteral("Gamma Story"));

    // Case-sensitive: "story" stays.
    dialog->findChild<QLineEdit *>(QStringLiteral("findSearch"))->setText(QStringLiteral("Story"));
    dialog->findChild<QLineEdit *>(QStringLiteral("findReplace"))->setText(QStringLiteral("Tale"));
    QTest::mouseClick(replaceAll, Qt::LeftButton);
    QCOMPARE(titleAt(*dialog, alphaRow), QStringLiteral("A story"));
    QCOMPARE(titleAt(*dialog, gammaRow), QStringLiteral("Gamma Tale"));
}

void TestMultiSelect::rowButtonsMarkSearchAndOpen()
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    const QString path = writePdf(QStringLiteral("Odd #1 100%.pdf"));

    TableButton button;
    button.setFilePath(path);
    button.setRow(7);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));

    QToolButton *checked = toolOf(&button, "btnChecked");
    QVERIFY(button.isChecked());
    const QIcon icon = checked->icon();
    QCOMPARE(
        icon.pixmap(QSize(16, 16), QIcon::Normal, QIcon::On).toImage(),
        QImage(QStringLiteral(":/images/icons/16x16/tick.png")).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    QCOMPARE(
        icon.pixmap(QSize(16, 16), QIcon::Normal, QIcon::Off).toImage(),
        QImage(QStringLiteral(":/images/icons/16x16/cross.png")).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    QTest::mouseClick(checked, Qt::LeftButton);
    QVERIFY(!button.isChecked());
    QVERIFY(!checked->isChecked());
    button.setChecked(true);
    QVERIFY(checked->isChecked());
    QVERIFY(button.isChecked());

    QSignalSpy searches(&button, &TableButton::downloadData);
    clickTool(&button, "toolButton");
    QCOMPARE(searches.count(), 1);
    QCOMPARE(searches.constFirst().constFirst().toInt(), 7);

    clickTool(&button, "bookOpen");
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    QCOMPARE(recorder.opened.constFirst().toLocalFile(), path);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void TestMultiSelect::oneMatchAddsTheBook()
{
    serveStory();
    const QString path = writePdf(QStringLiteral("The_Google_Story.pdf"));
    writePdf(QStringLiteral("Other.pdf"));
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    const int row = rowOfFile(*dialog, path);

    ModalUser user;
    clickSearch(*dialog, row);
    QTRY_COMPARE(announced.size(), size_t(1));

    QCOMPARE(server->requestsTo(SearchPath).constFirst().query.queryItemValue(QStringLiteral("q")),
             QStringLiteral("The Google Story"));
    const Book &book = *announced.front();
    const int iid = book.getIid();
    QVERIFY(iid > 0);
    QCOMPARE(book.getTitle(), QStringLiteral("The Google Story"));
    QCOMPARE(book.getMainFilePath(), path);
    QCOMPARE(
        TestLibrary::rows(QStringLiteral("SELECT title, isbn10, isbn13, publisher FROM books WHERE iid = %1").arg(iid)),
        QList<QVariantList>({{QStringLiteral("The Google Story"), QStringLiteral("055380457X"),
                              QStringLiteral("9780553804577"), QStringLiteral("Random House Publishing Group")}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT filePath FROM files WHERE iid = %1").arg(iid)),
             QList<QVariantList>{{path}});
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT name FROM authors JOIN items_authors USING (aid) "
                                              "WHERE iid = %1 ORDER BY name")
                                   .arg(iid)),
             QList<QVariantList>({{QStringLiteral("David A. Vise")}, {QStringLiteral("Mark Malseed")}}));
    const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT coverFile FROM items WHERE iid = %1").arg(iid)),
             QList<QVariantList>{{cover}});
    QCOMPARE(fileContent(cover), fileContent(Fixtures::path(QStringLiteral("cover.jpg"))));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM items")), 1);

    QVERIFY(tableOf(*dialog)->isRowHidden(row));
    QVERIFY(!buttonAt(*dialog, row)->isChecked());
    QVERIFY(user.messages.isEmpty());
    QTRY_VERIFY(dialog->findChildren<DataDownloader *>().isEmpty());

    // The added book is not searched again; the other file is.
    server->clearRequests();
    clickSearchSelected(*dialog);
    QTRY_COMPARE(announced.size(), size_t(2));
    const QList<HttpTestServer::Request> searches = server->requestsTo(SearchPath);
    QCOMPARE(searches.size(), 1);
    QCOMPARE(searches.constFirst().query.queryItemValue(QStringLiteral("q")), QStringLiteral("Other"));
}

void TestMultiSelect::searchSelectedVisitsCheckedRowsUntilSkipAll()
{
    server->setReply(SearchPath, fixture(QStringLiteral("search-several.json"), *server));
    server->setReply(UpdatedVolumePath, fixture(QStringLiteral("volume-minimal.json"), *server));
    const QStringList names{QStringLiteral("Alpha.pdf"), QStringLiteral("Beta.pdf"), QStringLiteral("Gamma.pdf"),
                            QStringLiteral("Delta.pdf")};
    for (const QString &name : names)
        writePdf(name);
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    QCOMPARE(tableOf(*dialog)->rowCount(), names.size());
    QStringList titles;
    QStringList paths;
    for (int row = 0; row < names.size(); ++row) {
        titles.append(titleAt(*dialog, row));
        paths.append(tableOf(*dialog)->item(row, TitleColumn)->data(MultiSelect::PathRole).toString());
    }
    clickTool(buttonAt(*dialog, 1), "btnChecked");
    QVERIFY(!buttonAt(*dialog, 1)->isChecked());

    {
        ModalUser user({QStringLiteral("skip"), QStringLiteral("skip all")});
        clickSearchSelected(*dialog);
        QCOMPARE(user.listedFor, QStringList({titles[0], titles[2]}));
    }
    QCOMPARE(server->requestCount(UpdatedVolumePath), 0);

    // Skip All lasts one run only; choosing a volume adds the row's book and the run goes on.
    {
        ModalUser user({QStringLiteral("skip"), QStringLiteral("1"), QStringLiteral("skip")});
        clickSearchSelected(*dialog);
        QCOMPARE(user.listedFor, QStringList({titles[0], titles[2], titles[3]}));
        QTRY_COMPARE(announced.size(), size_t(1));
    }
    const int iid = announced.front()->getIid();
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT title FROM books WHERE iid = %1").arg(iid)),
             QList<QVariantList>{{QStringLiteral("The Google Story (Updated Edition)")}});
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT filePath FROM files WHERE iid = %1").arg(iid)),
             QList<QVariantList>{{paths[2]}});
    QVERIFY(tableOf(*dialog)->isRowHidden(2));

    {
        ModalUser user({QStringLiteral("skip"), QStringLiteral("skip")});
        clickSearchSelected(*dialog);
        QCOMPARE(user.listedFor, QStringList({titles[0], titles[3]}));
    }
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM items")), 1);
}

void TestMultiSelect::rowInLookupIsNotSearchedAgain()
{
    // A volume service that takes the request and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const QByteArray search
        = "{\"items\": [{\"selfLink\": \"http://127.0.0.1:" + QByteArray::number(silent.serverPort())
        + "/books/v1/volumes/slow\", \"volumeInfo\": {\"title\": \"Slow\"}}]}";
    server->setReply(SearchPath, HttpTestServer::Reply::json(search));
    writePdf(QStringLiteral("Slow.pdf"));
    std::unique_ptr<MultiSelect> dialog = openScanned();

    {
        ModalUser user;
        clickSearch(*dialog, 0);
        QTRY_VERIFY(silent.hasPendingConnections());
        clickSearch(*dialog, 0);
        clickSearchSelected(*dialog);
        QCOMPARE(server->requestCount(SearchPath), 1);
        QVERIFY(user.listedFor.isEmpty());
    }

    // Closing asks first: No keeps the dialog and its lookup, Yes drops the lookup and its record.
    QString question;
    const auto answerNextQuestion = [&question](QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [&question, button] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                question = box->text();
                QTest::mouseClick(box->button(button), Qt::LeftButton);
            }
        });
    };
    answerNextQuestion(QMessageBox::No);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QCOMPARE(question, QStringLiteral("1 lookup is still running. Close anyway?"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChildren<DataDownloader *>().size(), 1);
    answerNextQuestion(QMessageBox::Yes);
    QVERIFY(dialog->close());
    QVERIFY(dialog->findChildren<DataDownloader *>().isEmpty());
    dialog.reset();
    QVERIFY(announced.empty());
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM items")), 0);
}

void TestMultiSelect::failedLookupKeepsTheRow_data()
{
    QTest::addColumn<HttpTestServer::Reply>("volumeReply");
    QTest::addColumn<QString>("reason");
    QTest::newRow("server error") << HttpTestServer::Reply::status(500, "broken") << QStringLiteral("500");
    QTest::newRow("connection dropped") << HttpTestServer::Reply::dropConnection() << QStringLiteral("closed");
}

void TestMultiSelect::failedLookupKeepsTheRow()
{
    QFETCH(HttpTestServer::Reply, volumeReply);
    QFETCH(QString, reason);
    serveStory();
    server->setReply(StoryVolumePath, volumeReply);
    const QString path = writePdf(QStringLiteral("The_Google_Story.pdf"));
    const std::unique_ptr<MultiSelect> dialog = openScanned();

    ModalUser user;
    clickSearch(*dialog, 0);
    QTRY_COMPARE(user.messages.size(), 1);
    QVERIFY2(user.messages.constFirst().contains(path), qPrintable(user.messages.constFirst()));
    QVERIFY2(user.messages.constFirst().contains(reason, Qt::CaseInsensitive), qPrintable(user.messages.constFirst()));

    QVERIFY(server->requestCount(StoryVolumePath) >= 1);
    QVERIFY(announced.empty());
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM items")), 0);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM books")), 0);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM files")), 0);
    QVERIFY(!tableOf(*dialog)->isRowHidden(0));
    QVERIFY(buttonAt(*dialog, 0)->isChecked());
    QTRY_VERIFY(dialog->findChildren<DataDownloader *>().isEmpty());
}

void TestMultiSelect::failedSaveKeepsTheRow()
{
    serveStory();
    const QString path = writePdf(QStringLiteral("The_Google_Story.pdf"));
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    QVERIFY(TestLibrary::exec(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON books BEGIN SELECT RAISE(ABORT, 'refused'); END")));

    {
        ModalUser user;
        clickSearch(*dialog, 0);
        QTRY_COMPARE(user.messages.size(), 1);
        QVERIFY2(user.messages.constFirst().contains(path), qPrintable(user.messages.constFirst()));
    }
    QVERIFY(announced.empty());
    for (const QString &table :
         {QStringLiteral("items"), QStringLiteral("books"), QStringLiteral("files"), QStringLiteral("items_authors")})
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM ") + table), 0);
    QVERIFY(!tableOf(*dialog)->isRowHidden(0));
    QVERIFY(buttonAt(*dialog, 0)->isChecked());
    // No cover is left behind under the id that was given up.
    QCOMPARE(QDir(library->dataDir()).entryList({QStringLiteral("*.jpg")}, QDir::Files),
             QStringList({QStringLiteral("coverfile-tmp.jpg")}));

    // The row is still there to try again, and then the book is stored once.
    QVERIFY(TestLibrary::exec(QStringLiteral("DROP TRIGGER refuse")));
    ModalUser user;
    clickSearch(*dialog, 0);
    QTRY_COMPARE(announced.size(), size_t(1));
    QVERIFY(user.messages.isEmpty());
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM items")), 1);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT filePath FROM files")), QList<QVariantList>{{path}});
    QVERIFY(tableOf(*dialog)->isRowHidden(0));
}

void TestMultiSelect::rowButtonsAppearAsRowsComeIntoView()
{
    server->setReply(SearchPath, fixture(QStringLiteral("search-several.json"), *server));
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    writeManyPdfs();
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    QTableWidget *table = tableOf(*dialog);
    QCOMPARE(table->rowCount(), ManyFiles);
    const int last = ManyFiles - 1;

    QTRY_VERIFY(buttonAt(*dialog, 0));
    const int shown = lastRowOnScreen(table);
    QVERIFY2(shown > 0 && shown < last / 2, qPrintable(QString::number(shown)));
    for (int row = 0; row < ManyFiles; ++row)
        QCOMPARE(bool(buttonAt(*dialog, row)), row <= shown);
    // Styled by the table rather than by a style sheet of their own, the buttons are sized as a lone set is;
    // and their column, sized before any row had them, fits them.
    QVERIFY(buttonAt(*dialog, 0)->styleSheet().isEmpty());
    QCOMPARE(buttonAt(*dialog, 0)->sizeHint(), TableButton().sizeHint());
    QVERIFY(table->columnWidth(0) >= buttonAt(*dialog, 0)->sizeHint().width());

    // A taller dialog shows more rows, and they get their buttons too.
    dialog->resize(800, 900);
    QTRY_VERIFY(lastRowOnScreen(table) > shown);
    QTRY_VERIFY(buttonAt(*dialog, lastRowOnScreen(table)));
    QVERIFY(!buttonAt(*dialog, lastRowOnScreen(table) + 1));

    pressCtrl(table, Qt::Key_End);
    QTRY_VERIFY(buttonAt(*dialog, last));
    TableButton *button = buttonAt(*dialog, last);
    QVERIFY(button->isChecked());
    clickTool(button, "bookOpen");
    QCOMPARE(recorder.opened, QList<QUrl>{QUrl::fromLocalFile(pathAt(*dialog, last))});
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ModalUser user;
    clickTool(button, "toolButton");
    QCOMPARE(user.listedFor, QStringList{titleAt(*dialog, last)});
}

void TestMultiSelect::rowsKeepTheirCheckWhileScrolling()
{
    server->setReply(SearchPath, fixture(QStringLiteral("search-several.json"), *server));
    writeManyPdfs();
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    QTableWidget *table = tableOf(*dialog);
    const int last = ManyFiles - 1;

    QTRY_VERIFY(buttonAt(*dialog, 0));
    clickTool(buttonAt(*dialog, 0), "btnChecked");
    pressCtrl(table, Qt::Key_End);
    QTRY_VERIFY(buttonAt(*dialog, last));
    clickTool(buttonAt(*dialog, last), "btnChecked");

    pressCtrl(table, Qt::Key_Home);
    QCOMPARE(table->rowAt(0), 0);
    QVERIFY(!buttonAt(*dialog, 0)->isChecked());
    QVERIFY(buttonAt(*dialog, 1)->isChecked());
    pressCtrl(table, Qt::Key_End);
    QCOMPARE(lastRowOnScreen(table), last);
    QVERIFY(!buttonAt(*dialog, last)->isChecked());
    QVERIFY(buttonAt(*dialog, last - 1)->isChecked());

    // Search Selected sees the same marks: it starts at the first row still checked.
    ModalUser user;
    clickSearchSelected(*dialog);
    QCOMPARE(user.listedFor, QStringList{titleAt(*dialog, 1)});
}

void TestMultiSelect::searchSelectedReachesRowsOffScreen()
{
    server->setReply(SearchPath, fixture(QStringLiteral("search-several.json"), *server));
    server->setReply(UpdatedVolumePath, fixture(QStringLiteral("volume-minimal.json"), *server));
    writeManyPdfs();
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    QTableWidget *table = tableOf(*dialog);

    // Every row on screen but the first is left out, so the run goes on below the screen.
    QTRY_VERIFY(buttonAt(*dialog, 0));
    const int shown = lastRowOnScreen(table);
    for (int row = 1; row <= shown; ++row)
        clickTool(buttonAt(*dialog, row), "btnChecked");
    const int below = shown + 1;
    QVERIFY(!buttonAt(*dialog, below));
    const QString path = pathAt(*dialog, below);
    {
        ModalUser user({QStringLiteral("skip"), QStringLiteral("1"), QStringLiteral("skip all")});
        clickSearchSelected(*dialog);
        QCOMPARE(user.listedFor,
                 QStringList({titleAt(*dialog, 0), titleAt(*dialog, below), titleAt(*dialog, below + 1)}));
        QTRY_COMPARE(announced.size(), size_t(1));
    }
    QCOMPARE(
        TestLibrary::rows(QStringLiteral("SELECT filePath FROM files WHERE iid = %1").arg(announced.front()->getIid())),
        QList<QVariantList>{{path}});
    QVERIFY(table->isRowHidden(below));
    QVERIFY(!buttonAt(*dialog, below));

    // Scrolled past, the added row stays out of the list and out of the next run.
    table->scrollToItem(table->item(below + 1, TitleColumn), QAbstractItemView::PositionAtTop);
    QTRY_VERIFY(buttonAt(*dialog, below + 1));
    QVERIFY(table->isRowHidden(below));
    QVERIFY(!buttonAt(*dialog, below) || !buttonAt(*dialog, below)->isChecked());
    ModalUser user({QStringLiteral("skip"), QStringLiteral("skip all")});
    clickSearchSelected(*dialog);
    QCOMPARE(user.listedFor, QStringList({titleAt(*dialog, 0), titleAt(*dialog, below + 1)}));
}

void TestMultiSelect::pdfIsLookedUpByWhatItSaysOfItself()
{
    serveStory();
    // A scan named by the scanner, with the ISBN on its copyright page.
    const QString scanned = folder() + QStringLiteral("/scan0001.pdf");
    QVERIFY(TestPdf::write(scanned, QString(),
                           {QStringLiteral("The Google Story"), QStringLiteral("ISBN 978-0-553-80457-7")}));
    // Another program's book: its title and author in its metadata, no ISBN, no match.
    const QString garden = library->writeFile(QStringLiteral("scan/walled-garden-final.pdf"),
                                              Fixtures::read(QStringLiteral("calibre-garden.pdf")));
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    QTableWidget *table = tableOf(*dialog);
    const int gardenRow = rowOfFile(*dialog, garden);
    QTRY_COMPARE(table->item(gardenRow, TitleColumn)->text(), QStringLiteral("The Walled Garden"));

    ModalUser user;
    clickSearch(*dialog, rowOfFile(*dialog, scanned));
    QTRY_COMPARE(announced.size(), size_t(1));
    QCOMPARE(server->requestsTo(SearchPath).constFirst().query.queryItemValue(QStringLiteral("q")),
             QStringLiteral("isbn:9780553804577"));

    // Stored without a match, the book gets its author and its first page as its cover.
    toolOf(buttonAt(*dialog, gardenRow), "btnAddNoLookup")->click();
    QCOMPARE(announced.size(), size_t(2));
    const int iid = announced.back()->getIid();
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT name FROM authors JOIN items_authors USING (aid) "
                                              "WHERE iid = %1")
                                   .arg(iid)),
             QList<QVariantList>({{QStringLiteral("Mara Holt")}}));
    const QImage cover(library->dataDir() + QString::number(iid) + QStringLiteral(".jpg"));
    QCOMPARE(cover.height(), 300);
    QVERIFY(cover.width() > 150 && cover.width() < 300);
}

void TestMultiSelect::epubIsStoredAsItDescribesItself()
{
    Settings().setValue(Settings::ScanFormats, QStringLiteral("epub"));
    QImage front(400, 600, QImage::Format_RGB32);
    front.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && front.save(&buffer, "PNG"));
    QVERIFY(QDir().mkpath(folder()));
    const QString book = folder() + QStringLiteral("/book1.epub");
    QVERIFY(EpubBuilder::describedBook(png).write(book));
    const std::unique_ptr<MultiSelect> dialog = openScanned();
    const int row = rowOfFile(*dialog, book);
    QTRY_COMPARE(titleAt(*dialog, row), QStringLiteral("The Dispossessed"));

    toolOf(buttonAt(*dialog, row), "btnAddNoLookup")->click();
    QCOMPARE(announced.size(), size_t(1));
    const int iid = announced.back()->getIid();
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT title, isbn13, publisher, datePublished, description, name "
                                              "FROM books JOIN items_authors USING (iid) JOIN authors USING (aid)")),
             QList<QVariantList>({{QStringLiteral("The Dispossessed"), QStringLiteral("9780306406157"),
                                   QStringLiteral("Harper & Row"), QStringLiteral("1974-05-01"),
                                   QStringLiteral("An ambiguous utopia."), QStringLiteral("Ursula K. Le Guin")}}));
    const QImage cover(library->dataDir() + QString::number(iid) + QStringLiteral(".jpg"));
    QCOMPARE(cover.size(), QSize(200, 300));
    QCOMPARE(QColor(cover.pixel(100, 150)).green(), QColor(Qt::darkGreen).green());
}

SHELVIO_TEST_MAIN(TestMultiSelect)
#include "tst_multiselect.moc"
