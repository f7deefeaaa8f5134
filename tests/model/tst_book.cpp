#include "model/authors.h"
#include "model/book.h"
#include "model/file.h"
#include "model/filelist.h"
#include "model/viewitem.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

class TestBook : public QObject
{
    Q_OBJECT

public:
    explicit TestBook(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void savedBookReloadsWithEveryColumn();
    void savingAgainInsertsNothing();
    void builtInCoverIsLeftAlone();
    void newCoverReplacesTheStoredOne();
    void failedRowsAreReported();
    void failedFirstSaveLeavesNothingBehind();
    void removedFileRowGoesAtTheNextSave();
    void reloadReadsEditsInPlace();
    void removalKeepsFilesAndCover();
    void jsonFormCarriesTheCoverBytes();
    void tagsAndSeriesAreStoredOnceByName();

private:
    // A new book as a download would fill it, with a downloaded cover and one file.
    std::unique_ptr<Book> downloadedBook();
    static QByteArray readFile(const QString &path);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

void TestBook::init()
{
    library = std::make_unique<TestLibrary>(environment);
}

void TestBook::cleanup()
{
    library.reset();
}

QByteArray TestBook::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::unique_ptr<Book> TestBook::downloadedBook()
{
    auto book = std::make_unique<Book>(nullptr, 0);
    book->setTitle(QStringLiteral("The Left Hand of Darkness"));
    book->setIsbn10(QStringLiteral("0441478123"));
    book->setIsbn13(QStringLiteral("9780441478125"));
    book->setDescription(QStringLiteral("A lone human ambassador is sent to Winter."));
    book->setPageCount(QStringLiteral("304"));
    book->setDatePublished(QStringLiteral("1987-03-15"));
    book->setPublisher(QStringLiteral("Ace Books"));
    book->setRating(4);
    book->addAuthor(QStringLiteral("Ursula K. Le Guin"));
    book->addAuthor(QStringLiteral("Harold Bloom"));
    book->addFile(library->writeFile(QStringLiteral("books/left hand.pdf"), "%PDF-1.4 a whole novel"));
    book->setCoverFile(library->writeFile(QStringLiteral(".local/share/Shelvio/coverfile-tmp.jpg"), "\xff\xd8 jpeg"));
    return book;
}

void TestBook::savedBookReloadsWithEveryColumn()
{
    auto book = downloadedBook();
    QCOMPARE(book->getBid(), -1);
    QCOMPARE(book->getTableRow(), -1);
    QCOMPARE(book->getType(), QStringLiteral("Book"));
    QCOMPARE(book->getViewItem()->record(), book.get());
    QVERIFY(book->save());

    const int iid = book->getIid();
    const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    QVERIFY(iid >= 1);
    QVERIFY(book->getBid() >= 1);
    QCOMPARE(book->getCoverFile(), cover);
    QCOMPARE(readFile(cover), QByteArray("\xff\xd8 jpeg"));
    QVERIFY(!QFileInfo::exists(library->dataDir() + QStringLiteral("coverfile-tmp.jpg")));

    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid, type, coverFile, rating FROM items")),
             QList<QVariantList>({{iid, QStringLiteral("Book"), cover, 4}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT bid, title, pageCount, datePublished, description, iid, "
                                              "publisher, isbn10, isbn13 FROM books")),
             QList<QVariantList>(
                 {{book->getBid(), QStringLiteral("The Left Hand of Darkness"), 304, QStringLiteral("1987-03-15"),
                   QStringLiteral("A lone human ambassador is sent to Winter."), iid, QStringLiteral("Ace Books"),
                   QStringLiteral("0441478123"), QStringLiteral("9780441478125")}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM items_authors WHERE iid = %1").arg(iid)),
             QList<QVariantList>({{2}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid, fileName FROM files")),
             QList<QVariantList>({{iid, QStringLiteral("left hand.pdf")}}));

    Book reloaded(nullptr, iid);
    QCOMPARE(reloaded.getBid(), book->getBid());
    QCOMPARE(reloaded.getTitle(), book->getTitle());
    QCOMPARE(reloaded.getIsbn10(), book->getIsbn10());
    QCOMPARE(reloaded.getIsbn13(), book->getIsbn13());
    QCOMPARE(reloaded.getDescription(), book->getDescription());
    QCOMPARE(reloaded.getPageCount(), QStringLiteral("304"));
    QCOMPARE(reloaded.getDatePublished(), book->getDatePublished());
    QCOMPARE(reloaded.getPublisher(), book->getPublisher());
    QCOMPARE(reloaded.getRating(), 4);
    QCOMPARE(reloaded.getCoverFile(), cover);
    QCOMPARE(reloaded.getAuthors()->names(), QStringLiteral("Ursula K. Le Guin, Harold Bloom"));
    QCOMPARE(reloaded.getMainFilePath(), book->getMainFilePath());

    const ViewItem *view = reloaded.getViewItem();
    QCOMPARE(view->iid, iid);
    QCOMPARE(view->type, QStringLiteral("Book"));
    QCOMPARE(view->title, QStringLiteral("The Left Hand of Darkness"));
    QCOMPARE(view->authors, QStringLiteral("Ursula K. Le Guin, Harold Bloom"));
    QCOMPARE(view->coverFile, cover);
    QCOMPARE(view->pageCount, QStringLiteral("304"));
    QCOMPARE(view->publisher, QStringLiteral("Ace Books"));
    QCOMPARE(view->filePath, book->getMainFilePath());
    QCOMPARE(view->filePaths, QStringList({book->getMainFilePath()}));
    QCOMPARE(view->fileSize, QStringLiteral("0.00"));
    QCOMPARE(view->rating, 4);
    QCOMPARE(view->items, QList<Item *>({&reloaded}));
}

void TestBook::savingAgainInsertsNothing()
{
    auto book = downloadedBook();
    QVERIFY(book->save());
    const int bid = book->getBid();

    Book stored(nullptr, book->getIid());
    stored.setTitle(QStringLiteral("The Left Hand of Darkness (Anniversary Edition)"));
    stored.setPageCount(QStringLiteral("320"));
    QVERIFY(stored.save());
    QVERIFY(stored.save());
    QCOMPARE(stored.getBid(), bid);
    QCOMPARE(stored.getViewItem()->title, QStringLiteral("The Left Hand of Darkness (Anniversary Edition)"));

    for (const char *table : {"items", "books", "files"})
        QCOMPARE(TestDatabase::rowCount(QString::fromLatin1(table)), 1);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("authors")), 2);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("items_authors")), 2);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT title, pageCount FROM books")),
             QList<QVariantList>({{QStringLiteral("The Left Hand of Darkness (Anniversary Edition)"), 320}}));
}

