#include "model/librarydatabase.h"

#include "core/logger.h"
#include "core/settings.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const int SchemaVersion = 1;

// The statements that create a new library, in the order they run.
const QStringList &schemaStatements()
{
    static const QStringList statements{
        QStringLiteral("CREATE TABLE identifiers (id TEXT,type TEXT);"),
        QStringLiteral("CREATE TABLE items_authors (iid INTEGER,aid INTEGER);"),
        QStringLiteral("CREATE TABLE webpages (wid INTEGER PRIMARY KEY AUTOINCREMENT,iid INTEGER,url TEXT,"
                       "created INTEGER,title TEXT,description TEXT);"),
        QStringLiteral("CREATE TABLE authors (aid INTEGER PRIMARY KEY AUTOINCREMENT,name TEXT,firstName TEXT,"
                       "lastName TEXT);"),
        // SQLite reserves the "sqlite_" names and refuses this one; the refusal is expected.
        QStringLiteral("CREATE TABLE sqlite_stat1(tbl,idx,stat);"),
        QStringLiteral("CREATE TABLE books (bid INTEGER PRIMARY KEY AUTOINCREMENT,title TEXT,pageCount INTEGER,"
                       "datePublished TEXT,description TEXT,iid INTEGER,publisher TEXT,isbn10 TEXT, isbn13 TEXT);"),
        QStringLiteral("CREATE INDEX title on books (title ASC);"),
        QStringLiteral("CREATE INDEX description on books (description ASC);"),
        QStringLiteral("CREATE TABLE items (iid INTEGER PRIMARY KEY AUTOINCREMENT,type TEXT,coverFile TEXT,"
                       "created INTEGER,updated TEXT, rating INTEGER);"),
        QStringLiteral("CREATE TABLE files (fid INTEGER PRIMARY KEY AUTOINCREMENT,fileName TEXT,filePath TEXT,"
                       "fileType TEXT,fileExtension TEXT,fileMd5 TEXT,fileSize INTEGER,firstBytes TEXT,iid INT,"
                       "created INTEGER,updated INTEGER);"),
        QStringLiteral("CREATE TABLE notes (iid INTEGER PRIMARY KEY AUTOINCREMENT,note TEXT);"),
    };
    return statements;
}

// Indexes for the lookups by id, file and author name that loading and adding run once per record. They
// change no result, so a library without them gets them at its next open.
const QStringList &lookupIndexStatements()
{
    static const QStringList statements{
        QStringLiteral("CREATE INDEX IF NOT EXISTS books_iid ON books (iid)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS webpages_iid ON webpages (iid)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS items_authors_iid ON items_authors (iid)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS items_authors_aid ON items_authors (aid)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS files_iid ON files (iid)"),
        // LIKE compares ASCII letters without case, so only a NOCASE index serves it.
        QStringLiteral("CREATE INDEX IF NOT EXISTS files_filePath ON files (filePath COLLATE NOCASE)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS files_firstBytes_fileSize ON files (firstBytes, fileSize)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS authors_name ON authors (name COLLATE NOCASE)"),
    };
    return statements;
}

// What the reader notes about an item (its language, own copy, reading); made in every library that lacks it.
void createItemStates(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS itemstates (iid INTEGER PRIMARY KEY, language TEXT, "
                                   "own INTEGER, location TEXT, readDate TEXT, want INTEGER)")))
        qDebug() << "itemstates not created:" << query.lastError().text();
}

// Where the reader stopped in each file; made in every library that lacks it.
void createReadingPositions(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS reading_positions (fileKey TEXT PRIMARY KEY, "
                                   "page INTEGER, pages INTEGER, zoom REAL, chapter INTEGER, updated INTEGER)")))
        qDebug() << "reading_positions not created:" << query.lastError().text();
}

// The text of the library's files, page by page or chapter by chapter, and what was indexed of each file.
void createFullTextIndex(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS fulltext USING fts5(fid UNINDEXED, part "
                                   "UNINDEXED, body, tokenize = 'unicode61 remove_diacritics 2')"))
        || !query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS fulltextfiles (fid INTEGER PRIMARY KEY, size "
                                      "INTEGER, modified INTEGER, parts INTEGER, state TEXT)")))
        qDebug() << "full-text index not created:" << query.lastError().text();
}

