#ifndef UPLOADEXCHANGE_H
#define UPLOADEXCHANGE_H

#include "server/httpexchange.h"
#include "server/multipartfile.h"

#include <QCryptographicHash>
#include <QString>

#include <memory>

class CloudStore;
class QTemporaryFile;

// A file upload taken as it arrives: the multipart body is parsed on the way, the file's bytes go to a
// temporary file in the account's folder while their digest is computed, and the file takes its name
// only when digest and size are the ones announced. Memory stays at one piece of the body.
class UploadExchange : public HttpExchange
{
public:
    struct Announced
    {
        QString md5;
        qint64 size = 0;
        QString fileType;
    };

    // `upload` is the open temporary file the bytes go to; `limit` is the body's (not the file's) cap.
    UploadExchange(CloudStore &store, qint64 userId, Announced announced, std::unique_ptr<QTemporaryFile> upload,
                   const QByteArray &contentType, quint64 limit);
    ~UploadExchange() override;

    quint64 bodyLimit() const override { return m_limit; }
    bool consume(QByteArrayView bytes) override;
    void finish(Responder respond) override;

private:
    bool write(QByteArrayView bytes);
    HttpReply verdict();

    CloudStore &m_store;
    qint64 m_userId;
    Announced m_announced;
    std::unique_ptr<QTemporaryFile> m_upload;
    quint64 m_limit;
    MultipartFile m_multipart;
    QCryptographicHash m_digest{QCryptographicHash::Md5};
    qint64 m_received = 0;
    bool m_tooLong = false;
    bool m_writeFailed = false;
};

#endif // UPLOADEXCHANGE_H
