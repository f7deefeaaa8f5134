#include "core/settings.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testdatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>

class TestTestSupport : public QObject
{
    Q_OBJECT

public:
    explicit TestTestSupport(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void everyLocationLiesInsideTheTemporaryTree();
    void resetGivesAFreshHomeAndSettingsStore();
    void testDatabaseIsAFreshLibraryEachTime();

private:
    TestEnvironment &environment;
};

void TestTestSupport::everyLocationLiesInsideTheTemporaryTree()
{
    const QString home = environment.home();
    QCOMPARE(QDir::homePath(), home);
    QCOMPARE(QDir::currentPath(), environment.root());
    QVERIFY(QStandardPaths::isTestModeEnabled());
    for (const auto location : {QStandardPaths::GenericDataLocation, QStandardPaths::GenericConfigLocation,
                                QStandardPaths::CacheLocation, QStandardPaths::RuntimeLocation}) {
        QVERIFY2(QStandardPaths::writableLocation(location).startsWith(home),
                 qPrintable(QStandardPaths::writableLocation(location)));
    }
    Settings settings;
    QVERIFY2(settings.fileName().startsWith(home), qPrintable(settings.fileName()));
}

void TestTestSupport::resetGivesAFreshHomeAndSettingsStore()
{
    const QString firstHome = environment.home();
    QString firstSettingsFile;
    {
        Settings settings;
        settings.setValue(Settings::DataDir, QStringLiteral("/somewhere/"));
        settings.sync();
        firstSettingsFile = settings.fileName();
    }
    QVERIFY(QFileInfo::exists(firstSettingsFile));

    environment.reset();
    QVERIFY(environment.home() != firstHome);
    QVERIFY(!QFileInfo::exists(firstHome));
    QCOMPARE(QDir::homePath(), environment.home());
    Settings settings;
    QVERIFY(settings.fileName().startsWith(environment.home()));
    QVERIFY(!settings.contains(Settings::DataDir));
}

void TestTestSupport::testDatabaseIsAFreshLibraryEachTime()
{
    const QString firstDir = environment.home() + QStringLiteral("/first");
    {
        TestDatabase database(firstDir);
        QVERIFY(database.isOpen());
        QCOMPARE(database.path(), firstDir + QStringLiteral("/data.db"));
        QCOMPARE(TestDatabase::tableNames().size(), 21);
        QSqlQuery insert;
        QVERIFY(insert.exec(QStringLiteral("INSERT INTO items (type, rating) VALUES ('Book', 3)")));
        QCOMPARE(TestDatabase::rowCount(QStringLiteral("items")), 1);
    }
    QVERIFY(!QSqlDatabase::contains(QSqlDatabase::defaultConnection));

    TestDatabase second(environment.home() + QStringLiteral("/second"));
    QVERIFY(second.isOpen());
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("items")), 0);
    const QStringList indexes = TestDatabase::indexNames();
    QVERIFY(indexes.contains(QStringLiteral("title")) && indexes.contains(QStringLiteral("description")));
}

SHELVIO_BASE_TEST_MAIN(TestTestSupport)
#include "tst_testsupport.moc"
