#include "model/book.h"
#include "model/savetransaction.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int CrashStatus = 86;

const QStringList RecordTables{"items", "books", "authors", "items_authors", "files"};

void crashNow(sqlite3_context *, int, sqlite3_value **)
{
    _exit(CrashStatus);
}

// Ends the process in the middle of every statement that fires the trigger, as a crash or a kill would.
bool installCrash(const QString &triggerEvent)
{
    const QVariant handle = QSqlDatabase::database().driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (sqlite3_create_function(connection, "crash_now", 0, SQLITE_UTF8, nullptr, crashNow, nullptr, nullptr)
        != SQLITE_OK)
        return false;
    QSqlQuery query;
    return query.exec(
        QStringLiteral("CREATE TEMP TRIGGER crash_here %1 BEGIN SELECT crash_now(); END").arg(triggerEvent));
}

// Runs the save in a child process with its own connection, which ends in the middle of the statement
// the trigger names; empty for a save that runs to its end. The exit status of the child.
int saveInChild(const std::function<void()> &save, const QString &triggerEvent)
{
    QSqlDatabase db = QSqlDatabase::database();
    // A connection must not be shared across fork().
    db.close();
    const pid_t child = fork();
    if (child == 0) {
        if (!db.open() || (!triggerEvent.isEmpty() && !installCrash(triggerEvent)))
            _exit(1);
        save();
        _exit(0);
    }
    int status = -1;
    if (child > 0)
        waitpid(child, &status, 0);
    db.open();
    return child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int rowCount(const QString &table)
{
    return int(TestLibrary::rows(QStringLiteral("SELECT * FROM ") + table).size());
}

} // namespace

class TestSaveTransaction : public QObject
{
    Q_OBJECT

public:
    explicit TestSaveTransaction(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void interruptedFirstSaveStoresNothing_data();
    void interruptedFirstSaveStoresNothing();
    void interruptedEditKeepsTheStoredBook();
    void saveInsideAnOuterTransactionBelongsToIt();

private:
    // A new book with an author, a file and a downloaded cover.
    std::unique_ptr<Book> newBook() const;

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

void TestSaveTransaction::init()
{
    library = std::make_unique<TestLibrary>(environment);
}

void TestSaveTransaction::cleanup()
{
    library.reset();
}

std::unique_ptr<Book> TestSaveTransaction::newBook() const
{
    auto book = std::make_unique<Book>(nullptr, -1);
    book->setTitle(QStringLiteral("Middlemarch"));
    book->addAuthor(QStringLiteral("George Eliot"));
    book->addFile(library->writeFile(QStringLiteral("Books/middlemarch.pdf"), "%PDF-1.4\nmiddlemarch"));
    book->setCoverFile(library->writeFile(QStringLiteral("downloads/cover.jpg"), "cover bytes"));
    return book;
}

void TestSaveTransaction::interruptedFirstSaveStoresNothing_data()
{
    QTest::addColumn<QString>("triggerEvent");
    QTest::newRow("item row") << QStringLiteral("AFTER INSERT ON items");
    QTest::newRow("author row") << QStringLiteral("AFTER INSERT ON authors");
    QTest::newRow("author link") << QStringLiteral("AFTER INSERT ON items_authors");
    QTest::newRow("book row") << QStringLiteral("AFTER INSERT ON books");
    QTest::newRow("file row") << QStringLiteral("AFTER INSERT ON files");
    QTest::newRow("cover name") << QStringLiteral("AFTER UPDATE OF coverFile ON items");
}

void TestSaveTransaction::interruptedFirstSaveStoresNothing()
{
    QFETCH(QString, triggerEvent);

    QCOMPARE(saveInChild([this] { newBook()->save(); }, triggerEvent), CrashStatus);
    for (const QString &table : RecordTables)
        QVERIFY2(rowCount(table) == 0, qPrintable(table));

    // The book can be added again, once, with its cover at the place the first try had reached.
    const std::unique_ptr<Book> book = newBook();
    QVERIFY(book->save());
    for (const QString &table : RecordTables)
        QVERIFY2(rowCount(table) == 1, qPrintable(table));
    const Book stored(nullptr, book->getIid());
    QCOMPARE(stored.getTitle(), QStringLiteral("Middlemarch"));
    QCOMPARE(stored.getCoverFile(), library->dataDir() + QString::number(book->getIid()) + QStringLiteral(".jpg"));
    QVERIFY(QFileInfo::exists(stored.getCoverFile()));

    // The same save run to its end in a child stores all of it: the crash above was in the save.
    const std::unique_ptr<Book> second = newBook();
    second->setTitle(QStringLiteral("Adam Bede"));
    QCOMPARE(saveInChild([&second] { second->save(); }, QString()), 0);
    QCOMPARE(rowCount(QStringLiteral("books")), 2);
    QCOMPARE(rowCount(QStringLiteral("items_authors")), 2);
}

void TestSaveTransaction::interruptedEditKeepsTheStoredBook()
{
    const std::unique_ptr<Book> book = newBook();
    QVERIFY(book->save());
    const int iid = book->getIid();

    const int status = saveInChild(
        [iid, this] {
            Book edited(nullptr, iid);
            edited.setTitle(QStringLiteral("Middlemarch, a study of provincial life"));
            edited.addAuthor(QStringLiteral("Mary Ann Evans"));
            edited.addFile(library->writeFile(QStringLiteral("Books/middlemarch.epub"), "PK epub"));
            edited.save();
        },
        QStringLiteral("AFTER INSERT ON files"));
    QCOMPARE(status, CrashStatus);

    const Book stored(nullptr, iid);
    QCOMPARE(stored.getTitle(), QStringLiteral("Middlemarch"));
    QCOMPARE(rowCount(QStringLiteral("authors")), 1);
    QCOMPARE(rowCount(QStringLiteral("items_authors")), 1);
    QCOMPARE(rowCount(QStringLiteral("files")), 1);
}

void TestSaveTransaction::saveInsideAnOuterTransactionBelongsToIt()
{
    QSqlDatabase db = QSqlDatabase::database();
    QVERIFY(db.transaction());
    {
        SaveTransaction inner;
        QVERIFY(newBook()->save());
        QVERIFY(inner.commit());
    }
    QCOMPARE(rowCount(QStringLiteral("books")), 1);
    QVERIFY(db.rollback());
    for (const QString &table : RecordTables)
        QVERIFY2(rowCount(table) == 0, qPrintable(table));

    // Without an outer transaction an uncommitted one takes its statements along when it ends.
    {
        SaveTransaction alone;
        QSqlQuery insert;
        QVERIFY(insert.exec(QStringLiteral("INSERT INTO items (type) VALUES ('Book')")));
    }
    QCOMPARE(rowCount(QStringLiteral("items")), 0);
}

SHELVIO_BASE_TEST_MAIN(TestSaveTransaction)
#include "tst_savetransaction.moc"
