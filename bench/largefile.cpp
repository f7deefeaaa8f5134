#include "bench/largefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstring>
#include <vector>

namespace {

constexpr qint64 ChunkSize = 4 * 1024 * 1024;

} // namespace

LargeFile::LargeFile(const QString &path, qint64 size)
    : filePath(path)
    , size(size)
{
}

LargeFile::~LargeFile()
{
    // Nothing to report at this point; a leftover goes with the temporary tree.
    QFile::remove(filePath);
}

bool LargeFile::write(QString *error)
{
    if (!QDir().mkpath(QFileInfo(filePath).absolutePath())) {
        *error = QStringLiteral("Cannot create the folder of %1").arg(filePath);
        return false;
    }
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Cannot write %1: %2").arg(filePath, file.errorString());
        return false;
    }
    // One chunk of random bytes, numbered anew each time, so that no two chunks are alike.
    QRandomGenerator random(1);
    std::vector<quint32> words(ChunkSize / sizeof(quint32));
    random.fillRange(words.data(), qsizetype(words.size()));
    QByteArray chunk(reinterpret_cast<const char *>(words.data()), ChunkSize);
    const QByteArray header = "%PDF-1.4\n";
    std::memcpy(chunk.data(), header.constData(), header.size());

    for (qint64 written = 0; written < size; written += chunk.size()) {
        const qint64 serial = written / ChunkSize;
        if (written > 0)
            std::memcpy(chunk.data(), &serial, sizeof serial);
        const qint64 length = std::min<qint64>(chunk.size(), size - written);
        if (file.write(chunk.constData(), length) != length) {
            *error = QStringLiteral("Cannot write %1: %2").arg(filePath, file.errorString());
            return false;
        }
    }
    if (!file.flush()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(filePath, file.errorString());
        return false;
    }
    return true;
}
