#include "metadata/filenametitle.h"
#include "tests/support/testmain.h"

#include <QTest>

class TestFileNameTitle : public QObject
{
    Q_OBJECT

private slots:
    void titleFromFileName_data();
    void titleFromFileName();
};

void TestFileNameTitle::titleFromFileName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("title");

    QTest::newRow("separators become spaces") << "My_Book-Title, Vol.2.pdf"
                                              << "pdf"
                                              << "My Book Title Vol 2";
    QTest::newRow("letters outside ASCII are dropped") << "Café.epub"
                                                       << "epub"
                                                       << "Caf";
    QTest::newRow("three spaces keep two") << "a - b.pdf"
                                           << "pdf"
                                           << "a  b";
    QTest::newRow("four spaces keep two") << "a -- b.pdf"
                                          << "pdf"
                                          << "a  b";
    QTest::newRow("upper-case extension as written") << "NOTES.PDF"
                                                     << "PDF"
                                                     << "NOTES";
    QTest::newRow("extension matched case-sensitively") << "Report.PDF"
                                                        << "pdf"
                                                        << "Report PDF";
    QTest::newRow("extension after any character, anywhere") << "my pdf notes.pdf"
                                                             << "pdf"
                                                             << "my notes";
    QTest::newRow("extension at the very start stays") << "pdf guide.pdf"
                                                       << "pdf"
                                                       << "pdf guide";
    QTest::newRow("only the last extension") << "archive.tar.gz"
                                             << "gz"
                                             << "archive tar";
    QTest::newRow("ends trimmed") << "_draft_.txt"
                                  << "txt"
                                  << "draft";
    QTest::newRow("punctuation removed") << "Tom & Jerry (1999)!.pdf"
                                         << "pdf"
                                         << "Tom Jerry 1999";
    QTest::newRow("no extension keeps the name") << "README"
                                                 << ""
                                                 << "README";
    QTest::newRow("no extension, separators still replaced") << "Draft_v2"
                                                             << ""
                                                             << "Draft v2";
    // Read as a pattern, "[1]" would remove "v1" instead of the extension.
    QTest::newRow("extension with brackets is literal") << "v1 draft.[1]"
                                                        << "[1]"
                                                        << "v1 draft";
    // Read as a pattern, "(" would not even compile and nothing would be removed.
    QTest::newRow("extension with a parenthesis is literal") << "Chapter 1.("
                                                             << "("
                                                             << "Chapter 1";
    QTest::newRow("extension with plus signs is literal") << "lesson c.c++"
                                                          << "c++"
                                                          << "lesson c";
}

void TestFileNameTitle::titleFromFileName()
{
    QFETCH(QString, fileName);
    QFETCH(QString, extension);
    QFETCH(QString, title);

    QCOMPARE(FileNameTitle::derive(fileName, extension), title);
}

SHELVIO_TEST_MAIN(TestFileNameTitle)

#include "tst_filenametitle.moc"
