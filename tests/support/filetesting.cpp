#include "tests/support/filetesting.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImage>

QByteArray FileTesting::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString FileTesting::md5Of(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

QByteArray FileTesting::pngImage(QColor colour)
{
    QImage image(40, 60, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    // A buffer over a byte array always opens, and a PNG of this size is always written.
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString FileTesting::canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}
