#ifndef CLOUDSTORE_H
#define CLOUDSTORE_H

#include <QByteArrayView>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// Who a token was issued to: the account and the installation that logged in.
struct TokenOwner
{
    qint64 userId = -1;
    QString guid;
};

// The cloud service's accounts, tokens, synced books and files: an SQLite database in the data
// directory, on a connection of its own, and the uploaded files beside it under files/<user id>/<md5>.
class CloudStore
{
public:
    static constexpr auto databaseFileName = "shelvio-cloud.sqlite";

    CloudStore();
    ~CloudStore();

    // Creates the directory, the database and its tables where they are missing.
    bool open(const QString &dataDirectory);
    QString errorString() const { return m_error; }

    // Creates the account or replaces its password; replacing it revokes the account's tokens.
    bool setPassword(const QString &name, const QString &password);
    std::optional<qint64> authenticate(const QString &name, const QString &password) const;
    // A fresh 64-character token, or an empty string when it could not be stored.
    QString issueToken(qint64 userId, const QString &guid);
    // No owner for a token nobody holds; failed, when given, tells a lookup the database could not make.
    std::optional<TokenOwner> tokenOwner(const QString &token, bool *failed = nullptr) const;

    // Replaces an earlier copy of the same book (same account, installation and "iid").
    bool storeBook(const TokenOwner &owner, const QString &iid, const QJsonObject &book);
    // The account's books from all its installations, by title.
    QList<QJsonObject> books(qint64 userId) const;

    // 32 hex digits: the only text a client sends that ever becomes part of a path.
    static bool isDigest(const QString &text);
    bool hasFile(qint64 userId, const QString &md5) const;
    QSet<QString> fileDigests(qint64 userId) const;
    // `md5` must be the digest of `bytes`, in lower case; the caller has verified it.
    bool storeFile(qint64 userId, const QString &md5, QByteArrayView bytes, const QString &fileType);
    // Empty for a text that is not a digest.
    QString filePath(qint64 userId, const QString &md5) const;

private:
    Q_DISABLE_COPY_MOVE(CloudStore)

    bool createTables();
    bool fail(const QString &what, const QString &why) const;

    QString m_connectionName;
    QString m_dataDirectory;
    QSqlDatabase m_database;
    mutable QString m_error;
};

#endif // CLOUDSTORE_H
