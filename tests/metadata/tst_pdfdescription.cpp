#include "metadata/pdfdescription.h"
#include "tests/support/testmain.h"
#include "tests/support/testpdf.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestPdfDescription : public QObject
{
    Q_OBJECT

private slots:
    void describesItselfFromMetadataAndFirstPages();
};

void TestPdfDescription::describesItselfFromMetadataAndFirstPages()
{
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());

    // The ISBN on the copyright page, the third.
    const QString book = folder.filePath(QStringLiteral("espalier.pdf"));
    QVERIFY(TestPdf::write(book, QStringLiteral("The Art of Espalier"),
                     {QStringLiteral("The Art of Espalier"), QStringLiteral("Contents"),
                      QStringLiteral("Copyright 2019. ISBN 978-0-306-40615-7")}));
    PdfDescription description = PdfDescription::read(book);
    QVERIFY(description.readable);
    QCOMPARE(description.title, QStringLiteral("The Art of Espalier"));
    QCOMPARE(description.isbn, QStringLiteral("9780306406157"));

    // Past the first five pages nothing is read; a word processor's title gives way to the file's name.
    const QString report = folder.filePath(QStringLiteral("pear-trees.pdf"));
    QStringList pages(PdfDescription::PagesRead, QStringLiteral("Text"));
    pages.append(QStringLiteral("ISBN 978-0-306-40615-7"));
    QVERIFY(TestPdf::write(report, QStringLiteral("Microsoft Word - pears.doc"), pages));
    description = PdfDescription::read(report);
    QCOMPARE(description.title, QStringLiteral("pear trees"));
    QCOMPARE(description.isbn, QString());

    // A damaged file proposes the title of its name only.
    const QString damaged = folder.filePath(QStringLiteral("broken-book.pdf"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("%PDF-1.4 not really") > 0);
    file.close();
    description = PdfDescription::read(damaged);
    QVERIFY(!description.readable);
    QCOMPARE(description.title, QStringLiteral("broken book"));
    QVERIFY(description.authors.isEmpty());
}

SHELVIO_TEST_MAIN(TestPdfDescription)
#include "tst_pdfdescription.moc"
