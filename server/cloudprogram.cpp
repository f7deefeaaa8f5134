#include "server/cloudprogram.h"

#include "server/httplistener.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QUrl>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>

#include <sys/stat.h>

namespace {

int failure(const QString &message)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << Qt::endl;
    return 1;
}

// One line of standard input without its line break; spaces belong to the password and stay.
std::optional<QString> readPasswordLine()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray line = input.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

std::optional<qint64> bytes(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value >= 0 ? std::optional(value) : std::nullopt;
}

std::optional<std::chrono::milliseconds> seconds(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value <= 0 || value > 24 * 3600)
        return std::nullopt;
    return std::chrono::milliseconds(qRound64(value * 1000));
}

} // namespace

CloudProgram::CloudProgram() = default;

CloudProgram::~CloudProgram() = default;

int CloudProgram::run(QCoreApplication &application)
{
    // The data holds password hashes and every account's books: nobody else may read what is written.
    ::umask(077);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Shelvio cloud service."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption data(
        QStringLiteral("data"), QStringLiteral("Keep the accounts, books and files in <dir>."), QStringLiteral("dir"));
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("Listen on <address> (127.0.0.1)."),
                                    QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Listen on <port> (%1; 0 picks a free one).").arg(defaultPort),
                                  QStringLiteral("port"), QString::number(defaultPort));
    const QCommandLineOption host(QStringLiteral("host"),
                                  QStringLiteral("Answer requests for the host <name> too, besides the listening "
                                                 "address; may be given more than once."),
                                  QStringLiteral("name"));
    const QCommandLineOption trustProxy(QStringLiteral("trust-proxy"),
                                        QStringLiteral("Take the client's address from X-Forwarded-For, as the "
                                                       "reverse proxy in front sets it."));
    const CloudServer::Options defaults;
    const HttpLimits limitDefaults;
    const QCommandLineOption latest(
        QStringLiteral("latest-version"),
        QStringLiteral("Report <version> as the latest one (%1).").arg(defaults.latestVersion),
        QStringLiteral("version"), defaults.latestVersion);
    const QCommandLineOption maxUpload(QStringLiteral("max-upload"),
                                       QStringLiteral("Refuse file uploads over <bytes> (%1).").arg(defaults.maxUpload),
                                       QStringLiteral("bytes"), QString::number(defaults.maxUpload));
    const QCommandLineOption maxData(QStringLiteral("max-data"),
                                     QStringLiteral("Refuse book data over <bytes> (%1).").arg(defaults.maxData),
                                     QStringLiteral("bytes"), QString::number(defaults.maxData));
    const QCommandLineOption quota(QStringLiteral("quota"),
                                   QStringLiteral("Keep at most <bytes> of files per account (0, no limit)."),
                                   QStringLiteral("bytes"), QStringLiteral("0"));
    const QCommandLineOption maxConnections(
        QStringLiteral("max-connections"),
        QStringLiteral("Hold at most <count> connections at once (%1).").arg(limitDefaults.maxConnections),
        QStringLiteral("count"), QString::number(limitDefaults.maxConnections));
    const auto timeoutOption = [](const QString &name, const QString &what, std::chrono::milliseconds value) {
        return QCommandLineOption(
            name, QStringLiteral("Wait at most <seconds> for %1 (%2).").arg(what).arg(value.count() / 1000.0),
            QStringLiteral("seconds"), QString::number(value.count() / 1000.0));
    };
    const QCommandLineOption headerTimeout = timeoutOption(
        QStringLiteral("header-timeout"), QStringLiteral("a request's head"), limitDefaults.headerTimeout);
    const QCommandLineOption idleTimeout
        = timeoutOption(QStringLiteral("idle-timeout"), QStringLiteral("the next request on a kept-alive connection"),
                        limitDefaults.idleTimeout);
    const QCommandLineOption bodyTimeout
        = timeoutOption(QStringLiteral("body-timeout"), QStringLiteral("more of a body, or the client to take a reply"),
                        limitDefaults.bodyTimeout);
    const QCommandLineOption addUser(QStringLiteral("add-user"),
                                     QStringLiteral("Store the account <name> with the password read from standard "
                                                    "input, then exit."),
                                     QStringLiteral("name"));
    const QCommandLineOption deleteUser(
        QStringLiteral("delete-user"),
        QStringLiteral("Remove the account <name> with its tokens, books and files, then exit."),
        QStringLiteral("name"));
    parser.addOptions({data, listen, port, host, trustProxy, latest, maxUpload, maxData, quota, maxConnections,
                       headerTimeout, idleTimeout, bodyTimeout, addUser, deleteUser});
    parser.process(application);

    if (!parser.isSet(data) || parser.value(data).isEmpty())
        return failure(QStringLiteral("--data DIR is required."));
    if (!m_store.open(parser.value(data)))
        return failure(m_store.errorString());
    if (parser.isSet(addUser))
        return this->addUser(parser.value(addUser));
    if (parser.isSet(deleteUser))
        return this->deleteUser(parser.value(deleteUser));

    boost::system::error_code addressError;
    const boost::asio::ip::address address
        = boost::asio::ip::make_address(parser.value(listen).toStdString(), addressError);
    if (addressError)
        return failure(QStringLiteral("%1 is not an IP address.").arg(parser.value(listen)));
    bool portOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    if (!portOk || portNumber > 65535)
        return failure(QStringLiteral("%1 is not a port.").arg(parser.value(port)));

    CloudServer::Options options;
    options.latestVersion = parser.value(latest);
    for (const auto &[option, target] : {std::pair{&maxUpload, &options.maxUpload},
                                         std::pair{&maxData, &options.maxData}, std::pair{&quota, &options.quota}}) {
        const std::optional<qint64> value = bytes(parser.value(*option));
        if (!value)
            return failure(QStringLiteral("%1 is not a number of bytes.").arg(parser.value(*option)));
        *target = *value;
    }

    HttpLimits limits;
    limits.hostNames = parser.values(host);
    limits.trustProxy = parser.isSet(trustProxy);
    bool countOk = false;
    limits.maxConnections = parser.value(maxConnections).toInt(&countOk);
    if (!countOk || limits.maxConnections < 1)
        return failure(QStringLiteral("%1 is not a number of connections.").arg(parser.value(maxConnections)));
    for (const auto &[option, target] :
         {std::pair{&headerTimeout, &limits.headerTimeout}, std::pair{&idleTimeout, &limits.idleTimeout},
          std::pair{&bodyTimeout, &limits.bodyTimeout}}) {
        const std::optional<std::chrono::milliseconds> value = seconds(parser.value(*option));
        if (!value)
            return failure(QStringLiteral("%1 is not a number of seconds.").arg(parser.value(*option)));
        *target = *value;
    }
    return serve(address, quint16(portNumber), std::move(options), std::move(limits));
}

