#include "app/singleinstance.h"
#include "tests/support/testmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

// One running program per library: a second start hands over to the first; a crashed one's lock is taken over.
class TestSingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit TestSingleInstance(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void secondStartAsksTheFirstToShowItself()
    {
        const QString dataDir = environment.home();
        SingleInstance first(dataDir);
        QVERIFY(first.claim());
        QSignalSpy asked(&first, &SingleInstance::activationRequested);

        SingleInstance second(dataDir);
        QVERIFY(!second.claim());
        QVERIFY(asked.wait(5000));

        // Another library is another program.
        const QString otherDir = environment.root() + QStringLiteral("/other");
        QVERIFY(QDir().mkpath(otherDir));
        SingleInstance other(otherDir);
        QVERIFY(other.claim());
    }

    void lockOfACrashedStartIsTakenOver()
    {
        // A process that has ended holds the lock, as after a crash.
        QProcess ended;
        ended.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        ended.kill();
        QVERIFY(ended.waitForFinished());
        QFile lock(QDir(environment.home()).filePath(QStringLiteral("shelvio.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\nshelvio\n" + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();

        SingleInstance instance(environment.home());
        QVERIFY(instance.claim());
    }

private:
    TestEnvironment &environment;
};

SHELVIO_TEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
