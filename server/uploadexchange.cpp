#include "server/uploadexchange.h"

#include "server/cloudreplies.h"
#include "server/cloudstore.h"

#include <QTemporaryFile>

#include <utility>

UploadExchange::UploadExchange(CloudStore &store, qint64 userId, Announced announced,
                               std::unique_ptr<QTemporaryFile> upload, const QByteArray &contentType, quint64 limit)
    : m_store(store)
    , m_userId(userId)
    , m_announced(std::move(announced))
    , m_upload(std::move(upload))
    , m_limit(limit)
    , m_multipart(contentType, [this](QByteArrayView bytes) { return write(bytes); })
{
}

UploadExchange::~UploadExchange() = default;

bool UploadExchange::consume(QByteArrayView bytes)
{
    return m_multipart.feed(bytes);
}

bool UploadExchange::write(QByteArrayView bytes)
{
    // More bytes than announced is a refusal already; reading on would only fill the disk.
    if (m_received + bytes.size() > m_announced.size) {
        m_tooLong = true;
        return false;
    }
    if (m_upload->write(bytes.data(), bytes.size()) != bytes.size()) {
        m_writeFailed = true;
        return false;
    }
    m_digest.addData(bytes);
    m_received += bytes.size();
    return true;
}

void UploadExchange::finish(Responder respond)
{
    respond(verdict());
}

HttpReply UploadExchange::verdict()
{
    if (m_writeFailed)
        return CloudReplies::error(500, QStringLiteral("The file could not be stored."));
    if (m_tooLong)
        return CloudReplies::error(400, QStringLiteral("The file's size is not \"fileSize\"."));
    if (!m_multipart.isComplete())
        return CloudReplies::error(400, QStringLiteral("The body has no multipart part named \"file\"."));
    if (m_received != m_announced.size)
        return CloudReplies::error(400, QStringLiteral("The file's size is not \"fileSize\"."));
    if (QString::fromLatin1(m_digest.result().toHex()) != m_announced.md5)
        return CloudReplies::error(400, QStringLiteral("The file's MD5 digest is not \"md5\"."));
    if (!m_store.storeFile(m_userId, m_announced.md5, *m_upload, m_received, m_announced.fileType))
        return CloudReplies::error(500, QStringLiteral("The file could not be stored."));
    return CloudReplies::stored();
}
