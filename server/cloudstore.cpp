#include "server/cloudstore.h"

#include "server/storedbook.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QtDebug>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace {

std::atomic_int connectionCounter = 0;

// Tokens are kept as digests, so a copy of the database hands out no working token.
QString tokenDigest(const QString &token)
{
    return QString::fromLatin1(QCryptographicHash::hash(token.toLatin1(), QCryptographicHash::Sha256).toHex());
}

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

// A missing query item gives a null string, which would be bound as NULL.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QString queryError(const QSqlQuery &query)
{
    return query.lastError().text();
}

constexpr QFile::Permissions ownerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions ownerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
const QString uploadPrefix = QStringLiteral(".upload-");

// The columns the sign-in page lists, so that it never parses a book's JSON.
void bindSummary(QSqlQuery &query, const StoredBook &book)
{
    query.bindValue(QStringLiteral(":authors"), notNull(book.authors()));
    query.bindValue(QStringLiteral(":files"), notNull(book.fileColumn()));
    query.bindValue(QStringLiteral(":tags"), notNull(book.tags()));
    query.bindValue(QStringLiteral(":series"), notNull(book.series()));
}

} // namespace

CloudStore::CloudStore()
    : m_connectionName(QStringLiteral("shelvio-cloud-%1").arg(connectionCounter++))
{
}

CloudStore::~CloudStore()
{
    if (m_database.isValid()) {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

bool CloudStore::open(const QString &dataDirectory)
{
    m_dataDirectory = QDir(dataDirectory).absolutePath();
    if (!QDir().mkpath(m_dataDirectory) || !QFile::setPermissions(m_dataDirectory, ownerOnlyFolder))
        return fail(QStringLiteral("Cannot create %1 for its owner only").arg(m_dataDirectory),
                    QStringLiteral("mkpath or chmod failed"));

    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_database.setDatabaseName(QDir(m_dataDirectory).filePath(QString::fromLatin1(databaseFileName)));
    // The service and an --add-user run may write at the same moment.
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_database.open())
        return fail(QStringLiteral("Cannot open %1").arg(m_database.databaseName()), m_database.lastError().text());
    // A sync writes one row per book: with a write-ahead log a commit is an append, and the disk is flushed
    // at checkpoints rather than at each of them; a crash may lose the last rows, never the database.
    QSqlQuery journal(m_database);
    if (!journal.exec(QStringLiteral("PRAGMA journal_mode=WAL"))
        || !journal.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return fail(QStringLiteral("Cannot set up %1").arg(m_database.databaseName()), queryError(journal));
    // Older versions created them readable by all.
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString path = m_database.databaseName() + QLatin1String(suffix);
        if (QFileInfo::exists(path) && !QFile::setPermissions(path, ownerOnlyFile))
            return fail(QStringLiteral("Cannot keep %1 to its owner").arg(path), QStringLiteral("chmod failed"));
    }
    return createTables() && keepIdsUnique() && addBookSummaries();
}

void CloudStore::removeUnfinishedUploads()
{
    QDirIterator it(QDir(m_dataDirectory).filePath(QStringLiteral("files")), {uploadPrefix + u'*'},
                    QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!QFile::remove(path))
            qWarning().noquote() << "Cannot remove the unfinished upload" << path;
    }
}

bool CloudStore::createTables()
{
    const QString statements[] = {
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS users (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE, "
            "salt BLOB NOT NULL, iterations INTEGER NOT NULL, hash BLOB NOT NULL, created TEXT)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS tokens (digest TEXT PRIMARY KEY, user_id INTEGER NOT NULL, "
                       "guid TEXT NOT NULL, created TEXT)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS books (id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, "
                       "guid TEXT NOT NULL, iid TEXT NOT NULL, title TEXT, json TEXT NOT NULL, updated TEXT, "
                       "authors TEXT NOT NULL DEFAULT '', files TEXT NOT NULL DEFAULT '', "
                       "tags TEXT NOT NULL DEFAULT '', series TEXT NOT NULL DEFAULT '', UNIQUE (user_id, guid, iid))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS files (user_id INTEGER NOT NULL, md5 TEXT NOT NULL, "
                       "size INTEGER NOT NULL, file_type TEXT, created TEXT, PRIMARY KEY (user_id, md5))"),
    };
    for (const QString &statement : statements) {
        if (!exec(statement, QStringLiteral("Cannot create the tables")))
            return false;
    }
    return true;
}

