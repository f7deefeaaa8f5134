#include "metadata/bookselection.h"
#include "metadata/bookservicethrottle.h"
#include "tests/support/fixtures.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/urlrecorder.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(HttpTestServer::Reply)

namespace {

constexpr int ReplyTimeout = 10000;
// Long enough for an unwanted box or close to follow a reply from the local server.
constexpr int SettleTime = 300;

const QString volumesPath = QStringLiteral("/books/v1/volumes");

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers every message box that comes up while it lives, remembering what each said.
class BoxWatcher
{
public:
    BoxWatcher()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            seen.append({box->windowTitle(), box->text(), box->icon()});
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        });
        timer.start();
    }

    bool waitForBoxes(int count) const
    {
        return QTest::qWaitFor([this, count] { return seen.size() >= count; }, ReplyTimeout);
    }

    QList<SeenBox> seen;

private:
    QTimer timer;
};

// As keyClicks, but also for letters outside ASCII, which a keyboard sends as text without a key code.
void typeInto(QWidget *widget, const QString &text)
{
    for (const QChar character : text) {
        if (character.unicode() < 0x80)
            QTest::keyClick(widget, char(character.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
}

// The q value as the service reads it: form decoding, so a raw '+' would be a space.
QString serviceReadsQuery(const QByteArray &rawTarget)
{
    const qsizetype start = rawTarget.indexOf("?q=");
    if (start < 0)
        return {};
    QByteArray value = rawTarget.mid(start + 3);
    value.replace('+', ' ');
    return QUrl::fromPercentEncoding(value);
}

} // namespace

class TestBookSelection : public QObject
{
    Q_OBJECT

public:
    explicit TestBookSelection(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void searchSendsWhatWasTyped_data();
    void searchSendsWhatWasTyped();
    void severalMatchesAreListed();
    void fileOfTheSearchIsShownAndOpened();
    void chosenRowIsAccepted_data();
    void chosenRowIsAccepted();
    void saveWaitsForAChoice();
    void tabbingIntoTheListChoosesNothing();
    void newSearchForgetsTheChoice();
    void leavingWithoutAChoice_data();
    void leavingWithoutAChoice();
    void oneMatchIsTakenAtOnce();
    void noMatchKeepsTheDialogOpen_data();
    void noMatchKeepsTheDialogOpen();
    void failedSearchIsReported_data();
    void failedSearchIsReported();
    void newSearchReplacesTheOneUnderWay();
    void serviceAskingToWaitPausesTheSearch();
    void enterTakesTheChosenVolume();
    void searchExistingListsTheLibrarysLikeTitles();
    void shownCentredOnTheScreen();

private:
    struct ModalRun
    {
        int result = -1;
        bool timedOut = false;
    };

    // The fixture with its links pointing at the test server.
    QByteArray fixture(const QString &name) const;
    QString volumeUrl(const QString &id) const;
    void serveSearch(const QString &fixtureName);
    // Runs the dialog as the callers do; `steps` runs once it is up. A dialog the steps did not close is
    // rejected after a while, and the run says so.
    static ModalRun runModally(BookSelection &dialog, const std::function<void()> &steps);

    template<typename T>
    static T *child(const BookSelection &dialog, const char *name)
    {
        return dialog.findChild<T *>(QLatin1String(name));
    }
    static QTableWidget *tableOf(const BookSelection &dialog);
    static QString cellText(const BookSelection &dialog, int row, int column);
    static void typeAndSearch(BookSelection &dialog, const QString &keywords, const QString &isbn = {});
    static bool waitForRows(const BookSelection &dialog, int rows);
    // Shows the dialog and searches for a title with three matches.
    static bool showSeveralMatches(BookSelection &dialog);
    static void clickCell(BookSelection &dialog, int row, int column);
    static void doubleClickCell(BookSelection &dialog, int row, int column);
    static void click(BookSelection &dialog, const char *button);

    TestEnvironment &environment;
    std::unique_ptr<HttpTestServer> server;
    std::unique_ptr<UrlRecorder> recorder;
};

void TestBookSelection::init()
{
    environment.reset();
    server = std::make_unique<HttpTestServer>();
    QVERIFY(server->listen());
    qputenv("SHELVIO_BOOKS_API", server->url(volumesPath).toString().toUtf8());
    recorder = std::make_unique<UrlRecorder>();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), recorder.get(), "open");
}

void TestBookSelection::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    recorder.reset();
    qunsetenv("SHELVIO_BOOKS_API");
    server.reset();
}

