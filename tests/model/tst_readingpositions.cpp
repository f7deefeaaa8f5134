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

    // A stored file is known by its id, so the item finds the page last read in it; a file outside the
    // library by its content.
    const QString pdf = library.writeFile(QStringLiteral("books/a.pdf"), "%PDF-1.4 a");
    const QString epub = library.writeFile(QStringLiteral("books/a.epub"), "PK an epub");
    const int iid = TestLibrary::storeBook(QStringLiteral("A"), {pdf, epub});
    QVERIFY(!ReadingPositions::lastPageRead(iid));
    const QString pdfKey = ReadingPositions::keyOfPath(pdf);
    QVERIFY(pdfKey.startsWith(QLatin1String("file:")));
    QVERIFY(ReadingPositions::save(pdfKey, {131, 0, 0, 410}));
    QVERIFY(ReadingPositions::save(ReadingPositions::keyOfPath(epub), {0, 0, 3, 0}));
    const std::optional<ReadingPositions::Position> read = ReadingPositions::lastPageRead(iid);
    QVERIFY(read);
    QCOMPARE(read->page, 131);
    QCOMPARE(read->pages, 410);
    const QString loosePath = library.writeFile(QStringLiteral("elsewhere/b.pdf"), "a");
    QCOMPARE(ReadingPositions::keyOfPath(loosePath), loose);
}

SHELVIO_BASE_TEST_MAIN(TestReadingPositions)
#include "tst_readingpositions.moc"
