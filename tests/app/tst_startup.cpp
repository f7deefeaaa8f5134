#include "app/mainwindow.h"
#include "core/logger.h"
#include "core/serviceaddresses.h"
#include "core/settings.h"
#include "model/book.h"
#include "tests/support/startedwindow.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

const char ChildFlag[] = "--start-main-window";
const char ChildStartedLine[] = "main window started";

const QStringList LibraryIndexes{
    "authors_name", "books_iid",         "description",       "files_filePath", "files_firstBytes_fileSize",
    "files_iid",    "items_authors_aid", "items_authors_iid", "itemseries_sid", "itemtags_tid",
    "title",        "webpages_iid"};

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString defaultDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Shelvio/");
}

// A database file made elsewhere, with these tables, on a connection of its own.
bool createDatabase(const QString &path, const QStringList &tables)
{
    bool created = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
        db.setDatabaseName(path);
        created = db.open();
        QSqlQuery query(db);
        for (const QString &table : tables)
            created = created && query.exec(QStringLiteral("CREATE TABLE %1 (name TEXT)").arg(table));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    return created;
}

// The child side of the fatal start-up tests: start the window, answer every message box and report it.
int startMainWindowAndAnswerBoxes(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    initShelvioResources();
    Logger::instance().addFileEngine(QStringLiteral("dbg"), QStringLiteral("debug.log"));
    Logger::instance().enableLevels(QStringLiteral("dbg"), Logger::DebugLevel);

    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("message box: %s | %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
            std::fflush(stdout);
            box->accept();
        }
    });
    answerer.start(10);

    if (!Startup::prepare())
        return EXIT_FAILURE;
    MainWindow window;
    std::printf("%s\n", ChildStartedLine);
    return 0;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

public:
    explicit TestStartup(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartPreparesSettingsDirectoriesAndLibrary();
    void schemaHasTheDeclaredColumns_data();
    void schemaHasTheDeclaredColumns();
    void secondStartKeepsTheInstallationIdentifier();
    void storedButDeletedDataDirIsRecreated();
    void dataDirWithoutSeparatorIsUsedAsStored();
    void existingLibraryIsOpenedAsItIs_data();
    void existingLibraryIsOpenedAsItIs();
    void libraryWithoutLookupIndexesGainsThem();
    void libraryWithoutLabelsSavesUnchanged();
    void deletedLibraryIsCreatedAgain_data();
    void deletedLibraryIsCreatedAgain();
    void unusableLibraryEndsTheProgram_data();
    void unusableLibraryEndsTheProgram();

private:
    // What the debug engine wrote since the current test began.
    QString logSinceTestStart() const;
    void startAndClose();

    TestEnvironment &environment;
    QTemporaryDir logDirectory;
    qint64 logOffset = 0;
};

void TestStartup::initTestCase()
{
    // Registered before any window, so the window's own engine set-up keeps this one and its level.
    const QString path = logDirectory.filePath(QStringLiteral("debug.log"));
    QVERIFY(Logger::instance().addFileEngine(QStringLiteral("dbg"), path));
    Logger::instance().enableLevels(QStringLiteral("dbg"), Logger::DebugLevel);
}

void TestStartup::init()
{
    environment.reset();
    logOffset = readFile(logDirectory.filePath(QStringLiteral("debug.log"))).size();
}

void TestStartup::cleanup()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::defaultConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

QString TestStartup::logSinceTestStart() const
{
    return readFile(logDirectory.filePath(QStringLiteral("debug.log"))).mid(logOffset);
}

void TestStartup::startAndClose()
{
    auto window = startMainWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("Shelvio"));
}