QByteArray TestBookSelection::fixture(const QString &name) const
{
    QByteArray content = Fixtures::read(name);
    const QString base = QStringLiteral("http://127.0.0.1:") + QString::number(server->port());
    return content.replace("{{BASE}}", base.toUtf8());
}

QString TestBookSelection::volumeUrl(const QString &id) const
{
    return server->url(volumesPath + u'/' + id).toString();
}

void TestBookSelection::serveSearch(const QString &fixtureName)
{
    server->setReply(volumesPath, HttpTestServer::Reply::json(fixture(fixtureName)));
}

TestBookSelection::ModalRun TestBookSelection::runModally(BookSelection &dialog, const std::function<void()> &steps)
{
    ModalRun run;
    QTimer::singleShot(0, &dialog, steps);
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, &dialog, [&dialog, &run] {
        run.timedOut = true;
        while (QWidget *box = QApplication::activeModalWidget()) {
            if (box == &dialog)
                break;
            box->close();
        }
        dialog.reject();
    });
    safety.start(ReplyTimeout);
    run.result = dialog.exec();
    return run;
}

QTableWidget *TestBookSelection::tableOf(const BookSelection &dialog)
{
    return child<QTableWidget>(dialog, "tableWidget");
}

QString TestBookSelection::cellText(const BookSelection &dialog, int row, int column)
{
    const QTableWidgetItem *item = tableOf(dialog)->item(row, column);
    return item ? item->text() : QString();
}

void TestBookSelection::typeAndSearch(BookSelection &dialog, const QString &keywords, const QString &isbn)
{
    auto *keywordsEdit = child<QLineEdit>(dialog, "keywords");
    auto *isbnEdit = child<QLineEdit>(dialog, "isbn");
    keywordsEdit->clear();
    isbnEdit->clear();
    typeInto(keywordsEdit, keywords);
    typeInto(isbnEdit, isbn);
    click(dialog, "btnUpdate");
}

bool TestBookSelection::showSeveralMatches(BookSelection &dialog)
{
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return false;
    typeAndSearch(dialog, QStringLiteral("google story"));
    return waitForRows(dialog, 3);
}

bool TestBookSelection::waitForRows(const BookSelection &dialog, int rows)
{
    return QTest::qWaitFor([&dialog, rows] { return tableOf(dialog)->rowCount() == rows; }, ReplyTimeout);
}

void TestBookSelection::clickCell(BookSelection &dialog, int row, int column)
{
    QTableWidget *table = tableOf(dialog);
    const QRect cell = table->visualRect(table->model()->index(row, column));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
}

void TestBookSelection::doubleClickCell(BookSelection &dialog, int row, int column)
{
    QTableWidget *table = tableOf(dialog);
    const QRect cell = table->visualRect(table->model()->index(row, column));
    // A press and release, then the second press that the system reports as a double click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, cell.center());
}

void TestBookSelection::click(BookSelection &dialog, const char *button)
{
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

void TestBookSelection::searchSendsWhatWasTyped_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QString>("isbn");
    // Null: the bare endpoint, without any query.
    QTest::addColumn<QString>("query");

    QTest::newRow("keywords") << "google story"
                              << "" << QStringLiteral("google story");
    QTest::newRow("ISBN wins over keywords") << "google story"
                                             << "9780553804577" << QStringLiteral("isbn:9780553804577");
    QTest::newRow("ISBN as typed") << ""
                                   << "978-0-553 80457-7" << QStringLiteral("isbn:978-0-553 80457-7");
    QTest::newRow("two-character ISBN") << "google story"
                                        << "12" << QStringLiteral("isbn:12");
    QTest::newRow("one-character ISBN ignored") << "google story"
                                                << "9" << QStringLiteral("google story");
    QTest::newRow("two-character keywords") << "ab"
                                            << "" << QStringLiteral("ab");
    QTest::newRow("both too short") << "a"
                                    << "9" << QString();
    QTest::newRow("nothing typed") << ""
                                   << "" << QString();
    QTest::newRow("reserved characters stay in the search") << "Tom & Jerry #2: C++ at 100%"
                                                            << "" << QStringLiteral("Tom & Jerry #2: C++ at 100%");
    QTest::newRow("letters outside ASCII") << "Martínez café"
                                           << "" << QStringLiteral("Martínez café");
}

