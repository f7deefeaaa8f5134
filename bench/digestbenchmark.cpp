#include "bench/digestbenchmark.h"

#include "model/file.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace {

// Paths per md5sum call: few processes, and command lines well within the system's limit.
constexpr qsizetype BatchSize = 300;
constexpr int ProcessTimeoutMs = 300000;
constexpr double MiB = 1024.0 * 1024.0;

} // namespace

DigestBenchmark::DigestBenchmark(const QStringList &paths)
    : paths(paths)
{
}

QList<Figure> DigestBenchmark::run()
{
    Figure program(QStringLiteral("md5_program_mb_s"), QStringLiteral("MD5: File::md5()"), QStringLiteral("MB/s"), 1);
    Figure md5sum(QStringLiteral("md5_md5sum_mb_s"), QStringLiteral("MD5: md5sum"), QStringLiteral("MB/s"), 1);
    Figure ratio(QStringLiteral("md5_ratio"), QStringLiteral("MD5: program / md5sum"), QString(), 2);
    ratio.addBound(Figure::Statistic::Value, Figure::Comparison::AtLeast, 0.8);

    const qint64 bytes = warmUp();
    if (bytes < 0) {
        for (Figure *figure : {&program, &md5sum, &ratio})
            figure->fail(QStringLiteral("the files could not be read"));
        return {program, md5sum, ratio};
    }

    QHash<QString, QString> digests;
    digests.reserve(paths.size());
    QElapsedTimer clock;
    clock.start();
    for (const QString &path : std::as_const(paths))
        digests.insert(path, File(path).md5());
    const double programSeconds = clock.nsecsElapsed() / 1e9;

    QString error;
    clock.restart();
    const QHash<QString, QString> reference = md5sumDigests(&error);
    const double md5sumSeconds = clock.nsecsElapsed() / 1e9;
    if (reference.isEmpty()) {
        md5sum.fail(error);
        ratio.fail(error);
    } else if (reference != digests) {
        error = QStringLiteral("File::md5() and md5sum disagree");
        for (Figure *figure : {&program, &md5sum, &ratio})
            figure->fail(error);
        return {program, md5sum, ratio};
    }

    program.addSample(bytes / MiB / programSeconds);
    if (!reference.isEmpty()) {
        md5sum.addSample(bytes / MiB / md5sumSeconds);
        ratio.addSample(md5sumSeconds / programSeconds);
    }
    qInfo("  %lld files, %.1f MB: File::md5() %.3f s, md5sum %.3f s", qlonglong(paths.size()), bytes / MiB,
          programSeconds, md5sumSeconds);
    return {program, md5sum, ratio};
}

qint64 DigestBenchmark::warmUp() const
{
    qint64 bytes = 0;
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("Cannot read %s: %s", qPrintable(path), qPrintable(file.errorString()));
            return -1;
        }
        bytes += file.readAll().size();
    }
    return bytes;
}

QHash<QString, QString> DigestBenchmark::md5sumDigests(QString *error) const
{
    QHash<QString, QString> digests;
    digests.reserve(paths.size());
    for (qsizetype first = 0; first < paths.size(); first += BatchSize) {
        QProcess md5sum;
        md5sum.start(QStringLiteral("md5sum"), paths.mid(first, BatchSize));
        if (!md5sum.waitForFinished(ProcessTimeoutMs) || md5sum.exitStatus() != QProcess::NormalExit
            || md5sum.exitCode() != 0) {
            *error = QStringLiteral("md5sum failed: %1").arg(md5sum.errorString());
            return {};
        }
        // "<digest>  <path>" per line; the paths written here need none of md5sum's escapes.
        const QList<QByteArray> lines = md5sum.readAllStandardOutput().split('\n');
        for (const QByteArray &line : lines) {
            if (line.size() > 34)
                digests.insert(QFile::decodeName(line.mid(34)), QString::fromLatin1(line.left(32)));
        }
    }
    return digests;
}
