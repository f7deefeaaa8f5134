#include "server/cloudprogram.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QUrl>

#include <cstdio>
#include <optional>

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

} // namespace

CloudProgram::CloudProgram() = default;

CloudProgram::~CloudProgram() = default;

int CloudProgram::run(QCoreApplication &application)
{
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
    const CloudServer::Options defaults;
    const QCommandLineOption latest(
        QStringLiteral("latest-version"),
        QStringLiteral("Report <version> as the latest one (%1).").arg(defaults.latestVersion),
        QStringLiteral("version"), defaults.latestVersion);
    const QCommandLineOption maxUpload(QStringLiteral("max-upload"),
                                       QStringLiteral("Refuse file uploads over <bytes> (%1).").arg(defaults.maxUpload),
                                       QStringLiteral("bytes"), QString::number(defaults.maxUpload));
    const QCommandLineOption addUser(QStringLiteral("add-user"),
                                     QStringLiteral("Store the account <name> with the password read from standard "
                                                    "input, then exit."),
                                     QStringLiteral("name"));
    parser.addOptions({data, listen, port, latest, maxUpload, addUser});
    parser.process(application);

    if (!parser.isSet(data) || parser.value(data).isEmpty())
        return failure(QStringLiteral("--data DIR is required."));
    if (!m_store.open(parser.value(data)))
        return failure(m_store.errorString());
    if (parser.isSet(addUser))
        return this->addUser(parser.value(addUser));

    const QHostAddress address(parser.value(listen));
    if (address.isNull())
        return failure(QStringLiteral("%1 is not an IP address.").arg(parser.value(listen)));
    bool portOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    if (!portOk || portNumber > 65535)
        return failure(QStringLiteral("%1 is not a port.").arg(parser.value(port)));
    CloudServer::Options options;
    options.latestVersion = parser.value(latest);
    bool limitOk = false;
    options.maxUpload = parser.value(maxUpload).toLongLong(&limitOk);
    if (!limitOk || options.maxUpload < 0)
        return failure(QStringLiteral("%1 is not a number of bytes.").arg(parser.value(maxUpload)));
    return serve(address, quint16(portNumber), std::move(options), application);
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

int CloudProgram::serve(const QHostAddress &address, quint16 port, CloudServer::Options options,
                        QCoreApplication &application)
{
    m_server = std::make_unique<CloudServer>(m_store, std::move(options));
    const quint16 listening = m_server->listen(address, port);
    if (listening == 0)
        return failure(QStringLiteral("Cannot listen on %1 port %2.").arg(address.toString()).arg(port));

    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(address.toString());
    url.setPort(listening);
    url.setPath(QStringLiteral("/"));
    // Tests and scripts read the port from this line, so it goes out at once.
    std::printf("Listening on %s\n", url.toEncoded().constData());
    std::fflush(stdout);
    return application.exec();
}
