#ifndef MULTIPARTFILEBODY_H
#define MULTIPARTFILEBODY_H

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QString>

// The body of a file upload, read straight from the file: the part's head, the file's bytes and the
// closing pieces, one after the other, so that memory does not grow with the size of the file.
class MultipartFileBody : public QIODevice
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MultipartFileBody)

public:
    static inline const QByteArray Boundary = QByteArrayLiteral("-----------------------------7d935033608e2");

    MultipartFileBody(const QString &filePath, QObject *parent);

    // Opens the file; false when it cannot be read. Its size is taken now: that is what the body announces.
    bool open();
    // The file changed on disk while it was read, so the body was broken off.
    bool changedWhileRead() const { return changed; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    qint64 size() const override { return totalSize; }
    // The value of the Content-Type header that goes with the body.
    static QByteArray contentType();
    // The path as the quoted file name of the part's head: a quote or a line break would end it.
    static QByteArray quotedFileName(const QString &path);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    QFile file;
    QByteArray head;
    QByteArray tail;
    qint64 totalSize = 0;
    qint64 position = 0;
    qint64 fileSize = 0;
    QDateTime modified;
    bool changed = false;
};

#endif // MULTIPARTFILEBODY_H