void TestBookSelection::searchSendsWhatWasTyped()
{
    QFETCH(QString, keywords);
    QFETCH(QString, isbn);
    QFETCH(QString, query);

    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeAndSearch(dialog, keywords, isbn);
    QVERIFY(waitForRows(dialog, 3));

    const QList<HttpTestServer::Request> requests = server->requests();
    QCOMPARE(requests.size(), 1);
    const HttpTestServer::Request &request = requests.first();
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.path, volumesPath);
    if (query.isNull()) {
        QCOMPARE(request.rawTarget, volumesPath.toUtf8());
        return;
    }
    QCOMPARE(request.query.queryItems().size(), 1);
    QCOMPARE(request.query.queryItems().first().first, QStringLiteral("q"));
    QCOMPARE(request.query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded), query);
    QCOMPARE(serviceReadsQuery(request.rawTarget), query);
    if (query.startsWith(QLatin1String("isbn:")))
        QVERIFY2(request.rawTarget.startsWith(volumesPath.toUtf8() + "?q=isbn:"), request.rawTarget.constData());
}

void TestBookSelection::severalMatchesAreListed()
{
    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Multiple Books Found"));
    typeAndSearch(dialog, QStringLiteral("google story"));
    QVERIFY(waitForRows(dialog, 3));

    const QTableWidget *table = tableOf(dialog);
    QCOMPARE(cellText(dialog, 0, 0), QStringLiteral("The Google Story"));
    QCOMPARE(cellText(dialog, 1, 0), QStringLiteral("The Google Story (Updated Edition)"));
    QCOMPARE(cellText(dialog, 2, 0), QStringLiteral("Inside the Google Story: Search, Advertising and the Web"));
    QCOMPARE(cellText(dialog, 0, 1), QStringLiteral("David A. Vise, Mark Malseed"));
    QCOMPARE(cellText(dialog, 1, 1), QString());
    QCOMPARE(cellText(dialog, 2, 1), QStringLiteral("Ana Lucía Martínez"));
    QCOMPARE(cellText(dialog, 0, 2), QStringLiteral("207"));
    QCOMPARE(cellText(dialog, 1, 2), QStringLiteral("352"));
    QCOMPARE(cellText(dialog, 2, 2), QString());
    const QStringList urls{volumeUrl(QStringLiteral("zyTCAlFPjgYC")), volumeUrl(QStringLiteral("8U2oAAAAQBAJ")),
                           volumeUrl(QStringLiteral("Ds9tDwAAQBAJ"))};
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(table->item(row, 0)->data(BookSelection::VolumeUrlRole).toString(), urls.at(row));
        QCOMPARE(cellText(dialog, row, 3), QString());
        QCOMPARE(cellText(dialog, row, 4), QString());
    }
    QCOMPARE(BookSelection::VolumeUrlRole, 42);
    QCOMPARE(table->columnWidth(0), 220);

    // Listed, not yet chosen: the dialog waits for the user.
    QVERIFY(!child<QPushButton>(dialog, "btnSave")->isEnabled());
    QVERIFY(dialog.getSelectedUrl().isEmpty());
    QTest::qWait(SettleTime);
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.size(), 0);
    // No file to show.
    QVERIFY(!child<QLineEdit>(dialog, "filePath")->isVisible());
    QVERIFY(!child<QPushButton>(dialog, "btnFileOpen")->isVisible());
}

void TestBookSelection::fileOfTheSearchIsShownAndOpened()
{
    serveSearch(QStringLiteral("search-several.json"));
    const QString path = environment.home() + QStringLiteral("/books/The Google Story.pdf");
    BookSelection dialog;
    dialog.setFilePath(path);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(child<QLineEdit>(dialog, "filePath")->text(), path);
    typeAndSearch(dialog, QStringLiteral("google story"));
    QVERIFY(waitForRows(dialog, 3));

    auto *filePath = child<QLineEdit>(dialog, "filePath");
    QVERIFY(filePath->isVisible());
    QVERIFY(!filePath->isEnabled());
    QCOMPARE(filePath->text(), path);
    click(dialog, "btnFileOpen");
    QCOMPARE(recorder->opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    QVERIFY(dialog.isVisible());
}

void TestBookSelection::chosenRowIsAccepted_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");

    QTest::newRow("click, then Save") << "click" << 1;
    QTest::newRow("another click, then Save") << "click again" << 2;
    QTest::newRow("arrow key, then Save") << "key down" << 1;
    QTest::newRow("double click") << "double click" << 2;
}