void TestStartup::firstStartPreparesSettingsDirectoriesAndLibrary()
{
    startAndClose();

    Settings settings;
    const QString dataDir = defaultDataDir();
    const QString libraryDir = QDir::homePath() + QStringLiteral("/Shelvio Library/");
    QCOMPARE(settings.value(Settings::DataDir).toString(), dataDir);
    QCOMPARE(settings.value(Settings::LibraryDir).toString(), libraryDir);
    QVERIFY(QFileInfo(dataDir).isDir());
    QVERIFY(QFileInfo(libraryDir).isDir());
    QVERIFY(dataDir.startsWith(environment.home()));

    const QRegularExpression bracedUuid(
        QStringLiteral("^\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}$"));
    QVERIFY2(bracedUuid.match(settings.value(Settings::Guid).toString()).hasMatch(),
             qPrintable(settings.value(Settings::Guid).toString()));
    QCOMPARE(settings.value(Settings::BaseUrl).toString(), ServiceAddresses::cloudUrl());
    QCOMPARE(settings.value(Settings::DatabaseVersion).toInt(), 1);

    QVERIFY(QFileInfo(dataDir + QStringLiteral("data.db")).isFile());
    QCOMPARE(TestDatabase::tableNames(), (QStringList{"authors",         "books",
                                                      "files",           "fulltext",
                                                      "fulltext_config", "fulltext_content",
                                                      "fulltext_data",   "fulltext_docsize",
                                                      "fulltext_idx",    "fulltextfiles",
                                                      "identifiers",     "items",
                                                      "items_authors",   "itemseries",
                                                      "itemstates",      "itemtags",
                                                      "notes",           "reading_positions",
                                                      "series",          "tags",
                                                      "webpages"}));
    QCOMPARE(TestDatabase::indexNames(), LibraryIndexes);
    QSqlQuery stat;
    QVERIFY(stat.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_stat1'")));
    QVERIFY(stat.next());
    QCOMPARE(stat.value(0).toInt(), 0);

    const QString log = logSinceTestStart();
    QVERIFY(log.contains(QStringLiteral("New datadir:") + dataDir));
    QVERIFY(!log.contains(QStringLiteral("Existing Datadir:")));
    QVERIFY(log.contains(QStringLiteral("Database open func dbPath: ") + dataDir + QStringLiteral("data.db")));
    QVERIFY(log.contains(QStringLiteral("Database loaded ") + dataDir + QStringLiteral("data.db")));
    QVERIFY(log.indexOf(QStringLiteral("in dbOpen")) < log.indexOf(QStringLiteral("Finished initial loading.")));
}

void TestStartup::schemaHasTheDeclaredColumns_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");

    QTest::newRow("identifiers") << "identifiers" << QStringList{"id TEXT", "type TEXT"};
    QTest::newRow("items_authors") << "items_authors" << QStringList{"iid INTEGER", "aid INTEGER"};
    QTest::newRow("webpages") << "webpages" << QStringList{"wid INTEGER",     "iid INTEGER", "url TEXT",
                                                           "created INTEGER", "title TEXT",  "description TEXT"};
    QTest::newRow("authors") << "authors" << QStringList{"aid INTEGER", "name TEXT", "firstName TEXT", "lastName TEXT"};
    QTest::newRow("books") << "books" << QStringList{"bid INTEGER",        "title TEXT",       "pageCount INTEGER",
                                                     "datePublished TEXT", "description TEXT", "iid INTEGER",
                                                     "publisher TEXT",     "isbn10 TEXT",      "isbn13 TEXT"};
    QTest::newRow("items") << "items" << QStringList{"iid INTEGER",     "type TEXT",    "coverFile TEXT",
                                                     "created INTEGER", "updated TEXT", "rating INTEGER"};
    QTest::newRow("files") << "files" << QStringList{"fid INTEGER",      "fileName TEXT",      "filePath TEXT",
                                                     "fileType TEXT",    "fileExtension TEXT", "fileMd5 TEXT",
                                                     "fileSize INTEGER", "firstBytes TEXT",    "iid INT",
                                                     "created INTEGER",  "updated INTEGER"};
    QTest::newRow("notes") << "notes" << QStringList{"iid INTEGER", "note TEXT"};
}

void TestStartup::schemaHasTheDeclaredColumns()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);

    startAndClose();
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)));
    QStringList declared;
    while (query.next())
        declared.append(query.value(1).toString() + QLatin1Char(' ') + query.value(2).toString());
    QCOMPARE(declared, columns);
}

void TestStartup::secondStartKeepsTheInstallationIdentifier()
{
    startAndClose();
    const QString guid = Settings().value(Settings::Guid).toString();
    QVERIFY(!guid.isEmpty());
    cleanup();
    logOffset += logSinceTestStart().size();

    startAndClose();
    Settings settings;
    QCOMPARE(settings.value(Settings::Guid).toString(), guid);
    QCOMPARE(settings.value(Settings::BaseUrl).toString(), ServiceAddresses::cloudUrl());
    QCOMPARE(settings.value(Settings::DatabaseVersion).toInt(), 1);
    const QString log = logSinceTestStart();
    QVERIFY(!log.contains(QStringLiteral("New datadir:")));
    QVERIFY(log.contains(QStringLiteral("Existing Datadir:") + defaultDataDir()));
    QVERIFY(!log.contains(QStringLiteral("Database loaded ")));
}

