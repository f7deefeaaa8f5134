#include "server/passwordhash.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

#include <utility>

namespace {

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / int(sizeof(quint32)));
    return bytes;
}

bool equalInConstantTime(const QByteArray &left, const QByteArray &right)
{
    if (left.size() != right.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < left.size(); ++i)
        difference |= static_cast<unsigned char>(left.at(i) ^ right.at(i));
    return difference == 0;
}

} // namespace

static_assert(PasswordHash::saltSize % sizeof(quint32) == 0, "the salt is filled in 32-bit words");

PasswordHash::PasswordHash(QByteArray salt, int iterations, QByteArray key)
    : m_salt(std::move(salt))
    , m_iterations(iterations)
    , m_key(std::move(key))
{
}

PasswordHash PasswordHash::create(const QString &password, int iterations)
{
    QByteArray salt = randomBytes(saltSize);
    QByteArray key = derive(password, salt, iterations);
    return PasswordHash(std::move(salt), iterations, std::move(key));
}

bool PasswordHash::isValid() const
{
    return !m_salt.isEmpty() && m_iterations > 0 && m_key.size() == keySize;
}

bool PasswordHash::matches(const QString &password) const
{
    if (!isValid())
        return false;
    return equalInConstantTime(derive(password, m_salt, m_iterations), m_key);
}

QByteArray PasswordHash::derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, iterations, keySize);
}
