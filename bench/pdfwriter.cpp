#include "bench/pdfwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <vector>

PdfWriter::PdfWriter(QRandomGenerator &random, const QString &series)
    : random(random)
    , series(series)
{
}

bool PdfWriter::write(const QString &path, int serial, QString *error)
{
    const QByteArray head
        = "%PDF-1.4\n%" + series.toLatin1() + ' ' + QByteArray::number(serial).rightJustified(8, '0') + '\n';
    const QByteArray tail = "\n%%EOF\n";
    const int size = MinSize + random.bounded(MaxSize - MinSize + 1);

    const qsizetype bodySize = size - head.size() - tail.size();
    std::vector<quint32> words(bodySize / sizeof(quint32) + 1);
    random.fillRange(words.data(), qsizetype(words.size()));
    const QByteArray content = head + QByteArray(reinterpret_cast<const char *>(words.data()), bodySize) + tail;

    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("Cannot create the folder of %1").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
