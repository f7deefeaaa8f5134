#include "model/file.h"
#include "model/filelist.h"
#include "model/heldfiles.h"
#include "model/likepattern.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

#include <memory>

class TestFile : public QObject
{
    Q_OBJECT

public:
    explicit TestFile(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void likePatternMatchesOnlyTheText_data();
    void likePatternMatchesOnlyTheText();
    void identifiesByFirstBytesAndSize_data();
    void identifiesByFirstBytesAndSize();
    void suffixesKeepTheirSpelling_data();
    void suffixesKeepTheirSpelling();
    void digestOfALargeFileIsComputedWhenAsked();
    void missingFileKeepsItsPath();
    void storedFileIsRefreshedFromDisk();
    void duplicatesAreFoundByContentOrPath();
    void listReportsPathsAndSizes();
    void savingTwiceUpdatesTheRow();

private:
    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

void TestFile::init()
{
    library = std::make_unique<TestLibrary>(environment);
}

void TestFile::cleanup()
{
    library.reset();
}

void TestFile::likePatternMatchesOnlyTheText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("searched");
    QTest::addColumn<bool>("matches");

    QTest::newRow("same text") << "/books/a.pdf"
                               << "/books/a.pdf" << true;
    QTest::newRow("other case of ASCII letters") << "/Books/A.PDF"
                                                 << "/books/a.pdf" << true;
    QTest::newRow("underscore is not any character") << "/books/myXbook.pdf"
                                                     << "/books/my_book.pdf" << false;
    QTest::newRow("underscore matches itself") << "/books/my_book.pdf"
                                               << "/books/my_book.pdf" << true;
    QTest::newRow("percent is not any text") << "/books/100 pages.pdf"
                                             << "/books/100%.pdf" << false;
    QTest::newRow("percent matches itself") << "/books/100%.pdf"
                                            << "/books/100%.pdf" << true;
    QTest::newRow("backslash matches itself") << "C:\\books\\a.pdf"
                                              << "C:\\books\\a.pdf" << true;
    QTest::newRow("backslash is not an escape") << "C:_books"
                                                << "C:\\_books" << false;
    QTest::newRow("no prefix match") << "/books/a.pdf.old"
                                     << "/books/a.pdf" << false;
}

void TestFile::likePatternMatchesOnlyTheText()
{
    QFETCH(QString, stored);
    QFETCH(QString, searched);
    QFETCH(bool, matches);

    QSqlQuery query;
    QVERIFY(query.prepare(QStringLiteral("SELECT :stored LIKE :pattern ESCAPE '\\'")));
    query.bindValue(QStringLiteral(":stored"), stored);
    query.bindValue(QStringLiteral(":pattern"), LikePattern::exact(searched));
    QVERIFY(query.exec() && query.next());
    QCOMPARE(query.value(0).toBool(), matches);
}

void TestFile::identifiesByFirstBytesAndSize_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("firstBytes");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ten bytes") << QByteArray("%PDF-1.4\n\x01", 10) << "255044462d312e340a01";
    QTest::newRow("exactly fifty") << QByteArray(50, '\xab') << QStringLiteral("ab").repeated(50);
    QTest::newRow("longer than fifty") << QByteArray(50, '\x0f') + QByteArray(1000, 'z')
                                       << QStringLiteral("0f").repeated(50);
}

void TestFile::identifiesByFirstBytesAndSize()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, firstBytes);

    const QString path = library->writeFile(QStringLiteral("books/sample.pdf"), content);
    File file(path);
    QCOMPARE(file.getFirstBytes(), firstBytes);
    QCOMPARE(file.getFileSize(), qint64(content.size()));
    QCOMPARE(file.getFilePath(), path);
    QCOMPARE(file.getFileName(), QStringLiteral("sample.pdf"));
    QCOMPARE(file.getFid(), -1);
}

void TestFile::suffixesKeepTheirSpelling_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("type");

    QTest::newRow("upper case") << "Book.PDF"
                                << "PDF"
                                << "pdf";
    QTest::newRow("lower case") << "novel.epub"
                                << "epub"
                                << "epub";
    QTest::newRow("no dot") << "README"
                            << ""
                            << "";
    QTest::newRow("last dot decides") << "backup.tar.Gz"
                                      << "Gz"
                                      << "gz";
}

void TestFile::suffixesKeepTheirSpelling()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QFETCH(QString, type);

    File file(library->writeFile(QStringLiteral("books/") + name, "x"));
    QCOMPARE(file.getFileName(), name);
    QCOMPARE(file.getFileExtension(), extension);
    QCOMPARE(file.getFileType(), type);
}

