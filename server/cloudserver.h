#ifndef CLOUDSERVER_H
#define CLOUDSERVER_H

#include <QHostAddress>
#include <QObject>
#include <QString>

class CloudStore;
class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponse;

// The cloud service's HTTP side: login and token validation, book metadata and file uploads with their
// existence checks, the update check and the web root, all answered from a CloudStore.
class CloudServer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CloudServer)

public:
    struct Options
    {
        // The program's own version, so that a default service reports no update.
        QString latestVersion = QStringLiteral("0.3 Alpha");
        // For files; a book's metadata or a sign-in form has the fixed cap maxDataSize.
        qint64 maxUpload = qint64(2) * 1024 * 1024 * 1024;
    };

    // A book's JSON carries its cover in Base64, so it may be larger than a small file, but never this large.
    static constexpr qint64 maxDataSize = 64 * 1024 * 1024;

    CloudServer(CloudStore &store, Options options, QObject *parent = nullptr);
    ~CloudServer() override;

    // The port listened on (the one picked when `port` is 0), or 0 when listening failed.
    quint16 listen(const QHostAddress &address, quint16 port);

private:
    QHttpServerResponse token(const QHttpServerRequest &request);
    QHttpServerResponse data(const QHttpServerRequest &request);
    QHttpServerResponse check(const QHttpServerRequest &request);
    QHttpServerResponse file(const QHttpServerRequest &request);
    QHttpServerResponse update(const QHttpServerRequest &request) const;
    QHttpServerResponse root(const QHttpServerRequest &request);

    static bool tooLarge(const QHttpServerRequest &request, qint64 limit);

    CloudStore &m_store;
    Options m_options;
    QHttpServer *m_server = nullptr;
};

#endif // CLOUDSERVER_H