void TestBookSelection::chosenRowIsAccepted()
{
    QFETCH(QString, how);
    QFETCH(int, row);

    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    bool listed = false;
    const ModalRun run = runModally(dialog, [&] {
        typeAndSearch(dialog, QStringLiteral("google story"));
        listed = waitForRows(dialog, 3);
        if (!listed)
            return;
        if (how == QLatin1String("double click")) {
            doubleClickCell(dialog, row, 1);
            return;
        }
        if (how == QLatin1String("click")) {
            clickCell(dialog, row, 2);
        } else if (how == QLatin1String("click again")) {
            clickCell(dialog, 0, 0);
            clickCell(dialog, row, 0);
        } else {
            clickCell(dialog, row - 1, 0);
            QTest::keyClick(tableOf(dialog), Qt::Key_Down);
        }
        click(dialog, "btnSave");
    });

    QVERIFY(listed);
    QVERIFY(!run.timedOut);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(dialog.getSelectedUrl(), tableOf(dialog)->item(row, 0)->data(BookSelection::VolumeUrlRole).toString());
    QVERIFY(dialog.getSelectedUrl().startsWith(server->url(volumesPath + u'/').toString()));
    QVERIFY(!dialog.getSkipAll());
}

void TestBookSelection::saveWaitsForAChoice()
{
    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    auto *save = child<QPushButton>(dialog, "btnSave");
    bool savedBeforeChoice = true;
    bool enabledBeforeChoice = true;
    bool enabledAfterChoice = false;
    const ModalRun run = runModally(dialog, [&] {
        enabledBeforeChoice = save->isEnabled();
        typeAndSearch(dialog, QStringLiteral("google story"));
        if (!waitForRows(dialog, 3))
            return;
        enabledBeforeChoice = enabledBeforeChoice || save->isEnabled();
        QTest::mouseClick(save, Qt::LeftButton);
        QTest::qWait(SettleTime);
        savedBeforeChoice = !dialog.isVisible();
        if (savedBeforeChoice)
            return;
        clickCell(dialog, 2, 0);
        enabledAfterChoice = save->isEnabled();
        QTest::mouseClick(save, Qt::LeftButton);
    });

    QVERIFY(!run.timedOut);
    QVERIFY(!enabledBeforeChoice);
    QVERIFY(!savedBeforeChoice);
    QVERIFY(enabledAfterChoice);
    QCOMPARE(run.result, int(QDialog::Accepted));
    QCOMPARE(dialog.getSelectedUrl(), volumeUrl(QStringLiteral("Ds9tDwAAQBAJ")));
}

void TestBookSelection::tabbingIntoTheListChoosesNothing()
{
    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    QVERIFY(showSeveralMatches(dialog));

    // The list gets a focus frame on its first row, but no row is selected yet.
    QTableWidget *table = tableOf(dialog);
    child<QPushButton>(dialog, "btnUpdate")->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), table);
    QVERIFY(table->selectedItems().isEmpty());
    QVERIFY(!child<QPushButton>(dialog, "btnSave")->isEnabled());
    QVERIFY(dialog.getSelectedUrl().isEmpty());

    // Space selects the row with the frame; that is a choice.
    QTest::keyClick(table, Qt::Key_Space);
    QVERIFY(child<QPushButton>(dialog, "btnSave")->isEnabled());
    QCOMPARE(dialog.getSelectedUrl(),
             table->item(table->currentRow(), 0)->data(BookSelection::VolumeUrlRole).toString());
}

void TestBookSelection::newSearchForgetsTheChoice()
{
    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    QVERIFY(showSeveralMatches(dialog));
    clickCell(dialog, 1, 0);
    QVERIFY(child<QPushButton>(dialog, "btnSave")->isEnabled());
    QCOMPARE(dialog.getSelectedUrl(), volumeUrl(QStringLiteral("8U2oAAAAQBAJ")));

    // The second reply lists other volumes; the earlier choice named one of the old rows.
    QByteArray other = fixture(QStringLiteral("search-several.json"));
    other.replace("8U2oAAAAQBAJ", "Other0000001");
    server->setReply(volumesPath, HttpTestServer::Reply::json(other));
    typeAndSearch(dialog, QStringLiteral("google story updated"));
    QVERIFY(QTest::qWaitFor(
        [&dialog] {
            const QTableWidgetItem *item = tableOf(dialog)->item(1, 0);
            return item && item->data(BookSelection::VolumeUrlRole).toString().endsWith(QLatin1String("Other0000001"));
        },
        ReplyTimeout));
    QCOMPARE(tableOf(dialog)->rowCount(), 3);
    QVERIFY(!child<QPushButton>(dialog, "btnSave")->isEnabled());
    QVERIFY(dialog.getSelectedUrl().isEmpty());
}

