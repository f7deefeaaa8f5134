#ifndef CLOUDSTORE_H
#define CLOUDSTORE_H

#include "server/passwordhash.h"

#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>

// Who a token was issued to: the account and the installation that logged in.
struct TokenOwner
{
    qint64 userId = -1;
    QString guid;
};

// The cloud service's accounts, tokens, synced books and files: an SQLite database in the data
// directory, on a connection of its own, and the uploaded files beside it under files/<user id>/<md5>.
class QTemporaryFile;
class StoredBook;

// An account's stored password, as a login checks it.
struct StoredPassword
{
    qint64 userId = -1;
    PasswordHash hash;
};

class CloudStore
{
public:
    static constexpr auto databaseFileName = "shelvio-cloud.sqlite";

    CloudStore();
    ~CloudStore();

    // Creates the directory, the database and its tables where they are missing, and keeps both to
    // their owner: they hold password hashes and every account's books.
    bool open(const QString &dataDirectory);
    // Removes what uploads cut short by a stop or a crash left behind; only while no service runs.
    void removeUnfinishedUploads();
    QString errorString() const { return m_error; }

    // Creates the account or replaces its password; replacing it revokes the account's tokens.
    bool setPassword(const QString &name, const QString &password);
    // Removes the account with its tokens, books and files; its id is never given out again.
    bool deleteUser(const QString &name);
    // No value for an unknown account, or when the database failed (then errorString() says why).
    std::optional<StoredPassword> password(const QString &name) const;
    // A fresh 64-character token, or an empty string when it could not be stored.
    QString issueToken(qint64 userId, const QString &guid);
    // No owner for a token nobody holds, or whose account is gone; failed, when given, tells a lookup
    // the database could not make.
    std::optional<TokenOwner> tokenOwner(const QString &token, bool *failed = nullptr) const;

    // Replaces an earlier copy of the same book (same account, installation and "iid").
    bool storeBook(const TokenOwner &owner, const QString &iid, const QJsonObject &book);
    // The account's books from all its installations, by title.
    QList<StoredBook> books(qint64 userId) const;

    // 32 hex digits: the only text a client sends that ever becomes part of a path.
    static bool isDigest(const QString &text);
    bool hasFile(qint64 userId, const QString &md5) const;
    QSet<QString> fileDigests(qint64 userId) const;
    // The bytes of the account's stored files together.
    qint64 usedBytes(qint64 userId) const;
    // A new, empty file in the account's folder, for an upload to be written to while it arrives.
    std::unique_ptr<QTemporaryFile> createUpload(qint64 userId);
    // Moves an upload into place under its digest; `md5` must be the digest of its `size` bytes, in lower
    // case, which the caller has verified.
    bool storeFile(qint64 userId, const QString &md5, QTemporaryFile &upload, qint64 size, const QString &fileType);
    // Empty for a text that is not a digest.
    QString filePath(qint64 userId, const QString &md5) const;

private:
    Q_DISABLE_COPY_MOVE(CloudStore)

    bool createTables();
    bool keepIdsUnique();
    bool addBookSummaries();
    bool exec(const QString &statement, const QString &what);
    QString userDirectory(qint64 userId) const;
    bool fail(const QString &what, const QString &why) const;

    QString m_connectionName;
    QString m_dataDirectory;
    QSqlDatabase m_database;
    mutable QString m_error;
};

#endif // CLOUDSTORE_H