void TestBook::builtInCoverIsLeftAlone()
{
    Book book(nullptr, -1);
    book.setTitle(QStringLiteral("No Cover"));
    QVERIFY(book.save());
    QCOMPARE(book.getCoverFile(), QStringLiteral(":/icons/images/book.png"));
    QVERIFY(TestLibrary::rows(QStringLiteral("SELECT coverFile FROM items")).first().first().isNull());
    QCOMPARE(Book(nullptr, book.getIid()).getCoverFile(), QStringLiteral(":/icons/images/book.png"));

    // A cover file that has gone is not a failure either: there is nothing to move.
    book.setCoverFile(library->dataDir() + QStringLiteral("deleted.jpg"));
    QVERIFY(book.save());
}

void TestBook::newCoverReplacesTheStoredOne()
{
    auto book = downloadedBook();
    QVERIFY(book->save());
    const QString cover = book->getCoverFile();

    // A second lookup delivers a new cover for the stored book.
    book->setCoverFile(library->writeFile(QStringLiteral(".local/share/Shelvio/coverfile-tmp.jpg"), "new jpeg"));
    QVERIFY(book->save());
    QCOMPARE(book->getCoverFile(), cover);
    QCOMPARE(readFile(cover), QByteArray("new jpeg"));
    QCOMPARE(QDir(library->dataDir()).entryList({QStringLiteral("*.jpg")}, QDir::Files),
             QStringList({QString::number(book->getIid()) + QStringLiteral(".jpg")}));
}

void TestBook::failedRowsAreReported()
{
    QVERIFY(TestLibrary::exec(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON books BEGIN SELECT RAISE(ABORT, 'refused by the test'); END")));
    auto book = downloadedBook();
    QVERIFY(!book->save());
    // What could be stored was stored; the next save tries the book row again.
    QCOMPARE(book->getBid(), 0);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("items")), 1);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("files")), 1);

    QVERIFY(TestLibrary::exec(QStringLiteral("DROP TRIGGER refuse")));
    QVERIFY(book->save());
    QVERIFY(book->getBid() >= 1);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("books")), 1);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("files")), 1);
}

