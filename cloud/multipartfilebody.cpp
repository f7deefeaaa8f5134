#include "cloud/multipartfilebody.h"

#include "core/cloudprotocol.h"

#include <QFileInfo>

#include <cstring>

namespace {

const QByteArray Crlf = QByteArrayLiteral("\r\n");

} // namespace

MultipartFileBody::MultipartFileBody(const QString &filePath, QObject *parent)
    : QIODevice(parent)
    , file(filePath)
    , head(Crlf + "--" + Boundary + Crlf + "Content-Disposition: form-data; name=\""
           + QByteArray(CloudProtocol::FilePart.data(), CloudProtocol::FilePart.size()) + "\"; filename=\""
           + quotedFileName(filePath) + "\"" + Crlf + "Content-Type: application/binary" + Crlf + Crlf)
    , tail(Crlf + "--" + Boundary + "--" + Crlf + "Content-Disposition: form-data; name=\"check\"" + Crlf + " " + Crlf
           + "Some text" + Crlf + "--" + Boundary + "--" + Crlf)
{
}

bool MultipartFileBody::open()
{
    if (!file.open(QIODevice::ReadOnly))
        return false;
    fileSize = file.size();
    modified = QFileInfo(file).lastModified();
    totalSize = head.size() + fileSize + tail.size();
    return QIODevice::open(QIODevice::ReadOnly);
}

qint64 MultipartFileBody::bytesAvailable() const
{
    return totalSize - position + QIODevice::bytesAvailable();
}

QByteArray MultipartFileBody::contentType()
{
    return "multipart/form-data; boundary=" + Boundary;
}

QByteArray MultipartFileBody::quotedFileName(const QString &path)
{
    // As browsers send file names: the characters that would end the quoted text, percent-encoded.
    return path.toUtf8().replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
}

qint64 MultipartFileBody::readData(char *data, qint64 maxSize)
{
    qint64 copied = 0;
    const qint64 fileEnd = head.size() + fileSize;
    while (copied < maxSize && position < totalSize) {
        qint64 chunk = 0;
        if (position < head.size()) {
            chunk = qMin(maxSize - copied, head.size() - position);
            std::memcpy(data + copied, head.constData() + position, size_t(chunk));
        } else if (position < fileEnd) {
            chunk = file.read(data + copied, qMin(maxSize - copied, fileEnd - position));
            // A file that shrank or broke while it was sent cannot give the announced length.
            if (chunk <= 0)
                return copied > 0 ? copied : -1;
            // At its last byte the file must still be the one whose size was announced.
            if (position + chunk == fileEnd) {
                const QFileInfo now(file.fileName());
                if (now.size() != fileSize || now.lastModified() != modified) {
                    changed = true;
                    return -1;
                }
            }
        } else {
            const qint64 offset = position - fileEnd;
            chunk = qMin(maxSize - copied, tail.size() - offset);
            std::memcpy(data + copied, tail.constData() + offset, size_t(chunk));
        }
        copied += chunk;
        position += chunk;
    }
    return copied;
}

qint64 MultipartFileBody::writeData(const char *data, qint64 size)
{
    Q_UNUSED(data)
    Q_UNUSED(size)
    return -1;
}
