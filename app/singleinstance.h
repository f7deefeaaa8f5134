#ifndef SINGLEINSTANCE_H
#define SINGLEINSTANCE_H

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One running program per library. Two windows on one database would overwrite each other's notes, so a
// second start for the same data directory asks the running program to come to the front and ends. A lock
// left behind by a crash is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    explicit SingleInstance(const QString &dataDir, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process now holds the library; false when another one does, which has been asked to
    // show itself.
    bool claim();

signals:
    // A later start asked this one to show itself.
    void activationRequested();

private:
    static QString serverName(const QString &dataDir);
    bool askRunningOne() const;

    QString name;
    QLockFile lock;
    QLocalServer *server = nullptr;
};

#endif // SINGLEINSTANCE_H
