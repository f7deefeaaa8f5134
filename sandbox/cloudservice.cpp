#include "sandbox/cloudservice.h"

#include "server/cloudstore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>
#include <QtDebug>

#include <utility>

namespace {

// Generous: a sanitizer build on a busy machine starts slowly. Only a cap, never an assertion.
constexpr int startTimeout = 60000;
constexpr int stopTimeout = 10000;

} // namespace

CloudService::CloudService()
    : CloudService(Options())
{
}

CloudService::CloudService(Options options)
    : m_options(std::move(options))
    , m_directory(std::make_unique<QTemporaryDir>(
          QDir(m_options.parentFolder.isEmpty() ? QDir::currentPath() : m_options.parentFolder)
              .filePath(QStringLiteral("cloud-XXXXXX"))))
{
    if (!m_directory->isValid())
        fail(QStringLiteral("Cannot create the cloud service's data directory: %1").arg(m_directory->errorString()));
    // The service's messages belong in the test's output.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

CloudService::~CloudService()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(stopTimeout)) {
        m_process.kill();
        m_process.waitForFinished(stopTimeout);
    }
}

QString CloudService::executable()
{
    return QStringLiteral(SHELVIO_CLOUD_EXECUTABLE);
}

QString CloudService::dataDirectory() const
{
    return m_directory->path();
}

QString CloudService::databasePath() const
{
    return QDir(dataDirectory()).filePath(QString::fromLatin1(CloudStore::databaseFileName));
}

QStringList CloudService::serveArguments() const
{
    QStringList arguments{QStringLiteral("--data"),    dataDirectory(),          QStringLiteral("--listen"),
                          QStringLiteral("127.0.0.1"), QStringLiteral("--port"), QStringLiteral("0")};
    if (!m_options.latestVersion.isEmpty())
        arguments << QStringLiteral("--latest-version") << m_options.latestVersion;
    if (m_options.maxUpload >= 0)
        arguments << QStringLiteral("--max-upload") << QString::number(m_options.maxUpload);
    return arguments + m_options.arguments;
}

bool CloudService::start()
{
    if (m_process.state() != QProcess::NotRunning)
        return fail(QStringLiteral("The cloud service is running already"));
    m_process.start(executable(), serveArguments());
    if (!m_process.waitForStarted(startTimeout))
        return fail(QStringLiteral("Cannot start %1: %2").arg(executable(), m_process.errorString()));

    static const QRegularExpression listening(QStringLiteral("^Listening on (http://127\\.0\\.0\\.1:(\\d+)/)$"));
    QByteArray output;
    const QDeadlineTimer deadline(startTimeout);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            output += line.toUtf8() + '\n';
            const QRegularExpressionMatch match = listening.match(line);
            if (match.hasMatch()) {
                m_url = match.captured(1);
                m_port = quint16(match.captured(2).toUInt());
                return true;
            }
        }
        if (m_process.state() == QProcess::NotRunning || !m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    return fail(QStringLiteral("The cloud service did not report its address (exit code %1): %2")
                    .arg(m_process.exitCode())
                    .arg(QString::fromUtf8(output)));
}

bool CloudService::addUser(const QString &name, const QString &password)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(executable(), {QStringLiteral("--data"), dataDirectory(), QStringLiteral("--add-user"), name});
    if (!process.waitForStarted(startTimeout))
        return fail(QStringLiteral("Cannot start %1: %2").arg(executable(), process.errorString()));
    process.write(password.toUtf8() + '\n');
    process.closeWriteChannel();
    if (!process.waitForFinished(startTimeout)) {
        process.kill();
        process.waitForFinished(stopTimeout);
        return fail(QStringLiteral("shelvio-cloud --add-user did not finish"));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return fail(QStringLiteral("shelvio-cloud --add-user failed with exit code %1: %2")
                        .arg(process.exitCode())
                        .arg(QString::fromUtf8(process.readAllStandardOutput())));
    }
    return true;
}

int CloudService::administer(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(executable(), QStringList{QStringLiteral("--data"), dataDirectory()} + arguments);
    if (!process.waitForFinished(startTimeout)) {
        process.kill();
        process.waitForFinished(stopTimeout);
        fail(QStringLiteral("shelvio-cloud %1 did not finish").arg(arguments.join(u' ')));
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void CloudService::kill()
{
    m_process.kill();
    m_process.waitForFinished(stopTimeout);
}

bool CloudService::fail(const QString &reason)
{
    m_error = reason;
    qWarning("%s", qPrintable(reason));
    return false;
}