void TestFile::digestOfALargeFileIsComputedWhenAsked()
{
    QByteArray content(24 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype index = 0; index < content.size(); ++index)
        content[index] = char((index * 31) >> 7);
    const QString path = library->writeFile(QStringLiteral("books/large.pdf"), content);

    File file(path);
    // The digest must come from the file as it is when asked, not as it was when the record was made.
    content[content.size() / 2] = char(content[content.size() / 2] ^ 0xff);
    library->writeFile(QStringLiteral("books/large.pdf"), content);

    const QString expected = QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
    QCOMPARE(file.md5(), expected);
    QCOMPARE(File(library->writeFile(QStringLiteral("abc.txt"), "abc")).md5(),
             QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
}

void TestFile::missingFileKeepsItsPath()
{
    const QString path = library->dataDir() + QStringLiteral("gone/away.pdf");
    File file(path);
    QCOMPARE(file.getFilePath(), path);
    QVERIFY(!file.setPath(path));
    QCOMPARE(file.md5(), QString());
    QCOMPARE(file.getFirstBytes(), QString());
    QCOMPARE(file.getFileSize(), qint64(0));
    QCOMPARE(file.getFileName(), QString());

    // Stored, then gone from disk: the entry stays with what the row knew.
    const QString stored = library->writeFile(QStringLiteral("books/stored.pdf"), "%PDF-1.7 content");
    File original(stored);
    QVERIFY(original.save());
    QVERIFY(QFile::remove(stored));
    File reloaded(original.getFid());
    QCOMPARE(reloaded.getFilePath(), stored);
    QCOMPARE(reloaded.getFileName(), QStringLiteral("stored.pdf"));
    QCOMPARE(reloaded.getFileSize(), qint64(16));
    QCOMPARE(reloaded.md5(), QString());
}

void TestFile::storedFileIsRefreshedFromDisk()
{
    const QString path = library->writeFile(QStringLiteral("books/Changing.Pdf"), "first version");
    File original(path);
    original.setIid(7);
    QVERIFY(original.save());
    QVERIFY(original.getFid() >= 1);

    library->writeFile(QStringLiteral("books/Changing.Pdf"), "second, longer version");
    File reloaded(original.getFid());
    QCOMPARE(reloaded.getFid(), original.getFid());
    QCOMPARE(reloaded.getFilePath(), path);
    QCOMPARE(reloaded.getFileExtension(), QStringLiteral("Pdf"));
    QCOMPARE(reloaded.getFileType(), QStringLiteral("pdf"));
    QCOMPARE(reloaded.getFileSize(), qint64(22));
    QCOMPARE(reloaded.getFirstBytes(), QString::fromLatin1(QByteArray("second, longer version").toHex()));
    QCOMPARE(reloaded.md5(),
             QString::fromLatin1(QCryptographicHash::hash("second, longer version", QCryptographicHash::Md5).toHex()));

    QCOMPARE(File(0).getFilePath(), QString());
    QCOMPARE(File(12345).getFid(), 12345);
}

void TestFile::duplicatesAreFoundByContentOrPath()
{
    const QString storedPath = library->writeFile(QStringLiteral("library/myXbook.pdf"), "%PDF-1.5 the stored book");
    File stored(storedPath);
    QVERIFY(stored.save());
    File umlaut(library->writeFile(QStringLiteral("library/\u00c4pfel.pdf"), "%PDF-1.5 apples"));
    QVERIFY(umlaut.save());
    // The check of one file and the folder scan's check against what was read once answer alike.
    const HeldFiles held = HeldFiles::read();
    const auto answers = [&held](const File &file) { return std::pair{file.isDuplicate(), held.holds(file)}; };
    const std::pair both{true, true};
    const std::pair neither{false, false};

    // The same book copied elsewhere under another name.
    QCOMPARE(answers(File(library->writeFile(QStringLiteral("downloads/copy.pdf"), "%PDF-1.5 the stored book"))), both);
    // The stored path in other letter case, with other content.
    QString otherCase = storedPath;
    otherCase.replace(QStringLiteral("myXbook"), QStringLiteral("MYxBOOK"));
    File differentCase(otherCase);
    QCOMPARE(differentCase.getFilePath(), otherCase);
    QCOMPARE(answers(differentCase), both);
    // Only ASCII letters are compared in any case.
    QCOMPARE(answers(File(library->writeFile(QStringLiteral("library/\u00e4pfel.pdf"), "%PDF-1.5 pears"))), neither);

    // "_" and "%" are characters of the name, not wildcards.
    QCOMPARE(answers(File(library->writeFile(QStringLiteral("library/my_book.pdf"), "%PDF-1.5 another book"))),
             neither);
    QCOMPARE(answers(File(library->writeFile(QStringLiteral("library/my%.pdf"), "%PDF-1.5 a third book"))), neither);
    // Same first bytes but another size is another book.
    QCOMPARE(
        answers(File(library->writeFile(QStringLiteral("downloads/longer.pdf"), "%PDF-1.5 the stored book, extended"))),
        neither);
}

void TestFile::listReportsPathsAndSizes()
{
    FileList empty(0);
    QTest::ignoreMessage(QtDebugMsg, "file list is empty!");
    QCOMPARE(empty.firstPath(), QString());
    QCOMPARE(empty.totalSizeText(), QStringLiteral("0.00"));
    QCOMPARE(empty.at(0), nullptr);

    FileList list(4);
    const QString first = library->writeFile(QStringLiteral("a.pdf"), QByteArray(1500000, 'a'));
    const QString second = library->writeFile(QStringLiteral("b.epub"), QByteArray(250000, 'b'));
    QCOMPARE(list.add(first)->getIid(), 4);
    list.add(second);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.firstPath(), first);
    QCOMPARE(list.paths(), QStringList({first, second}));
    QCOMPARE(list.totalSizeText(), QStringLiteral("1.75"));
    QCOMPARE(list.at(2), nullptr);
    QCOMPARE(list.at(-1), nullptr);

    const QVariantList maps = list.toVariant().toList();
    QCOMPARE(maps.size(), 2);
    const QVariantMap map = maps.at(1).toMap();
    QCOMPARE(map.value(QStringLiteral("fileName")).toString(), QStringLiteral("b.epub"));
    QCOMPARE(map.value(QStringLiteral("fileSize")).toString(), QStringLiteral("250000"));
    QCOMPARE(map.value(QStringLiteral("iid")).toString(), QStringLiteral("4"));
    QCOMPARE(map.value(QStringLiteral("fileType")).toString(), QStringLiteral("epub"));
    QCOMPARE(map.value(QStringLiteral("fileMd5")).toString().size(), 32);
    QCOMPARE(map.value(QStringLiteral("created")).toString(), QStringLiteral("0"));
    QCOMPARE(map.keys().size(), 10);
}

