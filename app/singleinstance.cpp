#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int ConnectTimeoutMs = 2000;

} // namespace

SingleInstance::SingleInstance(const QString &dataDir, QObject *parent)
    : QObject(parent)
    , name(serverName(dataDir))
    , lock(QDir(dataDir).filePath(QStringLiteral("shelvio.lock")))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString &dataDir)
{
    // Local socket names are short; the directory's digest keeps libraries apart.
    const QByteArray digest
        = QCryptographicHash::hash(QDir(dataDir).absolutePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("shelvio-") + QString::fromLatin1(digest.left(16));
}

bool SingleInstance::claim()
{
    // A lock whose process is gone is taken over by tryLock.
    if (!lock.tryLock(0)) {
        if (askRunningOne())
            return false;
        // The holder does not answer, or left no socket: the lock is left from a crash all the same.
        if (!lock.removeStaleLockFile() || !lock.tryLock(0))
            return false;
    }
    server = new QLocalServer(this);
    // A socket file left by a crash would keep the name taken.
    QLocalServer::removeServer(name);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name))
        qWarning("Later starts cannot reach this one: %s", qPrintable(server->errorString()));
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *connection = server->nextPendingConnection()) {
            connection->deleteLater();
            emit activationRequested();
        }
    });
    return true;
}

bool SingleInstance::askRunningOne() const
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    socket.disconnectFromServer();
    return true;
}
