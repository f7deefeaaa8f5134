#include "model/book.h"
#include "model/fulltextrows.h"
#include "reader/fulltextindexer.h"
#include "tests/support/epubbuilder.h"
#include "tests/support/fixtures.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/support/testpdf.h"

#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

// Where the words searched for are: each hit as (file id, part).
QList<QVariantList> hits(const QString &query)
{
    return TestLibrary::rows(
        QStringLiteral("SELECT fid, part FROM fulltext WHERE fulltext MATCH '%1' ORDER BY fid, part").arg(query));
}

bool indexAll()
{
    FullTextIndexer indexer;
    QSignalSpy finished(&indexer, &FullTextIndexer::finished);
    indexer.start();
    return finished.wait(30000);
}

int fidOf(int iid)
{
    return TestLibrary::rows(QStringLiteral("SELECT fid FROM files WHERE iid = %1").arg(iid)).value(0).value(0).toInt();
}

} // namespace

class TestFullTextIndexer : public QObject
{
    Q_OBJECT

public:
    explicit TestFullTextIndexer(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void indexesEveryReadableFileByPart();
    void brokenOffPassLeavesNothingHalfDone();
    void readsDoNotWaitForTheIndexersWrites();

private:
    TestEnvironment &environment;
};

void TestFullTextIndexer::indexesEveryReadableFileByPart()
{
    const TestLibrary library(environment);
    const QString pdf = library.writeFile(QStringLiteral("books/orchard.pdf"), {});
    QVERIFY(TestPdf::write(pdf, QStringLiteral("Orchard"),
                           {QStringLiteral("Contents"), QStringLiteral("Espaliered pear trees on a wall"),
                            QStringLiteral("Crème brûlée for the harvest")}));
    const QString epub = library.writeFile(QStringLiteral("books/jams.epub"), {});
    QVERIFY(EpubBuilder()
                .addPackage(QStringLiteral("OEBPS/content.opf"), {QStringLiteral("one.html"), QStringLiteral("two.html")})
                .add(QStringLiteral("OEBPS/one.html"), EpubBuilder::chapter(QStringLiteral("Apples")))
                .add(QStringLiteral("OEBPS/two.html"), "<html><body><p>Quince <b>jelly</b> sets</p></body></html>")
                .write(epub));
    const int pdfBook = TestLibrary::storeBook(QStringLiteral("Orchard"), {pdf});
    const int epubBook = TestLibrary::storeBook(QStringLiteral("Jams"), {epub});
    const int textBook = TestLibrary::storeBook(
        QStringLiteral("Notes"), {library.writeFile(QStringLiteral("books/notes.txt"), "Un caf\xe9 au lait")});
    const int damaged = TestLibrary::storeBook(
        QStringLiteral("Damaged"), {library.writeFile(QStringLiteral("books/damaged.pdf"), "%PDF-1.4 nothing")});
    const int locked = TestLibrary::storeBook(
        QStringLiteral("Locked"),
        {library.writeFile(QStringLiteral("books/locked.pdf"), Fixtures::read(QStringLiteral("protected.pdf")))});
    QVERIFY(indexAll());

    const int pdfFile = fidOf(pdfBook);
    const int epubFile = fidOf(epubBook);
    // A phrase and a prefix by page and by chapter; words without their accents; a Latin-1 text file.
    QCOMPARE(hits(QStringLiteral("\"pear trees\"")), QList<QVariantList>({{pdfFile, 2}}));
    QCOMPARE(hits(QStringLiteral("espalier*")), QList<QVariantList>({{pdfFile, 2}}));
    QCOMPARE(hits(QStringLiteral("creme brulee")), QList<QVariantList>({{pdfFile, 3}}));
    QCOMPARE(hits(QStringLiteral("quince jelly")), QList<QVariantList>({{epubFile, 2}}));
    QCOMPARE(hits(QStringLiteral("cafe")), QList<QVariantList>({{fidOf(textBook), 1}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT state FROM fulltextfiles WHERE fid IN (%1, %2) ORDER BY fid")
                                   .arg(fidOf(damaged))
                                   .arg(fidOf(locked))),
             QList<QVariantList>({{QStringLiteral("unreadable")}, {QStringLiteral("protected")}}));

    // A changed file is read again; one that did not change keeps its rows as they are.
    QVERIFY(TestPdf::write(pdf, QStringLiteral("Orchard"), {QStringLiteral("Medlars keep until spring")}));
    QFile changed(pdf);
    QVERIFY(changed.open(QIODevice::ReadWrite));
    QVERIFY(changed.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    changed.close();
    QVERIFY(indexAll());
    QCOMPARE(hits(QStringLiteral("medlars")), QList<QVariantList>({{pdfFile, 1}}));
    QCOMPARE(hits(QStringLiteral("espalier*")), QList<QVariantList>());
    QCOMPARE(hits(QStringLiteral("quince")), QList<QVariantList>({{epubFile, 2}}));

    // A deleted book's rows go with it.
    QVERIFY(Book(nullptr, epubBook).remove());
    QCOMPARE(hits(QStringLiteral("quince")), QList<QVariantList>());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM fulltextfiles WHERE fid = %1").arg(epubFile)),
             QList<QVariantList>({{0}}));
}

void TestFullTextIndexer::brokenOffPassLeavesNothingHalfDone()
{
    const TestLibrary library(environment);
    // Three transactions' worth.
    constexpr int Books = 90;
    for (int book = 0; book < Books; ++book) {
        const QString path = library.writeFile(QStringLiteral("books/%1.pdf").arg(book), {});
        QVERIFY(TestPdf::write(path, QString(), QStringList(10, QStringLiteral("Walnut %1").arg(book))));
        TestLibrary::storeBook(QString::number(book), {path});
    }
    // The program closes while the pass runs, once it has written something.
    {
        FullTextIndexer indexer;
        indexer.start();
        QTRY_VERIFY(!TestLibrary::rows(QStringLiteral("SELECT fid FROM fulltextfiles LIMIT 1")).isEmpty());
    }
    const int indexedBefore = TestLibrary::rows(QStringLiteral("SELECT count(*) FROM fulltextfiles")).value(0).value(0).toInt();
    QVERIFY(indexedBefore < Books);
    // Every file marked indexed holds all its pages, and no other file holds any.
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM fulltext")),
             QList<QVariantList>({{indexedBefore * 10}}));

    QVERIFY(indexAll());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*), sum(parts) FROM fulltextfiles")),
             QList<QVariantList>({{Books, Books * 10}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM fulltext WHERE fulltext MATCH 'walnut'")),
             QList<QVariantList>({{Books * 10}}));
}

void TestFullTextIndexer::readsDoNotWaitForTheIndexersWrites()
{
    const TestLibrary library(environment);
    TestLibrary::storeBook(QStringLiteral("Dune"), {});
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        writer.setDatabaseName(QSqlDatabase::database().databaseName());
        QVERIFY(writer.open());
        QSqlQuery write(writer);
        // As the indexer's commit holds the file: no reader could start until it ends.
        QVERIFY(write.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(write.exec(QStringLiteral("INSERT INTO fulltextfiles (fid, size, modified, parts, state) "
                                          "VALUES (1, 1, 1, 1, 'indexed')")));
        QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT title FROM books")), QList<QVariantList>({{"Dune"}}));
        QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM fulltextfiles")), QList<QVariantList>({{0}}));
        QVERIFY(write.exec(QStringLiteral("ROLLBACK")));
        writer.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
}

SHELVIO_TEST_MAIN(TestFullTextIndexer)
#include "tst_fulltextindexer.moc"