void TestFile::savingTwiceUpdatesTheRow()
{
    const QString path = library->writeFile(QStringLiteral("books/twice.pdf"), "%PDF-1.4 twice");
    FileList list(0);
    list.add(path);
    list.setIid(3);
    QVERIFY(list.saveAll());
    const int fid = list.first()->getFid();
    QVERIFY(fid >= 1);

    library->writeFile(QStringLiteral("books/twice.pdf"), "%PDF-1.4 twice, edited");
    list.first()->setPath(path);
    list.setIid(9);
    QVERIFY(list.saveAll());
    QCOMPARE(list.first()->getFid(), fid);

    const QList<QVariantList> rows = TestLibrary::rows(
        QStringLiteral("SELECT fid, fileName, filePath, fileType, fileExtension, fileMd5, fileSize, firstBytes, "
                       "iid, created, updated FROM files"));
    QCOMPARE(rows.size(), 1);
    const QVariantList &row = rows.first();
    QCOMPARE(row.at(0).toInt(), fid);
    QCOMPARE(row.at(1).toString(), QStringLiteral("twice.pdf"));
    QCOMPARE(row.at(2).toString(), path);
    QCOMPARE(row.at(3).toString(), QStringLiteral("pdf"));
    QCOMPARE(row.at(4).toString(), QStringLiteral("pdf"));
    QCOMPARE(row.at(5).toString(),
             QString::fromLatin1(QCryptographicHash::hash("%PDF-1.4 twice, edited", QCryptographicHash::Md5).toHex()));
    QCOMPARE(row.at(6).toLongLong(), qint64(22));
    QCOMPARE(row.at(7).toString(), QString::fromLatin1(QByteArray("%PDF-1.4 twice, edited").toHex()));
    QCOMPARE(row.at(8).toInt(), 9);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QVERIFY(qAbs(row.at(9).toLongLong() - now) < 60);
    QVERIFY(row.at(10).toLongLong() >= row.at(9).toLongLong());
}

SHELVIO_BASE_TEST_MAIN(TestFile)
#include "tst_file.moc"
