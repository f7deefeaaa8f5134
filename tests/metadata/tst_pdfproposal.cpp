#include "metadata/pdfproposal.h"
#include "tests/support/testmain.h"

#include <QTest>

class TestPdfProposal : public QObject
{
    Q_OBJECT

private slots:
    void titleComesFromPlausibleMetadata_data();
    void titleComesFromPlausibleMetadata();
    void authorsAreSplit_data();
    void authorsAreSplit();
};

void TestPdfProposal::titleComesFromPlausibleMetadata_data()
{
    QTest::addColumn<QString>("metadataTitle");
    QTest::addColumn<QString>("title");

    QTest::newRow("plausible") << "  The Art of   Espalier " << "The Art of Espalier";
    QTest::newRow("a title with a dot") << "Version 2.0 of Everything" << "Version 2.0 of Everything";
    QTest::newRow("empty") << "" << "pear trees";
    QTest::newRow("untitled") << "Untitled document" << "pear trees";
    QTest::newRow("a file name") << "draft_v3.docx" << "pear trees";
    QTest::newRow("a word processor's") << "Microsoft Word - chapter1.doc" << "pear trees";
}

void TestPdfProposal::titleComesFromPlausibleMetadata()
{
    QFETCH(QString, metadataTitle);
    QFETCH(QString, title);
    QCOMPARE(PdfProposal::title(metadataTitle, QStringLiteral("pear-trees.pdf"), QStringLiteral("pdf")), title);
}

void TestPdfProposal::authorsAreSplit_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("authors");

    QTest::newRow("one") << "Jane Austen" << QStringList({"Jane Austen"});
    QTest::newRow("semicolons") << "Jane Austen; Frank Herbert ;" << QStringList({"Jane Austen", "Frank Herbert"});
    QTest::newRow("commas and and") << "A. Smith, B. Jones and C. Brown"
                                    << QStringList({"A. Smith", "B. Jones", "C. Brown"});
    QTest::newRow("and inside a name") << "Sandra Anderson" << QStringList({"Sandra Anderson"});
    QTest::newRow("empty") << "  " << QStringList();
}

void TestPdfProposal::authorsAreSplit()
{
    QFETCH(QString, field);
    QFETCH(QStringList, authors);
    QCOMPARE(PdfProposal::authors(field), authors);
}

SHELVIO_TEST_MAIN(TestPdfProposal)
#include "tst_pdfproposal.moc"
