#include "core/logger.h"
#include "tests/support/basetestmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void newEngineWritesNothingUntilALevelIsEnabled();
    void debugMessagesJoinTheirValuesWithSpaces();
    void onlyEnginesWithTheLevelWrite();
    void takenEngineNameKeepsTheFirstEngine();

private:
    static QString readFile(const QString &path);

    QTemporaryDir directory;
};

QString TestLogger::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void TestLogger::newEngineWritesNothingUntilALevelIsEnabled()
{
    Logger &logger = Logger::instance();
    const QString path = directory.filePath(QStringLiteral("silent.log"));
    QVERIFY(logger.addFileEngine(QStringLiteral("silent"), path));
    QCOMPARE(logger.enabledLevels(QStringLiteral("silent")), Logger::Levels(Logger::NoLevels));

    logDebug(QStringLiteral("nobody listens"));
    logger.write(Logger::ErrorLevel, QStringLiteral("nor here"));
    QVERIFY(!QFile::exists(path));
}

void TestLogger::debugMessagesJoinTheirValuesWithSpaces()
{
    Logger &logger = Logger::instance();
    const QString path = directory.filePath(QStringLiteral("joined.log"));
    QVERIFY(logger.addFileEngine(QStringLiteral("joined"), path));
    logger.enableLevels(QStringLiteral("joined"), Logger::DebugLevel);

    logDebug(QStringLiteral("regExp:tolkien|lewis"), 42, "text", true);
    logger.disableLevels(QStringLiteral("joined"), Logger::DebugLevel);
    logDebug(QStringLiteral("after disabling"));

    const QStringList lines = readFile(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().endsWith(QStringLiteral("[Debug] regExp:tolkien|lewis 42 text true")),
             qPrintable(lines.first()));
}

void TestLogger::onlyEnginesWithTheLevelWrite()
{
    Logger &logger = Logger::instance();
    const QString debugPath = directory.filePath(QStringLiteral("debug-only.log"));
    const QString infoPath = directory.filePath(QStringLiteral("info-only.log"));
    QVERIFY(logger.addFileEngine(QStringLiteral("debug-only"), debugPath));
    QVERIFY(logger.addFileEngine(QStringLiteral("info-only"), infoPath));
    logger.enableLevels(QStringLiteral("debug-only"), Logger::DebugLevel);
    logger.enableLevels(QStringLiteral("info-only"), Logger::InfoLevel | Logger::WarningLevel);

    logDebug(QStringLiteral("for the debug engine"));
    logger.write(Logger::WarningLevel, QStringLiteral("for the info engine"));
    logger.disableLevels(QStringLiteral("debug-only"), Logger::AllLevels);
    logger.disableLevels(QStringLiteral("info-only"), Logger::AllLevels);

    const QString debugText = readFile(debugPath);
    const QString infoText = readFile(infoPath);
    QVERIFY(debugText.contains(QStringLiteral("for the debug engine")));
    QVERIFY(!debugText.contains(QStringLiteral("for the info engine")));
    QVERIFY(infoText.contains(QStringLiteral("[Warning] for the info engine")));
    QVERIFY(!infoText.contains(QStringLiteral("for the debug engine")));
}

void TestLogger::takenEngineNameKeepsTheFirstEngine()
{
    Logger &logger = Logger::instance();
    const QString first = directory.filePath(QStringLiteral("first.log"));
    QVERIFY(logger.addFileEngine(QStringLiteral("twice"), first));
    QVERIFY(!logger.addFileEngine(QStringLiteral("twice"), directory.filePath(QStringLiteral("second.log"))));
    QCOMPARE(logger.engineFileName(QStringLiteral("twice")), first);
    QCOMPARE(logger.engineNames().count(QStringLiteral("twice")), 1);
}

SHELVIO_BASE_TEST_MAIN(TestLogger)
#include "tst_logger.moc"
