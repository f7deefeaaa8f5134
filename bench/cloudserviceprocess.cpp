#include "bench/cloudserviceprocess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

namespace {

constexpr int StartTimeoutMs = 60000;
constexpr int StopTimeoutMs = 10000;

} // namespace

CloudServiceProcess::CloudServiceProcess(const QString &parentFolder, qint64 maxUpload)
    : maxUpload(maxUpload)
    , data(parentFolder + QStringLiteral("/cloud-XXXXXX"))
{
    // Its complaints belong in the benchmark's output.
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

CloudServiceProcess::~CloudServiceProcess()
{
    if (service.state() == QProcess::NotRunning)
        return;
    service.terminate();
    if (!service.waitForFinished(StopTimeoutMs)) {
        service.kill();
        service.waitForFinished(StopTimeoutMs);
    }
}

QString CloudServiceProcess::executable()
{
    return QStringLiteral(SHELVIO_CLOUD_EXECUTABLE);
}

bool CloudServiceProcess::addUser(const QString &name, const QString &password)
{
    if (!data.isValid()) {
        error = QStringLiteral("Cannot create the service's data folder: %1").arg(data.errorString());
        return false;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(executable(), {QStringLiteral("--data"), data.path(), QStringLiteral("--add-user"), name});
    if (!process.waitForStarted(StartTimeoutMs)) {
        error = QStringLiteral("Cannot start %1: %2").arg(executable(), process.errorString());
        return false;
    }
    process.write(password.toUtf8() + '\n');
    process.closeWriteChannel();
    if (!process.waitForFinished(StartTimeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        error = QStringLiteral("shelvio-cloud --add-user failed (exit code %1)").arg(process.exitCode());
        return false;
    }
    return true;
}

bool CloudServiceProcess::start()
{
    service.start(executable(),
                  {QStringLiteral("--data"), data.path(), QStringLiteral("--listen"), QStringLiteral("127.0.0.1"),
                   QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--max-upload"),
                   QString::number(maxUpload)});
    if (!service.waitForStarted(StartTimeoutMs)) {
        error = QStringLiteral("Cannot start %1: %2").arg(executable(), service.errorString());
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("^Listening on (http://\\S+/)$"));
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!deadline.hasExpired()) {
        while (service.canReadLine()) {
            const QRegularExpressionMatch match = listening.match(QString::fromUtf8(service.readLine()).trimmed());
            if (match.hasMatch()) {
                serviceUrl = match.captured(1);
                return true;
            }
        }
        if (service.state() == QProcess::NotRunning || !service.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    error = QStringLiteral("shelvio-cloud did not say where it listens (exit code %1)").arg(service.exitCode());
    return false;
}