bool CloudStore::exec(const QString &statement, const QString &what)
{
    QSqlQuery query(m_database);
    return query.exec(statement) || fail(what, queryError(query));
}

bool CloudStore::keepIdsUnique()
{
    QSqlQuery schema(m_database);
    if (!schema.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'users'"))
        || !schema.next())
        return fail(QStringLiteral("Cannot read the accounts' table"), queryError(schema));
    if (schema.value(0).toString().contains(QStringLiteral("AUTOINCREMENT"), Qt::CaseInsensitive))
        return true;
    schema.finish();

    // Rebuilt with AUTOINCREMENT, counting the ids that rows of removed accounts still carry as given
    // out: a new account must never inherit an old one's books and files.
    const QString what = QStringLiteral("Cannot make account ids unique");
    const QString statements[] = {
        QStringLiteral("CREATE TABLE users_unique (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE, "
                       "salt BLOB NOT NULL, iterations INTEGER NOT NULL, hash BLOB NOT NULL, created TEXT)"),
        QStringLiteral("INSERT INTO users_unique SELECT id, name, salt, iterations, hash, created FROM users"),
        QStringLiteral("DROP TABLE users"),
        QStringLiteral("ALTER TABLE users_unique RENAME TO users"),
        QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'users'"),
        QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT 'users', coalesce(max(id), 0) FROM "
                       "(SELECT max(id) AS id FROM users UNION ALL SELECT max(user_id) FROM tokens "
                       "UNION ALL SELECT max(user_id) FROM books UNION ALL SELECT max(user_id) FROM files)"),
    };
    if (!m_database.transaction())
        return fail(what, m_database.lastError().text());
    for (const QString &statement : statements) {
        if (!exec(statement, what)) {
            m_database.rollback();
            return false;
        }
    }
    return m_database.commit() || fail(what, m_database.lastError().text());
}

bool CloudStore::addBookSummaries()
{
    // Each summary column a book table from an older version may lack, newest last.
    const QStringList summaryColumns{QStringLiteral("authors"), QStringLiteral("files"), QStringLiteral("tags"),
                                     QStringLiteral("series")};
    QSqlQuery columns(m_database);
    if (!columns.exec(QStringLiteral("SELECT name FROM pragma_table_info('books')")))
        return fail(QStringLiteral("Cannot read the books' table"), queryError(columns));
    QStringList missing = summaryColumns;
    while (columns.next())
        missing.removeOne(columns.value(0).toString());
    columns.finish();
    if (missing.isEmpty())
        return true;

    // Filled once from the JSON of the books stored so far; later books bring theirs when they arrive.
    const QString what = QStringLiteral("Cannot add the books' summaries");
    if (!m_database.transaction())
        return fail(what, m_database.lastError().text());
    bool stored = true;
    for (const QString &column : std::as_const(missing)) {
        stored = stored
            && exec(QStringLiteral("ALTER TABLE books ADD COLUMN %1 TEXT NOT NULL DEFAULT ''").arg(column), what);
    }
    QSqlQuery read(m_database);
    read.setForwardOnly(true);
    QSqlQuery update(m_database);
    stored = stored
        && (update.prepare(QStringLiteral("UPDATE books SET authors = :authors, files = :files, tags = :tags, "
                                          "series = :series WHERE id = :id"))
            || fail(what, queryError(update)))
        && (read.exec(QStringLiteral("SELECT id, json FROM books")) || fail(what, queryError(read)));
    while (stored && read.next()) {
        const StoredBook book(QJsonDocument::fromJson(read.value(1).toString().toUtf8()).object());
        bindSummary(update, book);
        update.bindValue(QStringLiteral(":id"), read.value(0));
        stored = update.exec() || fail(what, queryError(update));
    }
    read.finish();
    if (!stored) {
        m_database.rollback();
        return false;
    }
    return m_database.commit() || fail(what, m_database.lastError().text());
}

