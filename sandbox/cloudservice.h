#ifndef CLOUDSERVICE_H
#define CLOUDSERVICE_H

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// The real shelvio-cloud executable of this build, run on 127.0.0.1 with a port the OS picks and a fresh
// data directory (by default in the current directory, which the tests and the benchmark point into their
// temporary tree). The process is stopped, and its data removed, when the object goes.
//
//     CloudService service;
//     QVERIFY(service.addUser(QStringLiteral("reader"), QStringLiteral("secret")));
//     QVERIFY(service.start());
//     settings.setValue(QStringLiteral("baseUrl"), service.url());
class CloudService
{
public:
    struct Options
    {
        // --latest-version, when not empty; the service's default is the program's own version.
        QString latestVersion;
        // --max-upload in bytes, when not negative; the service's default is 2 GiB.
        qint64 maxUpload = -1;
        // Where the data directory is made; empty for the current directory.
        QString parentFolder;
        // Further options of the service, such as its limits.
        QStringList arguments;
    };

    CloudService();
    explicit CloudService(Options options);
    ~CloudService();

    // Starts the service and waits for its "Listening on" line; false, with a warning and errorString()
    // saying why, when it did not come up.
    bool start();
    // Stores the account (or replaces its password) with `shelvio-cloud --add-user`; works before and
    // after start(). False, with a warning and errorString(), when the command failed.
    bool addUser(const QString &name, const QString &password);
    // Runs `shelvio-cloud --data DIR` with these arguments, as an administrator would, and returns its exit code.
    int administer(const QStringList &arguments);
    // Ends the service as a crash would; start() brings it up again on the same data.
    void kill();
    QString errorString() const { return m_error; }

    // The service's root, "http://127.0.0.1:PORT/", the value for the program's "baseUrl"; empty
    // before start().
    QString url() const { return m_url; }
    quint16 port() const { return m_port; }
    qint64 processId() const { return m_process.processId(); }
    // Holds the service's SQLite database (databasePath()) and its files/<user id>/<md5> tree.
    QString dataDirectory() const;
    QString databasePath() const;

    static QString executable();

private:
    Q_DISABLE_COPY_MOVE(CloudService)

    QStringList serveArguments() const;
    // Notes and warns why a step failed; returns false for the caller to pass on.
    bool fail(const QString &reason);

    Options m_options;
    std::unique_ptr<QTemporaryDir> m_directory;
    QProcess m_process;
    QString m_url;
    quint16 m_port = 0;
    QString m_error;
};

#endif // CLOUDSERVICE_H
