#include "server/cloudstore.h"

#include "server/passwordhash.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

#include <algorithm>
#include <atomic>

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
    if (!QDir().mkpath(m_dataDirectory))
        return fail(QStringLiteral("Cannot create %1").arg(m_dataDirectory), QStringLiteral("mkpath failed"));

    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_database.setDatabaseName(QDir(m_dataDirectory).filePath(QString::fromLatin1(databaseFileName)));
    // The service and an --add-user run may write at the same moment.
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_database.open())
        return fail(QStringLiteral("Cannot open %1").arg(m_database.databaseName()), m_database.lastError().text());
    // A sync writes one row per book: with a write-ahead log a commit is an append, and the disk is flushed
    // at checkpoints rather than at each of them; a crash may lose the last rows, never the database.
    QSqlQuery journal(m_database);
    if (!journal.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !journal.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return fail(QStringLiteral("Cannot set up %1").arg(m_database.databaseName()), queryError(journal));
    return createTables();
}

bool CloudStore::createTables()
{
    const QString statements[] = {
        QStringLiteral("CREATE TABLE IF NOT EXISTS users (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
                       "salt BLOB NOT NULL, iterations INTEGER NOT NULL, hash BLOB NOT NULL, created TEXT)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS tokens (digest TEXT PRIMARY KEY, user_id INTEGER NOT NULL, "
                       "guid TEXT NOT NULL, created TEXT)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS books (id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL, "
                       "guid TEXT NOT NULL, iid TEXT NOT NULL, title TEXT, json TEXT NOT NULL, updated TEXT, "
                       "UNIQUE (user_id, guid, iid))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS files (user_id INTEGER NOT NULL, md5 TEXT NOT NULL, "
                       "size INTEGER NOT NULL, file_type TEXT, created TEXT, PRIMARY KEY (user_id, md5))"),
    };
    for (const QString &statement : statements) {
        QSqlQuery query(m_database);
        if (!query.exec(statement))
            return fail(QStringLiteral("Cannot create the tables"), queryError(query));
    }
    return true;
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

std::optional<qint64> CloudStore::authenticate(const QString &name, const QString &password) const
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT id, salt, iterations, hash FROM users WHERE name = :name"));
    query.bindValue(QStringLiteral(":name"), name);
    if (!query.exec()) {
        fail(QStringLiteral("Cannot look up the account %1").arg(name), queryError(query));
        return std::nullopt;
    }
    if (!query.next()) {
        // Deriving a key anyway keeps an unknown name as slow as a wrong password, so the reply time
        // does not tell which names have accounts.
        static const PasswordHash unknown = PasswordHash::create(QStringLiteral("unknown"));
        unknown.matches(password);
        return std::nullopt;
    }
    const PasswordHash hash(query.value(1).toByteArray(), query.value(2).toInt(), query.value(3).toByteArray());
    if (!hash.matches(password))
        return std::nullopt;
    return query.value(0).toLongLong();
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
    query.prepare(QStringLiteral("SELECT user_id, guid FROM tokens WHERE digest = :digest"));
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
    query.prepare(QStringLiteral("INSERT INTO books (user_id, guid, iid, title, json, updated) "
                                 "VALUES (:user, :guid, :iid, :title, :json, :updated) "
                                 "ON CONFLICT (user_id, guid, iid) DO UPDATE SET title = excluded.title, "
                                 "json = excluded.json, updated = excluded.updated"));
    query.bindValue(QStringLiteral(":user"), owner.userId);
    query.bindValue(QStringLiteral(":guid"), notNull(owner.guid));
    query.bindValue(QStringLiteral(":iid"), notNull(iid));
    query.bindValue(QStringLiteral(":title"), book.value(QStringLiteral("title")).toString());
    query.bindValue(QStringLiteral(":json"), QString::fromUtf8(QJsonDocument(book).toJson(QJsonDocument::Compact)));
    query.bindValue(QStringLiteral(":updated"), now());
    if (!query.exec())
        return fail(QStringLiteral("Cannot store the book %1").arg(iid), queryError(query));
    return true;
}

QList<QJsonObject> CloudStore::books(qint64 userId) const
{
    QList<QJsonObject> books;
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT json FROM books WHERE user_id = :user ORDER BY title COLLATE NOCASE, id"));
    query.bindValue(QStringLiteral(":user"), userId);
    if (!query.exec()) {
        fail(QStringLiteral("Cannot read the books"), queryError(query));
        return books;
    }
    while (query.next())
        books.append(QJsonDocument::fromJson(query.value(0).toString().toUtf8()).object());
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

bool CloudStore::storeFile(qint64 userId, const QString &md5, QByteArrayView bytes, const QString &fileType)
{
    const QString path = filePath(userId, md5);
    if (path.isEmpty())
        return fail(QStringLiteral("Cannot store a file"), QStringLiteral("%1 is not a digest").arg(md5));
    if (!QDir().mkpath(QFileInfo(path).path()))
        return fail(QStringLiteral("Cannot create the directory of %1").arg(path), QStringLiteral("mkpath failed"));
    // The name is the content's digest: a file already there of the same size holds these very bytes.
    if (QFileInfo(path).size() != bytes.size() || !QFileInfo::exists(path)) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("Cannot write %1").arg(path), file.errorString());
        if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.commit())
            return fail(QStringLiteral("Cannot write %1").arg(path), file.errorString());
    }

    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("INSERT INTO files (user_id, md5, size, file_type, created) "
                                 "VALUES (:user, :md5, :size, :type, :created) "
                                 "ON CONFLICT (user_id, md5) DO UPDATE SET size = excluded.size, "
                                 "file_type = excluded.file_type"));
    query.bindValue(QStringLiteral(":user"), userId);
    query.bindValue(QStringLiteral(":md5"), md5.toLower());
    query.bindValue(QStringLiteral(":size"), qint64(bytes.size()));
    query.bindValue(QStringLiteral(":type"), notNull(fileType));
    query.bindValue(QStringLiteral(":created"), now());
    if (!query.exec())
        return fail(QStringLiteral("Cannot record the file %1").arg(md5), queryError(query));
    return true;
}

QString CloudStore::filePath(qint64 userId, const QString &md5) const
{
    if (!isDigest(md5) || userId < 0)
        return {};
    return QDir(m_dataDirectory).filePath(QStringLiteral("files/%1/%2").arg(QString::number(userId), md5.toLower()));
}
