#include "metadata/filedescription.h"
#include "metadata/filenametitle.h"
#include "reader/packagemetadata.h"
#include "tests/support/epubbuilder.h"
#include "tests/support/testmain.h"
#include "tests/support/testpdf.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

class TestFileDescription : public QObject
{
    Q_OBJECT

private slots:
    void describesItselfFromMetadataAndFirstPages();
    void epubDescribesItselfFromItsPackage();
};

void TestFileDescription::describesItselfFromMetadataAndFirstPages()
{
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());

    // The ISBN on the copyright page, the third.
    const QString book = folder.filePath(QStringLiteral("espalier.pdf"));
    QVERIFY(TestPdf::write(book, QStringLiteral("The Art of Espalier"),
                           {QStringLiteral("The Art of Espalier"), QStringLiteral("Contents"),
                            QStringLiteral("Copyright 2019. ISBN 978-0-306-40615-7")}));
    FileDescription description = FileDescription::read(book);
    QVERIFY(description.readable);
    QCOMPARE(description.title, QStringLiteral("The Art of Espalier"));
    QCOMPARE(description.isbn, QStringLiteral("9780306406157"));

    // Past the first five pages nothing is read; a word processor's title gives way to the file's name.
    const QString report = folder.filePath(QStringLiteral("pear-trees.pdf"));
    QStringList pages(FileDescription::PagesRead, QStringLiteral("Text"));
    pages.append(QStringLiteral("ISBN 978-0-306-40615-7"));
    QVERIFY(TestPdf::write(report, QStringLiteral("Microsoft Word - pears.doc"), pages));
    description = FileDescription::read(report);
    QCOMPARE(description.title, QStringLiteral("pear trees"));
    QCOMPARE(description.isbn, QString());

    // A damaged file proposes the title of its name only.
    const QString damaged = folder.filePath(QStringLiteral("broken-book.pdf"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("%PDF-1.4 not really") > 0);
    file.close();
    description = FileDescription::read(damaged);
    QVERIFY(!description.readable);
    QCOMPARE(description.title, QStringLiteral("broken book"));
    QVERIFY(description.authors.isEmpty());
}

void TestFileDescription::epubDescribesItselfFromItsPackage()
{
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString book = folder.filePath(QStringLiteral("dispossessed.epub"));
    QVERIFY(EpubBuilder::describedBook("cover").write(book));
    FileDescription description = FileDescription::read(book);
    QVERIFY(description.readable);
    QCOMPARE(description.title, QStringLiteral("The Dispossessed"));
    // The editor is not an author; the ISBN is the identifier that is one.
    QCOMPARE(description.authors, QStringList{QStringLiteral("Ursula K. Le Guin")});
    QCOMPARE(description.isbn13(), QStringLiteral("9780306406157"));
    QCOMPARE(description.publisher, QStringLiteral("Harper & Row"));
    QCOMPARE(description.published, QStringLiteral("1974-05-01"));
    QCOMPARE(description.description, QStringLiteral("An ambiguous utopia."));

    // EPUB 3 marks its cover in the manifest.
    QXmlStreamReader package(
        QByteArrayLiteral("<package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>"
                          "<item id=\"c\" href=\"front.jpg\" properties=\"cover-image\" media-type=\"image/jpeg\"/>"
                          "</manifest></package>"));
    QCOMPARE(PackageMetadata::read(package).coverReference, QStringLiteral("front.jpg"));

    // An archive without a package, or no archive at all, proposes the title of its name only.
    const QString empty = folder.filePath(QStringLiteral("no-package.epub"));
    QVERIFY(EpubBuilder().add(QStringLiteral("chapter.xhtml"), EpubBuilder::chapter(QStringLiteral("A"))).write(empty));
    const QString garbage = folder.filePath(QStringLiteral("not_a_zip.epub"));
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("PK not really") > 0);
    file.close();
    for (const QString &path : {empty, garbage}) {
        description = FileDescription::read(path);
        QVERIFY(!description.readable);
        QCOMPARE(description.title, FileNameTitle::derive(QFileInfo(path).fileName(), QStringLiteral("epub")));
    }
}

SHELVIO_TEST_MAIN(TestFileDescription)
#include "tst_filedescription.moc"
