#include "model/readingpositions.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QTest>

#include <memory>

class TestReadingPositions : public QObject
{
    Q_OBJECT

public:
    explicit TestReadingPositions(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void positionsAreKeptPerFile();

private:
    TestEnvironment &environment;
};

void TestReadingPositions::positionsAreKeptPerFile()
{
    // The table is made when the library opens.
    const TestLibrary library(environment);
    const QString stored = ReadingPositions::keyOfFile(7);
    const QString loose = ReadingPositions::keyOfDigest(QStringLiteral("0CC175B9C0F1B6A831C399E269772661"));
    QVERIFY(!ReadingPositions::load(stored));

    QVERIFY(ReadingPositions::save(stored, {131, 1.5, 0}));
    QVERIFY(ReadingPositions::save(loose, {0, 0, 4}));
    // The last position of a file replaces the one before.
    QVERIFY(ReadingPositions::save(stored, {132, 1.25, 0}));

    const std::optional<ReadingPositions::Position> page = ReadingPositions::load(stored);
    QVERIFY(page);
    QCOMPARE(page->page, 132);
    QCOMPARE(page->zoom, 1.25);
    const std::optional<ReadingPositions::Position> chapter
        = ReadingPositions::load(ReadingPositions::keyOfDigest(QStringLiteral("0cc175b9c0f1b6a831c399e269772661")));
    QVERIFY(chapter);
    QCOMPARE(chapter->chapter, 4);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM reading_positions")),
             QList<QVariantList>({{2}}));
}

SHELVIO_BASE_TEST_MAIN(TestReadingPositions)
#include "tst_readingpositions.moc"