void TestBookSelection::leavingWithoutAChoice_data()
{
    QTest::addColumn<bool>("singleBook");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("skipText");
    QTest::addColumn<bool>("skipAll");

    QTest::newRow("skip") << false << QByteArray("btnSkip") << "S&kip" << false;
    QTest::newRow("skip all") << false << QByteArray("btnSkipAll") << "S&kip" << true;
    QTest::newRow("cancel a single book") << true << QByteArray("btnSkip") << "Cancel" << false;
}

void TestBookSelection::leavingWithoutAChoice()
{
    QFETCH(bool, singleBook);
    QFETCH(QByteArray, button);
    QFETCH(QString, skipText);
    QFETCH(bool, skipAll);

    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    if (singleBook)
        dialog.setSingleBookMode();
    bool listed = false;
    bool skipAllShown = false;
    QString shownSkipText;
    const ModalRun run = runModally(dialog, [&] {
        typeAndSearch(dialog, QStringLiteral("google story"));
        listed = waitForRows(dialog, 3);
        skipAllShown = child<QPushButton>(dialog, "btnSkipAll")->isVisible();
        shownSkipText = child<QPushButton>(dialog, "btnSkip")->text();
        click(dialog, button.constData());
    });

    QVERIFY(listed);
    QVERIFY(!run.timedOut);
    QCOMPARE(run.result, int(QDialog::Rejected));
    QCOMPARE(dialog.getSkipAll(), skipAll);
    QCOMPARE(skipAllShown, !singleBook);
    QCOMPARE(shownSkipText, skipText);
}

void TestBookSelection::oneMatchIsTakenAtOnce()
{
    serveSearch(QStringLiteral("search-one.json"));
    const QString selfLink = volumeUrl(QStringLiteral("zyTCAlFPjgYC"));

    // As the callers do it: fill in, search, then run the dialog.
    {
        BookSelection dialog;
        dialog.setSingleBookMode();
        dialog.setIsbn(QStringLiteral("9780553804577"));
        dialog.search();
        BoxWatcher boxes;
        const ModalRun run = runModally(dialog, [] {});
        QVERIFY(!run.timedOut);
        QCOMPARE(run.result, int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedUrl(), selfLink);
        QCOMPARE(tableOf(dialog)->rowCount(), 0);
        QCOMPARE(boxes.seen.size(), 0);
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().query.queryItemValue(QStringLiteral("q")),
                 QStringLiteral("isbn:9780553804577"));
    }

    // Typed into the open dialog.
    BookSelection dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeAndSearch(dialog, QStringLiteral("the google story"));
    QVERIFY(finished.wait(ReplyTimeout));
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
    QCOMPARE(dialog.getSelectedUrl(), selfLink);
    QCOMPARE(tableOf(dialog)->rowCount(), 0);
    QVERIFY(!dialog.isVisible());
}

void TestBookSelection::noMatchKeepsTheDialogOpen_data()
{
    QTest::addColumn<HttpTestServer::Reply>("reply");

    QTest::newRow("no items") << HttpTestServer::Reply::json(Fixtures::read(QStringLiteral("search-none.json")));
    QTest::newRow("empty items") << HttpTestServer::Reply::json("{\"kind\": \"books#volumes\", \"items\": []}");
}