bool CloudStore::fail(const QString &what, const QString &why) const
{
    m_error = what + QStringLiteral(": ") + why;
    qWarning().noquote() << m_error;
    return false;
}

bool CloudStore::setPassword(const QString &name, const QString &password)
{
    const PasswordHash hash = PasswordHash::create(password);
    if (!m_database.transaction())
        return fail(QStringLiteral("Cannot store the account %1").arg(name), m_database.lastError().text());

    QSqlQuery upsert(m_database);
    upsert.prepare(QStringLiteral("INSERT INTO users (name, salt, iterations, hash, created) "
                                  "VALUES (:name, :salt, :iterations, :hash, :created) "
                                  "ON CONFLICT (name) DO UPDATE SET salt = excluded.salt, "
                                  "iterations = excluded.iterations, hash = excluded.hash"));
    upsert.bindValue(QStringLiteral(":name"), name);
    upsert.bindValue(QStringLiteral(":salt"), hash.salt());
    upsert.bindValue(QStringLiteral(":iterations"), hash.iterations());
    upsert.bindValue(QStringLiteral(":hash"), hash.key());
    upsert.bindValue(QStringLiteral(":created"), now());
    QSqlQuery revoke(m_database);
    revoke.prepare(QStringLiteral("DELETE FROM tokens WHERE user_id = (SELECT id FROM users WHERE name = :name)"));
    revoke.bindValue(QStringLiteral(":name"), name);
    if (!upsert.exec() || !revoke.exec()) {
        const QString why = queryError(upsert.lastError().isValid() ? upsert : revoke);
        m_database.rollback();
        return fail(QStringLiteral("Cannot store the account %1").arg(name), why);
    }
    if (!m_database.commit())
        return fail(QStringLiteral("Cannot store the account %1").arg(name), m_database.lastError().text());
    return true;
}

bool CloudStore::deleteUser(const QString &name)
{
    const QString what = QStringLiteral("Cannot remove the account %1").arg(name);
    QSqlQuery find(m_database);
    find.prepare(QStringLiteral("SELECT id FROM users WHERE name = :name"));
    find.bindValue(QStringLiteral(":name"), name);
    if (!find.exec())
        return fail(what, queryError(find));
    if (!find.next())
        return fail(what, QStringLiteral("there is no such account"));
    const qint64 userId = find.value(0).toLongLong();
    find.finish();

    if (!m_database.transaction())
        return fail(what, m_database.lastError().text());
    for (const QString &table : {QStringLiteral("tokens"), QStringLiteral("books"), QStringLiteral("files")}) {
        QSqlQuery remove(m_database);
        remove.prepare(QStringLiteral("DELETE FROM %1 WHERE user_id = :user").arg(table));
        remove.bindValue(QStringLiteral(":user"), userId);
        if (!remove.exec()) {
            const QString why = queryError(remove);
            m_database.rollback();
            return fail(what, why);
        }
    }
    QSqlQuery remove(m_database);
    remove.prepare(QStringLiteral("DELETE FROM users WHERE id = :user"));
    remove.bindValue(QStringLiteral(":user"), userId);
    if (!remove.exec()) {
        const QString why = queryError(remove);
        m_database.rollback();
        return fail(what, why);
    }
    if (!m_database.commit())
        return fail(what, m_database.lastError().text());
    // The rows are gone, so no request can reach these files any more; a folder left behind is only space.
    if (!QDir(userDirectory(userId)).removeRecursively())
        return fail(what, QStringLiteral("its files in %1 could not all be removed").arg(userDirectory(userId)));
    return true;
}