void TestBook::failedFirstSaveLeavesNothingBehind()
{
    QVERIFY(TestLibrary::exec(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON books BEGIN SELECT RAISE(ABORT, 'refused by the test'); END")));
    auto book = downloadedBook();
    const QString cover = book->getCoverFile();
    QVERIFY(!book->saveOrUndo());
    QCOMPARE(book->getIid(), -1);
    QCOMPARE(book->getBid(), -1);
    // The cover was moved under the id given up again; it is back at the downloaded name.
    QCOMPARE(book->getCoverFile(), cover);
    QCOMPARE(QDir(library->dataDir()).entryList({QStringLiteral("*.jpg")}, QDir::Files),
             QStringList({QStringLiteral("coverfile-tmp.jpg")}));
    for (const char *table : {"items", "books", "files", "items_authors", "authors"})
        QCOMPARE(TestDatabase::rowCount(QString::fromLatin1(table)), 0);
    QVERIFY(QFileInfo::exists(book->getMainFilePath()));

    // Once the cause is gone the same record is stored once, whole, linked to its own authors.
    QVERIFY(TestLibrary::exec(QStringLiteral("DROP TRIGGER refuse")));
    QVERIFY(book->saveOrUndo());
    for (const char *table : {"items", "books", "files"})
        QCOMPARE(TestDatabase::rowCount(QString::fromLatin1(table)), 1);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT authors.name FROM items_authors JOIN authors ON "
                                              "authors.aid = items_authors.aid WHERE iid = %1 ORDER BY authors.name")
                                   .arg(book->getIid())),
             QList<QVariantList>({{QStringLiteral("Harold Bloom")}, {QStringLiteral("Ursula K. Le Guin")}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM files")), QList<QVariantList>({{book->getIid()}}));
    QCOMPARE(readFile(book->getCoverFile()), QByteArray("\xff\xd8 jpeg"));

    // A stored book keeps what could be stored: it existed before the failed save.
    QVERIFY(TestLibrary::exec(QStringLiteral(
        "CREATE TRIGGER refuseUpdate BEFORE UPDATE ON books BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    book->setTitle(QStringLiteral("Changed"));
    QVERIFY(!book->saveOrUndo());
    QVERIFY(book->getIid() >= 1);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("items")), 1);
}

void TestBook::removedFileRowGoesAtTheNextSave()
{
    auto book = downloadedBook();
    const QString second = library->writeFile(QStringLiteral("books/left hand.epub"), "PK epub bytes");
    book->addFile(second);
    QVERIFY(book->save());
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("files")), 2);

    Book stored(nullptr, book->getIid());
    const QString first = stored.getMainFilePath();
    stored.getFiles()->removeAt(0);
    stored.getFiles()->removeAt(5);
    QCOMPARE(stored.getFiles()->count(), 1);
    QCOMPARE(stored.getMainFilePath(), second);
    // Nothing changes in the library until the book is saved.
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("files")), 2);

    QVERIFY(stored.save());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT filePath FROM files")), QList<QVariantList>({{second}}));
    QVERIFY(QFileInfo::exists(first));
    QCOMPARE(Book(nullptr, book->getIid()).getFiles()->paths(), QStringList({second}));

    // A file added and taken out again before any save leaves no row.
    stored.addFile(first);
    stored.getFiles()->removeAt(1);
    QVERIFY(stored.save());
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("files")), 1);
}

void TestBook::reloadReadsEditsInPlace()
{
    auto book = downloadedBook();
    QVERIFY(book->save());
    const ViewItem *view = book->getViewItem();

    Book editor(nullptr, book->getIid());
    editor.setTitle(QStringLiteral("Winter"));
    editor.getAuthors()->clear();
    editor.addAuthor(QStringLiteral("Genly Ai"));
    editor.setRating(2);
    editor.getFiles()->removeAt(0);
    QVERIFY(editor.save());

    book->reload();
    QCOMPARE(book->getViewItem(), view);
    QCOMPARE(view->title, QStringLiteral("Winter"));
    QCOMPARE(view->authors, QStringLiteral("Genly Ai"));
    QCOMPARE(view->rating, 2);
    QCOMPARE(view->filePaths, QStringList());
    QCOMPARE(book->getAuthors()->count(), 1);
    QCOMPARE(book->getFiles()->count(), 0);
    QCOMPARE(book->getIsbn13(), QStringLiteral("9780441478125"));
}

void TestBook::removalKeepsFilesAndCover()
{
    auto book = downloadedBook();
    QVERIFY(book->save());
    QVERIFY(book->remove());
    for (const char *table : {"items", "books", "files", "items_authors"})
        QCOMPARE(TestDatabase::rowCount(QString::fromLatin1(table)), 0);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("authors")), 2);
    QVERIFY(QFileInfo::exists(book->getCoverFile()));
    QVERIFY(QFileInfo::exists(book->getMainFilePath()));
    QVERIFY(!Book(nullptr, -1).remove());
}