int CloudProgram::addUser(const QString &name)
{
    if (name.isEmpty())
        return failure(QStringLiteral("The account needs a name."));
    const std::optional<QString> password = readPasswordLine();
    if (!password || password->isEmpty())
        return failure(QStringLiteral("No password on standard input."));
    if (!m_store.setPassword(name, *password))
        return failure(m_store.errorString());
    QTextStream(stdout) << "Stored the account " << name << "." << Qt::endl;
    return 0;
}

int CloudProgram::deleteUser(const QString &name)
{
    if (!m_store.deleteUser(name))
        return failure(m_store.errorString());
    QTextStream(stdout) << "Removed the account " << name << "." << Qt::endl;
    return 0;
}

int CloudProgram::serve(const boost::asio::ip::address &address, quint16 port, CloudServer::Options options,
                        HttpLimits limits)
{
    m_store.removeUnfinishedUploads();
    boost::asio::io_context io(1);
    CloudServer server(io, m_store, std::move(options));
    HttpListener listener(io, server, std::move(limits));
    const quint16 listening = listener.listen(address, port);
    if (listening == 0)
        return failure(QStringLiteral("Cannot listen on %1 port %2: %3")
                           .arg(QString::fromStdString(address.to_string()))
                           .arg(port)
                           .arg(listener.errorString()));
    // A stop asked for ends the loop, so that the store closes its database as usual.
    boost::asio::signal_set stops(io, SIGINT, SIGTERM);
    stops.async_wait([&io](boost::system::error_code, int) { io.stop(); });
    // A client gone in the middle of a reply must not end the service.
    std::signal(SIGPIPE, SIG_IGN);

    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QString::fromStdString(address.to_string()));
    url.setPort(listening);
    url.setPath(QStringLiteral("/"));
    // Tests and scripts read the port from this line, so it goes out at once.
    std::printf("Listening on %s\n", url.toEncoded().constData());
    std::fflush(stdout);
    io.run();
    return 0;
}