std::optional<StoredPassword> CloudStore::password(const QString &name) const
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT id, salt, iterations, hash FROM users WHERE name = :name"));
    query.bindValue(QStringLiteral(":name"), name);
    if (!query.exec()) {
        fail(QStringLiteral("Cannot look up the account %1").arg(name), queryError(query));
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return StoredPassword{
        query.value(0).toLongLong(),
        PasswordHash(query.value(1).toByteArray(), query.value(2).toInt(), query.value(3).toByteArray())};
}

QString CloudStore::issueToken(qint64 userId, const QString &guid)
{
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    const QString token = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex());

    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("INSERT INTO tokens (digest, user_id, guid, created) "
                                 "VALUES (:digest, :user, :guid, :created)"));
    query.bindValue(QStringLiteral(":digest"), tokenDigest(token));
    query.bindValue(QStringLiteral(":user"), userId);
    query.bindValue(QStringLiteral(":guid"), notNull(guid));
    query.bindValue(QStringLiteral(":created"), now());
    if (!query.exec()) {
        fail(QStringLiteral("Cannot store a token"), queryError(query));
        return {};
    }
    return token;
}

std::optional<TokenOwner> CloudStore::tokenOwner(const QString &token, bool *failed) const
{
    if (failed)
        *failed = false;
    if (token.isEmpty())
        return std::nullopt;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT tokens.user_id, tokens.guid FROM tokens "
                                 "JOIN users ON users.id = tokens.user_id WHERE tokens.digest = :digest"));
    query.bindValue(QStringLiteral(":digest"), tokenDigest(token));
    if (!query.exec()) {
        fail(QStringLiteral("Cannot look up a token"), queryError(query));
        if (failed)
            *failed = true;
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return TokenOwner{query.value(0).toLongLong(), query.value(1).toString()};
}

bool CloudStore::storeBook(const TokenOwner &owner, const QString &iid, const QJsonObject &book)
{
    QSqlQuery query(m_database);
    const StoredBook summary(book);
    query.prepare(QStringLiteral(
        "INSERT INTO books (user_id, guid, iid, title, authors, files, tags, series, json, updated) "
        "VALUES (:user, :guid, :iid, :title, :authors, :files, :tags, :series, :json, :updated) "
        "ON CONFLICT (user_id, guid, iid) DO UPDATE SET title = excluded.title, authors = excluded.authors, "
        "files = excluded.files, tags = excluded.tags, series = excluded.series, json = excluded.json, "
        "updated = excluded.updated"));
    query.bindValue(QStringLiteral(":user"), owner.userId);
    query.bindValue(QStringLiteral(":guid"), notNull(owner.guid));
    query.bindValue(QStringLiteral(":iid"), notNull(iid));
    query.bindValue(QStringLiteral(":title"), summary.title());
    bindSummary(query, summary);
    query.bindValue(QStringLiteral(":json"), QString::fromUtf8(QJsonDocument(book).toJson(QJsonDocument::Compact)));
    query.bindValue(QStringLiteral(":updated"), now());
    if (!query.exec())
        return fail(QStringLiteral("Cannot store the book %1").arg(iid), queryError(query));
    return true;
}

QList<StoredBook> CloudStore::books(qint64 userId) const
{
    QList<StoredBook> books;
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT title, authors, tags, series, files FROM books WHERE user_id = :user "
                                 "ORDER BY title COLLATE NOCASE, id"));
    query.bindValue(QStringLiteral(":user"), userId);
    if (!query.exec()) {
        fail(QStringLiteral("Cannot read the books"), queryError(query));
        return books;
    }
    while (query.next())
        books.append(StoredBook(query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                                query.value(3).toString(), query.value(4).toString()));
    return books;
}

bool CloudStore::isDigest(const QString &text)
{
    if (text.size() != 32)
        return false;
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
}