void TestBook::jsonFormCarriesTheCoverBytes()
{
    auto book = downloadedBook();
    QVERIFY(book->save());
    const int iid = book->getIid();

    Book stored(nullptr, iid);
    const QJsonObject json = QJsonDocument::fromJson(stored.toJson().toUtf8()).object();
    QCOMPARE(json.keys(),
             QStringList({"authors", "bid", "coverFile", "created", "datePublished", "description", "files", "iid",
                          "isbn10", "isbn13", "pageCount", "publisher", "title", "type", "updated"}));
    QCOMPARE(json.value("bid").toString(), QString::number(stored.getBid()));
    QCOMPARE(json.value("iid").toString(), QString::number(iid));
    QCOMPARE(json.value("type").toString(), QStringLiteral("Book"));
    QCOMPARE(json.value("pageCount").toString(), QStringLiteral("304"));
    QCOMPARE(json.value("created").toString(), QString::number(stored.getCreated()));
    QVERIFY(stored.getCreated() > 0);
    QCOMPARE(QByteArray::fromBase64(json.value("coverFile").toString().toLatin1()), QByteArray("\xff\xd8 jpeg"));
    QCOMPARE(json.value("authors").toArray().at(0).toObject().value("lastName").toString(), QStringLiteral("Guin"));
    const QJsonObject file = json.value("files").toArray().at(0).toObject();
    QCOMPARE(file.value("fileName").toString(), QStringLiteral("left hand.pdf"));
    QCOMPARE(file.value("fileMd5").toString(),
             QString::fromLatin1(QCryptographicHash::hash("%PDF-1.4 a whole novel", QCryptographicHash::Md5).toHex()));

    // The built-in cover is sent as its image bytes too; only a cover that cannot be read is left out.
    Book plain(nullptr, 0);
    QCOMPARE(QByteArray::fromBase64(plain.toVariant().toMap().value("coverFile").toByteArray()),
             readFile(QStringLiteral(":/icons/images/book.png")));
    QVERIFY(QFile::remove(stored.getCoverFile()));
    QVERIFY(!stored.toVariant().toMap().contains("coverFile"));

    // Tags and series travel when set.
    stored.setTags({QStringLiteral("Winter"), QStringLiteral("Hainish")});
    stored.setSeries({QStringLiteral("Hainish Cycle"), 4});
    const QJsonObject labelled = QJsonDocument::fromJson(stored.toJson().toUtf8()).object();
    QCOMPARE(labelled.value("tags").toArray(), QJsonArray({"Winter", "Hainish"}));
    QCOMPARE(labelled.value("series").toString(), QStringLiteral("Hainish Cycle"));
    QCOMPARE(labelled.value("seriesPosition").toDouble(), 4.0);
}

void TestBook::tagsAndSeriesAreStoredOnceByName()
{
    Book first(nullptr, 0);
    first.setTitle(QStringLiteral("Leviathan Wakes"));
    first.setTags({QStringLiteral(" Science   fiction "), QStringLiteral("space"), QStringLiteral("SPACE"), {}});
    first.setSeries({QStringLiteral("The  Expanse"), 1});
    QVERIFY(first.save());
    Book second(nullptr, 0);
    second.setTitle(QStringLiteral("Gods of Risk"));
    second.setTags({QStringLiteral("science fiction"), QStringLiteral("Novella")});
    second.setSeries({QStringLiteral("the expanse"), 2.5});
    QVERIFY(second.save());

    // The first spelling stored names the tag for every item.
    const Book reread(nullptr, second.getIid());
    QCOMPARE(reread.getTags(), QStringList({"Science fiction", "Novella"}));
    QCOMPARE(reread.getSeries(), ItemSeries({QStringLiteral("The Expanse"), 2.5}));
    QCOMPARE(reread.getViewItem()->series, reread.getSeries());
    QCOMPARE(second.getTags(), reread.getTags());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT name FROM tags ORDER BY tid")),
             QList<QVariantList>({{"Science fiction"}, {"space"}, {"Novella"}}));

    // A name goes with the last item that has it.
    first.setTags({QStringLiteral("Novella")});
    first.setSeries({});
    QVERIFY(first.save());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT name FROM tags ORDER BY tid")),
             QList<QVariantList>({{"Science fiction"}, {"Novella"}}));
    QVERIFY(second.remove());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT name FROM tags")), QList<QVariantList>({{"Novella"}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM series")), QList<QVariantList>({{0}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM itemtags")), QList<QVariantList>({{1}}));
}

SHELVIO_BASE_TEST_MAIN(TestBook)
#include "tst_book.moc"
