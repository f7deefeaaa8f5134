#ifndef CLOUDSERVICEPROCESS_H
#define CLOUDSERVICEPROCESS_H

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The real shelvio-cloud of this build, on 127.0.0.1 with a port the system picks and a data folder of
// its own below the given one; stopped, and its data removed, when the object goes.
class CloudServiceProcess
{
public:
    CloudServiceProcess(const QString &parentFolder, qint64 maxUpload);
    ~CloudServiceProcess();

    // Both false, with errorString() saying why, when the service did not do it.
    bool addUser(const QString &name, const QString &password);
    bool start();

    // "http://127.0.0.1:PORT/" once started.
    QString url() const { return serviceUrl; }
    QString errorString() const { return error; }

private:
    Q_DISABLE_COPY_MOVE(CloudServiceProcess)

    static QString executable();

    qint64 maxUpload;
    QTemporaryDir data;
    QProcess service;
    QString serviceUrl;
    QString error;
};

#endif // CLOUDSERVICEPROCESS_H