void TestBookSelection::noMatchKeepsTheDialogOpen()
{
    QFETCH(HttpTestServer::Reply, reply);

    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeAndSearch(dialog, QStringLiteral("google story"));
    QVERIFY(waitForRows(dialog, 3));

    server->setReply(volumesPath, reply);
    BoxWatcher boxes;
    typeAndSearch(dialog, QStringLiteral("no such book"));
    QVERIFY(boxes.waitForBoxes(1));
    QTest::qWait(SettleTime);
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen.first().title, QStringLiteral("Not found online"));
    QCOMPARE(boxes.seen.first().text, QStringLiteral("No books were found.\nPlease try changing information entered."));
    QCOMPARE(boxes.seen.first().icon, QMessageBox::Critical);
    // Open and unchanged: the rows of the earlier search stay.
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.size(), 0);
    QCOMPARE(tableOf(dialog)->rowCount(), 3);
    QCOMPARE(cellText(dialog, 0, 0), QStringLiteral("The Google Story"));
    QCOMPARE(child<QLineEdit>(dialog, "keywords")->text(), QStringLiteral("no such book"));

    // Another search from the same dialog still works.
    serveSearch(QStringLiteral("search-one.json"));
    typeAndSearch(dialog, QStringLiteral("the google story"));
    QVERIFY(finished.wait(ReplyTimeout));
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
    QCOMPARE(dialog.getSelectedUrl(), volumeUrl(QStringLiteral("zyTCAlFPjgYC")));
}

void TestBookSelection::failedSearchIsReported_data()
{
    QTest::addColumn<HttpTestServer::Reply>("reply");
    QTest::addColumn<QString>("reasonPart");

    // A refused search is a failure even when its body lists volumes.
    const QByteArray listing = Fixtures::read(QStringLiteral("search-several.json"));
    QTest::newRow("server error") << HttpTestServer::Reply::json(listing, 500) << "500";
    QTest::newRow("forbidden") << HttpTestServer::Reply::json("{\"error\": {\"code\": 403}}", 403) << "403";
    QTest::newRow("dropped connection") << HttpTestServer::Reply::dropConnection() << "";
    QTest::newRow("body cut off") << HttpTestServer::Reply::json(listing)
                                         .withHeader("Content-Length", QByteArray::number(listing.size() * 2))
                                         .withHeader("Connection", "close")
                                  << "";
    // A reply that is no answer to a search is no "nothing found".
    const QString unreadable = QStringLiteral("The reply could not be read. The server answered 200");
    QTest::newRow("not JSON") << HttpTestServer::Reply::text("Sorry, no books today.") << unreadable;
    QTest::newRow("HTML page") << HttpTestServer::Reply::text("<!DOCTYPE html><html><body>Error</body></html>")
                               << unreadable;
    QTest::newRow("JSON array") << HttpTestServer::Reply::json("[{\"items\": []}]") << unreadable;
    QTest::newRow("truncated") << HttpTestServer::Reply::json(listing.left(listing.size() / 2)) << unreadable;
    QTest::newRow("invalid UTF-8") << HttpTestServer::Reply::json("{\"totalItems\": 0, \"kind\": \"\xff\xfe\"}")
                                   << unreadable;
    QTest::newRow("items not a list") << HttpTestServer::Reply::json("{\"items\": \"none\"}") << unreadable;
}

