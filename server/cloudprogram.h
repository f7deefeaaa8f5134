#ifndef CLOUDPROGRAM_H
#define CLOUDPROGRAM_H

#include "server/cloudserver.h"
#include "server/cloudstore.h"
#include "server/httplimits.h"

#include <QString>

#include <boost/asio/ip/address.hpp>

class QCoreApplication;

// The shelvio-cloud command: serves the data directory over HTTP, or with --add-user stores an account
// whose password it reads from standard input, or with --delete-user removes one.
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
    int deleteUser(const QString &name);
    int serve(const boost::asio::ip::address &address, quint16 port, CloudServer::Options options, HttpLimits limits);

    CloudStore m_store;
};

#endif // CLOUDPROGRAM_H