bool CloudStore::hasFile(qint64 userId, const QString &md5) const
{
    if (!isDigest(md5))
        return false;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT 1 FROM files WHERE user_id = :user AND md5 = :md5"));
    query.bindValue(QStringLiteral(":user"), userId);
    query.bindValue(QStringLiteral(":md5"), md5.toLower());
    if (!query.exec())
        return fail(QStringLiteral("Cannot look up the file %1").arg(md5), queryError(query));
    // A row whose file has gone from the disk must not stop the client from uploading it again.
    return query.next() && QFileInfo::exists(filePath(userId, md5));
}

QSet<QString> CloudStore::fileDigests(qint64 userId) const
{
    QSet<QString> digests;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT md5 FROM files WHERE user_id = :user"));
    query.bindValue(QStringLiteral(":user"), userId);
    if (!query.exec()) {
        fail(QStringLiteral("Cannot read the files"), queryError(query));
        return digests;
    }
    while (query.next())
        digests.insert(query.value(0).toString());
    return digests;
}

qint64 CloudStore::usedBytes(qint64 userId) const
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT coalesce(sum(size), 0) FROM files WHERE user_id = :user"));
    query.bindValue(QStringLiteral(":user"), userId);
    if (!query.exec() || !query.next()) {
        fail(QStringLiteral("Cannot sum the account's files"), queryError(query));
        return -1;
    }
    return query.value(0).toLongLong();
}

std::unique_ptr<QTemporaryFile> CloudStore::createUpload(qint64 userId)
{
    const QString directory = userDirectory(userId);
    if (!QDir().mkpath(directory)) {
        fail(QStringLiteral("Cannot create %1").arg(directory), QStringLiteral("mkpath failed"));
        return nullptr;
    }
    auto upload = std::make_unique<QTemporaryFile>(QDir(directory).filePath(uploadPrefix + QStringLiteral("XXXXXX")));
    if (!upload->open()) {
        fail(QStringLiteral("Cannot create an upload in %1").arg(directory), upload->errorString());
        return nullptr;
    }
    return upload;
}

bool CloudStore::storeFile(qint64 userId, const QString &md5, QTemporaryFile &upload, qint64 size,
                           const QString &fileType)
{
    const QString path = filePath(userId, md5);
    if (path.isEmpty())
        return fail(QStringLiteral("Cannot store a file"), QStringLiteral("%1 is not a digest").arg(md5));
    // On disk before its name says it is there: a crash must not leave a named file with missing bytes.
    if (!upload.flush() || ::fsync(upload.handle()) != 0)
        return fail(QStringLiteral("Cannot write %1").arg(upload.fileName()),
                    QString::fromLocal8Bit(std::strerror(errno)));
    // The name is the content's digest: a file already there of the same size holds these very bytes.
    const QFileInfo existing(path);
    if (!existing.exists() || existing.size() != size) {
        if (std::rename(QFile::encodeName(upload.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
            return fail(QStringLiteral("Cannot move the upload to %1").arg(path),
                        QString::fromLocal8Bit(std::strerror(errno)));
        upload.setAutoRemove(false);
    }

    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("INSERT INTO files (user_id, md5, size, file_type, created) "
                                 "VALUES (:user, :md5, :size, :type, :created) "
                                 "ON CONFLICT (user_id, md5) DO UPDATE SET size = excluded.size, "
                                 "file_type = excluded.file_type"));
    query.bindValue(QStringLiteral(":user"), userId);
    query.bindValue(QStringLiteral(":md5"), md5.toLower());
    query.bindValue(QStringLiteral(":size"), size);
    query.bindValue(QStringLiteral(":type"), notNull(fileType));
    query.bindValue(QStringLiteral(":created"), now());
    if (!query.exec())
        return fail(QStringLiteral("Cannot record the file %1").arg(md5), queryError(query));
    return true;
}

QString CloudStore::userDirectory(qint64 userId) const
{
    return QDir(m_dataDirectory).filePath(QStringLiteral("files/") + QString::number(userId));
}

QString CloudStore::filePath(qint64 userId, const QString &md5) const
{
    if (!isDigest(md5) || userId < 0)
        return {};
    return QDir(userDirectory(userId)).filePath(md5.toLower());
}