// The tags and series readers put on items; made in every library that lacks them.
void createLabels(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    const QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS tags (tid INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL "
                       "UNIQUE COLLATE NOCASE)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS itemtags (iid INTEGER NOT NULL, tid INTEGER NOT NULL, PRIMARY KEY "
                       "(iid, tid))"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS itemtags_tid ON itemtags (tid)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS series (sid INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL "
                       "UNIQUE COLLATE NOCASE)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS itemseries (iid INTEGER PRIMARY KEY, sid INTEGER NOT NULL, "
                       "position REAL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS itemseries_sid ON itemseries (sid, position)"),
    };
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            qDebug() << "tags and series not created:" << query.lastError().text();
    }
}

void createLookupIndexes(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    for (const QString &statement : lookupIndexStatements()) {
        // Without an index the lookups are slower, never wrong; a read-only library still opens.
        if (!query.exec(statement))
            qDebug() << "index not created:" << query.lastError().text();
    }
}

QString openError(QSqlDatabase &db)
{
    if (!db.open())
        return db.lastError().text();
    // SQLite reads nothing at open, so a file that is not a database only shows itself on the first read.
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return QString();
    const QString error = probe.lastError().text();
    probe.finish();
    db.close();
    return error.isEmpty() ? QStringLiteral("unknown error") : error;
}

// A file that holds none of the library's tables was never filled (a crash between creating and filling
// it leaves one of 0 bytes): it gets the schema like a new one.
bool holdsLibraryTables(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                                 "('identifiers', 'items_authors', 'webpages', 'authors', 'books', 'items', "
                                 "'files', 'notes')"));
    // The file was read a moment ago; should this fail, it is taken as it is rather than written to.
    return !query.exec() || !query.next() || query.value(0).toInt() > 0;
}

// Readers then see the last commit while the full-text indexer writes, instead of waiting for it; where the
// file system cannot share the write-ahead log's memory, the file keeps its rollback journal.
void useWriteAheadLog(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !query.next()
        || query.value(0).toString() != QLatin1String("wal"))
        qDebug() << "the library keeps its rollback journal:" << query.lastError().text();
}

void createSchema(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    const QStringList &statements = schemaStatements();
    bool lastSucceeded = false;
    for (const QString &statement : statements) {
        // Only the last statement's outcome decides; the others are allowed to fail (see above).
        lastSucceeded = query.prepare(statement) && query.exec();
    }
    if (lastSucceeded) {
        Settings settings;
        settings.setValue(Settings::DatabaseVersion, SchemaVersion);
    } else {
        qDebug() << "error creating one or more tables";
    }
}

} // namespace

LibraryDatabase::OpenResult LibraryDatabase::open(QSqlDatabase &db, const QString &dataDir)
{
    logDebug(QStringLiteral("in dbOpen"));
    qDebug() << dataDir;

    OpenResult result;
    result.path = dataDir + QStringLiteral("data.db");
    logDebug(QStringLiteral("Database open func dbPath: ") + result.path);

    Settings settings;
    const int version = settings.value(Settings::DatabaseVersion).toInt();
    db.setDatabaseName(result.path);

    result.errorText = openError(db);
    if (!result.errorText.isEmpty())
        return result;
    result.opened = true;
    useWriteAheadLog(db);
    openedDataDir = dataDir;
    const bool isNew = !holdsLibraryTables(db);

    if (isNew) {
        logDebug(QStringLiteral("Database loaded ") + result.path);
        createSchema(db);
    } else if (version == 0) {
        // The tables of an existing library are taken as they are.
        settings.setValue(Settings::DatabaseVersion, SchemaVersion);
    }
    createItemStates(db);
    createReadingPositions(db);
    createFullTextIndex(db);
    createLabels(db);
    createLookupIndexes(db);
    return result;
}
