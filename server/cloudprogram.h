#ifndef CLOUDPROGRAM_H
#define CLOUDPROGRAM_H

#include "server/cloudserver.h"
#include "server/cloudstore.h"

#include <QHostAddress>
#include <QString>

#include <memory>

class QCoreApplication;

// The shelvio-cloud command: serves the data directory over HTTP, or with --add-user stores an account
// whose password it reads from standard input.
class CloudProgram
{
public:
    static constexpr quint16 defaultPort = 8470;

    CloudProgram();
    ~CloudProgram();

    // Parses the application's arguments and runs until the service ends; returns the exit code.
    int run(QCoreApplication &application);

private:
    Q_DISABLE_COPY_MOVE(CloudProgram)

    int addUser(const QString &name);
    int serve(const QHostAddress &address, quint16 port, CloudServer::Options options, QCoreApplication &application);

    CloudStore m_store;
    std::unique_ptr<CloudServer> m_server;
};

#endif // CLOUDPROGRAM_H