void TestStartup::storedButDeletedDataDirIsRecreated()
{
    const QString dataDir = environment.home() + QStringLiteral("/moved/library data/");
    const QString libraryDir = environment.home() + QStringLiteral("/moved/captures/");
    {
        Settings settings;
        settings.setValue(Settings::DataDir, dataDir);
        settings.setValue(Settings::LibraryDir, libraryDir);
    }

    startAndClose();
    QVERIFY(QFileInfo(dataDir + QStringLiteral("data.db")).isFile());
    QVERIFY(QFileInfo(libraryDir).isDir());
    Settings settings;
    QCOMPARE(settings.value(Settings::DataDir).toString(), dataDir);
    QCOMPARE(settings.value(Settings::LibraryDir).toString(), libraryDir);

    const QString log = logSinceTestStart();
    const qsizetype created = log.indexOf(QStringLiteral("New datadir:") + dataDir);
    const qsizetype existing = log.indexOf(QStringLiteral("Existing Datadir:") + dataDir);
    QVERIFY(created >= 0);
    QVERIFY(existing > created);
}

void TestStartup::dataDirWithoutSeparatorIsUsedAsStored()
{
    const QString dataDir = environment.home() + QStringLiteral("/plain");
    QVERIFY(QDir().mkpath(dataDir));
    Settings().setValue(Settings::DataDir, dataDir);

    startAndClose();
    QVERIFY(QFileInfo(environment.home() + QStringLiteral("/plaindata.db")).isFile());
    QVERIFY(!QFile::exists(dataDir + QStringLiteral("/data.db")));
    QCOMPARE(Settings().value(Settings::DataDir).toString(), dataDir);
}

void TestStartup::existingLibraryIsOpenedAsItIs_data()
{
    QTest::addColumn<QVariant>("storedVersion");
    QTest::newRow("version absent") << QVariant();
    QTest::newRow("version 1") << QVariant(1);
}

void TestStartup::existingLibraryIsOpenedAsItIs()
{
    QFETCH(QVariant, storedVersion);

    const QString dataDir = defaultDataDir();
    QVERIFY(QDir().mkpath(dataDir));
    // An older library with fewer tables and one of its own.
    QVERIFY(createDatabase(dataDir + QStringLiteral("data.db"), {QStringLiteral("notes"), QStringLiteral("shelf")}));
    if (storedVersion.isValid())
        Settings().setValue(Settings::DatabaseVersion, storedVersion);

    startAndClose();
    // Only the tables of the reader's notes on items, of where the reader stopped, of the full-text index and
    // of tags and series are added.
    QCOMPARE(TestDatabase::tableNames(),
             (QStringList{"fulltext", "fulltext_config", "fulltext_content", "fulltext_data", "fulltext_docsize",
                          "fulltext_idx", "fulltextfiles", "itemseries", "itemstates", "itemtags", "notes",
                          "reading_positions", "series", "shelf", "tags"}));
    QCOMPARE(Settings().value(Settings::DatabaseVersion).toInt(), 1);
    QVERIFY(!logSinceTestStart().contains(QStringLiteral("Database loaded ")));
}

void TestStartup::libraryWithoutLookupIndexesGainsThem()
{
    startAndClose();
    cleanup();
    {
        TestDatabase database(defaultDataDir());
        QVERIFY(database.isOpen());
        QSqlQuery query;
        for (const QString &index : LibraryIndexes) {
            if (index != QLatin1String("title") && index != QLatin1String("description"))
                QVERIFY2(query.exec(QStringLiteral("DROP INDEX ") + index), qPrintable(query.lastError().text()));
        }
        QVERIFY(query.exec(QStringLiteral("INSERT INTO books (title, iid) VALUES ('Kept', 7)")));
        QCOMPARE(TestDatabase::indexNames(), (QStringList{"description", "title"}));
    }

    startAndClose();
    QCOMPARE(TestDatabase::indexNames(), LibraryIndexes);
    QSqlQuery books;
    QVERIFY(books.exec(QStringLiteral("SELECT title, iid FROM books")));
    QVERIFY(books.next());
    QCOMPARE(books.value(0).toString(), QStringLiteral("Kept"));
    QCOMPARE(books.value(1).toInt(), 7);
    QVERIFY(!books.next());
}

