#ifndef PASSWORDHASH_H
#define PASSWORDHASH_H

#include <QByteArray>
#include <QString>

// A salted PBKDF2-SHA-256 hash of a password: the only form in which the cloud service keeps one.
class PasswordHash
{
public:
    // High enough to make guessing from a stolen database slow, low enough for a login to stay quick.
    static constexpr int defaultIterations = 100000;
    static constexpr int saltSize = 16;
    static constexpr int keySize = 32;

    PasswordHash() = default;
    PasswordHash(QByteArray salt, int iterations, QByteArray key);

    // A fresh random salt from the system's cryptographic source.
    static PasswordHash create(const QString &password, int iterations = defaultIterations);

    bool isValid() const;
    // Compares in constant time, so the reply time tells nothing about how much of the key matched.
    bool matches(const QString &password) const;

    QByteArray salt() const { return m_salt; }
    int iterations() const { return m_iterations; }
    QByteArray key() const { return m_key; }

private:
    static QByteArray derive(const QString &password, const QByteArray &salt, int iterations);

    QByteArray m_salt;
    int m_iterations = 0;
    QByteArray m_key;
};

#endif // PASSWORDHASH_H