void TestBookSelection::failedSearchIsReported()
{
    QFETCH(HttpTestServer::Reply, reply);
    QFETCH(QString, reasonPart);

    server->setReply(volumesPath, reply);
    BookSelection dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    BoxWatcher boxes;
    typeAndSearch(dialog, QStringLiteral("google story"));
    QVERIFY(boxes.waitForBoxes(1));
    QTest::qWait(SettleTime);

    QCOMPARE(boxes.seen.size(), 1);
    const SeenBox &box = boxes.seen.first();
    QCOMPARE(box.title, QStringLiteral("Search failed"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    const QStringList lines = box.text.split(u'\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("The search in Google Books failed."));
    QVERIFY2(!lines.at(1).trimmed().isEmpty(), qPrintable(box.text));
    QVERIFY2(lines.at(1).contains(reasonPart), qPrintable(box.text));
    QCOMPARE(lines.at(2), QStringLiteral("Please try again later."));
    // Nothing to choose from: the dialog does not stay open empty.
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Rejected));
    QCOMPARE(tableOf(dialog)->rowCount(), 0);
}

void TestBookSelection::newSearchReplacesTheOneUnderWay()
{
    // The first search never gets an answer; the dialog says it is searching until the second one's comes.
    server->setReply(volumesPath + QStringLiteral("?q=slow"), HttpTestServer::Reply::silence());
    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    BoxWatcher boxes;
    typeAndSearch(dialog, QStringLiteral("slow"));
    QCOMPARE(cellText(dialog, 0, 0), QStringLiteral("Searching…"));
    QTRY_COMPARE(server->requestCount(volumesPath), 1);
    QVERIFY(!child<QPushButton>(dialog, "btnSave")->isEnabled());

    typeAndSearch(dialog, QStringLiteral("google story"));
    QVERIFY(waitForRows(dialog, 3));
    QTest::qWait(SettleTime);
    // The first search was ended without a word, and its reply can no longer win.
    QCOMPARE(boxes.seen.size(), 0);
    QCOMPARE(cellText(dialog, 0, 0), QStringLiteral("The Google Story"));
}

void TestBookSelection::serviceAskingToWaitPausesTheSearch()
{
    server->setReplyQueue(volumesPath, {HttpTestServer::Reply::text("Too many requests", 429).withHeader("Retry-After", "1"),
                                        HttpTestServer::Reply::json(fixture(QStringLiteral("search-several.json")))});
    BookSelection dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    BoxWatcher boxes;
    typeAndSearch(dialog, QStringLiteral("google story"));
    QVERIFY(boxes.waitForBoxes(1));
    QCOMPARE(boxes.seen.first().title, QStringLiteral("Book service busy"));
    QCOMPARE(boxes.seen.first().text,
             QStringLiteral("The book service asks us to wait 1 second; lookups continue by themselves."));
    QCOMPARE(cellText(dialog, 0, 0), QStringLiteral("Waiting for the book service…"));
    // The search goes on by itself once the pause is over.
    QVERIFY(waitForRows(dialog, 3));
    QCOMPARE(server->requestCount(volumesPath), 2);
    QCOMPARE(boxes.seen.size(), 1);

    // Without a time named the wait is 30 s, doubled for each refusal in a row, never over 10 minutes.
    const QDateTime now(QDate(2015, 10, 21), QTime(7, 26, 30), Qt::UTC);
    QCOMPARE(BookServiceThrottle::waitFor({}, 1, now), std::chrono::seconds(30));
    QCOMPARE(BookServiceThrottle::waitFor({}, 3, now), std::chrono::seconds(120));
    QCOMPARE(BookServiceThrottle::waitFor({}, 9, now), std::chrono::seconds(600));
    QCOMPARE(BookServiceThrottle::waitFor("7200", 1, now), std::chrono::seconds(600));
    QCOMPARE(BookServiceThrottle::waitFor("Wed, 21 Oct 2015 07:28:00 GMT", 1, now), std::chrono::seconds(90));
}

void TestBookSelection::enterTakesTheChosenVolume()
{
    serveSearch(QStringLiteral("search-several.json"));
    BookSelection dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    QVERIFY(showSeveralMatches(dialog));
    clickCell(dialog, 1, 0);
    QTest::keyClick(tableOf(dialog), Qt::Key_Return);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), int(QDialog::Accepted));
    QCOMPARE(dialog.getSelectedUrl(), tableOf(dialog)->item(1, 0)->data(BookSelection::VolumeUrlRole).toString());
}

void TestBookSelection::searchExistingListsTheLibrarysLikeTitles()
{
    TestLibrary library(environment);
    for (const QString &title : {QStringLiteral("The Google Story"), QStringLiteral("Google Maps for Beginners"),
                                 QStringLiteral("Dune")})
        QVERIFY(TestLibrary::storeBook(title, {}) > 0);
    BookSelection dialog;
    dialog.setKeywords(QStringLiteral("The google story, updated"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    BoxWatcher boxes;
    click(dialog, "pushButton");
    QVERIFY(boxes.waitForBoxes(1));
    // Most words shared first; a title with none is not listed.
    const QString listed = boxes.seen.first().text;
    QVERIFY2(listed.indexOf(QStringLiteral("The Google Story")) < listed.indexOf(QStringLiteral("Google Maps")),
             qPrintable(listed));
    QVERIFY(listed.contains(QStringLiteral("Google Maps for Beginners")));
    QVERIFY(!listed.contains(QStringLiteral("Dune")));
}

void TestBookSelection::shownCentredOnTheScreen()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    BookSelection dialog;
    for (int showing = 0; showing < 2; ++showing) {
        dialog.move(screen.topLeft());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint offset = dialog.frameGeometry().center() - screen.center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1, %2 off the centre").arg(offset.x()).arg(offset.y())));
        dialog.hide();
    }
}

SHELVIO_TEST_MAIN(TestBookSelection)

#include "tst_bookselection.moc"