void TestStartup::libraryWithoutLabelsSavesUnchanged()
{
    const auto bookRows = [] {
        QList<QStringList> rows;
        QSqlQuery query;
        if (!query.exec(QStringLiteral("SELECT title, description, isbn13, type, coverFile, rating, created, name "
                                       "FROM books JOIN items USING (iid) JOIN items_authors USING (iid) "
                                       "JOIN authors USING (aid)")))
            return rows;
        while (query.next()) {
            QStringList row;
            for (int column = 0; column < query.record().count(); ++column)
                row << query.value(column).toString();
            rows << row;
        }
        return rows;
    };
    startAndClose();
    int iid = 0;
    QList<QStringList> before;
    {
        Book book(nullptr, 0);
        book.setTitle(QStringLiteral("Kept"));
        book.setDescription(QStringLiteral("As it was."));
        book.addAuthor(QStringLiteral("Ann Author"));
        QVERIFY(book.save());
        iid = book.getIid();
        // As a library written before tags and series were kept.
        QSqlQuery query;
        for (const char *table : {"itemtags", "itemseries", "tags", "series"})
            QVERIFY(query.exec(QStringLiteral("DROP TABLE ") + QLatin1String(table)));
        before = bookRows();
        QCOMPARE(before.size(), 1);
    }
    cleanup();

    startAndClose();
    Book book(nullptr, iid);
    QVERIFY(book.save());
    QCOMPARE(bookRows(), before);
    for (const char *table : {"itemtags", "itemseries", "tags", "series"})
        QCOMPARE(TestDatabase::rowCount(QLatin1String(table)), 0);
}

void TestStartup::deletedLibraryIsCreatedAgain_data()
{
    QTest::addColumn<QString>("leftOver");
    QTest::newRow("deleted") << "";
    // What a crash between creating and filling the file leaves.
    QTest::newRow("empty file") << "empty";
    QTest::newRow("a database without the library's tables") << "foreign";
}

void TestStartup::deletedLibraryIsCreatedAgain()
{
    QFETCH(QString, leftOver);
    startAndClose();
    cleanup();
    const QString path = defaultDataDir() + QStringLiteral("data.db");
    QVERIFY(QFile::remove(path));
    if (leftOver == QLatin1String("empty"))
        QVERIFY(writeFile(path, {}));
    else if (leftOver == QLatin1String("foreign"))
        QVERIFY(createDatabase(path, {QStringLiteral("shelf")}));

    startAndClose();
    QCOMPARE(TestDatabase::tableNames().size(), leftOver == QLatin1String("foreign") ? 22 : 21);
    QCOMPARE(Settings().value(Settings::DatabaseVersion).toInt(), 1);
}

void TestStartup::unusableLibraryEndsTheProgram_data()
{
    QTest::addColumn<QString>("problem");
    QTest::newRow("a text file named data.db") << "text file";
    QTest::newRow("a directory named data.db") << "directory";
    QTest::newRow("a data directory that cannot be created") << "blocked directory";
}

void TestStartup::unusableLibraryEndsTheProgram()
{
    QFETCH(QString, problem);

    QString dataDir = defaultDataDir();
    QVERIFY(QDir().mkpath(dataDir));
    if (problem == QLatin1String("text file")) {
        QVERIFY(writeFile(dataDir + QStringLiteral("data.db"), "These are my reading notes, not a database.\n"));
    } else if (problem == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(dataDir + QStringLiteral("data.db")));
    } else {
        // A regular file where a directory of the path should be: neither the directory nor the file can exist.
        QVERIFY(writeFile(environment.home() + QStringLiteral("/occupied"), "x"));
        dataDir = environment.home() + QStringLiteral("/occupied/library/");
        Settings().setValue(Settings::DataDir, dataDir);
    }

    QTemporaryDir workingDirectory;
    QProcess child;
    child.setWorkingDirectory(workingDirectory.path());
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(ChildFlag)});
    QVERIFY(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
    const QString errors = QString::fromLocal8Bit(child.readAllStandardError());

    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), EXIT_FAILURE);
    QVERIFY2(!output.contains(QLatin1String(ChildStartedLine)), qPrintable(output));
    QVERIFY2(errors.contains(QStringLiteral("Failed to connect.")), qPrintable(errors));
    QVERIFY2(output.contains(QStringLiteral("message box: Shelvio | Shelvio cannot open its library database")),
             qPrintable(output));
    QVERIFY(output.contains(QDir::toNativeSeparators(dataDir + QStringLiteral("data.db"))));
    QVERIFY(readFile(workingDirectory.filePath(QStringLiteral("debug.log")))
                .contains(QStringLiteral("Unable to open database.")));
}

int main(int argc, char **argv)
{
    if (argc == 2 && qstrcmp(argv[1], ChildFlag) == 0)
        return startMainWindowAndAnswerBoxes(argc, argv);
    return shelvioTestMain<TestStartup>(argc, argv);
}

#include "tst_startup.moc"
