#include "model/author.h"
#include "model/authors.h"
#include "model/filelist.h"
#include "model/item.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <memory>

class TestItem : public QObject
{
    Q_OBJECT

public:
    explicit TestItem(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void newItemHasTheBuiltInCover();
    void storedItemWithoutCoverPathGetsTheBuiltInCover();
    void savingTwiceInsertsOnce();
    void reorderedAuthorsRewriteTheLinks();
    void removalTakesLinksAndFileRowsAlong();
    void readerStateIsStoredLoadedAndRemoved();
    void ratingIsStored();
    void coverMovesWithItsRow();
    void coverComesBackWhenTheRowCannotBeUpdated();
    void failedInsertIsReported();

private:
    static QList<QVariantList> links(int iid);
    // Makes every statement of that kind on the table fail, as a full or broken database would.
    static void refuse(const QString &event, const QString &table);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

void TestItem::init()
{
    library = std::make_unique<TestLibrary>(environment);
}

void TestItem::cleanup()
{
    library.reset();
}

QList<QVariantList> TestItem::links(int iid)
{
    return TestLibrary::rows(QStringLiteral("SELECT aid FROM items_authors WHERE iid = %1 ORDER BY rowid").arg(iid));
}

void TestItem::refuse(const QString &event, const QString &table)
{
    QVERIFY(TestLibrary::exec(QStringLiteral("CREATE TRIGGER refuse_%1_%2 BEFORE %1 ON %2 BEGIN SELECT "
                                             "RAISE(ABORT, 'refused by the test'); END")
                                  .arg(event, table)));
}

void TestItem::newItemHasTheBuiltInCover()
{
    for (const int iid : {0, -1}) {
        Item item(nullptr, iid);
        QCOMPARE(item.getIid(), iid);
        QCOMPARE(item.getCoverFile(), QStringLiteral(":/icons/images/book.png"));
        QCOMPARE(item.getRating(), 0);
        QCOMPARE(item.getAuthors()->count(), 0);
        QCOMPARE(item.getFiles()->count(), 0);
        QCOMPARE(item.getFiles()->getIid(), 0);
        QVERIFY(!item.dbUpdate());
        QVERIFY(!item.remove());
    }
}

void TestItem::storedItemWithoutCoverPathGetsTheBuiltInCover()
{
    QVERIFY(TestLibrary::exec(QStringLiteral(
        "INSERT INTO items (iid, type, coverFile, created, updated, rating) VALUES (1, 'Book', NULL, 1700000000, "
        "'1700000100', 4), (2, 'WebPage', '', 0, '0', 0), (3, 'Book', '/covers/3.jpg', 5, '6', 1)")));
    Item first(nullptr, 1);
    QCOMPARE(first.getCoverFile(), QStringLiteral(":/icons/images/book.png"));
    QCOMPARE(first.getType(), QStringLiteral("Book"));
    QCOMPARE(first.getCreated(), 1700000000u);
    QCOMPARE(first.getUpdated(), 1700000100u);
    QCOMPARE(first.getRating(), 4);
    QCOMPARE(Item(nullptr, 2).getCoverFile(), QStringLiteral(":/icons/images/book.png"));
    QCOMPARE(Item(nullptr, 3).getCoverFile(), QStringLiteral("/covers/3.jpg"));

    Item missing(nullptr, 99);
    QCOMPARE(missing.getCoverFile(), QStringLiteral(":/icons/images/book.png"));
    QCOMPARE(missing.getType(), QString());
}

void TestItem::savingTwiceInsertsOnce()
{
    Item item(nullptr, 0);
    item.setType(QStringLiteral("Book"));
    item.setRating(3);
    item.addAuthor(QStringLiteral("Jane Doe"));
    QVERIFY(item.save());
    const int iid = item.getIid();
    QVERIFY(iid >= 1);
    // Times are only read from the row, never written back by a save.
    QCOMPARE(item.getCreated(), 0u);

    item.setRating(5);
    QVERIFY(item.save());
    QCOMPARE(item.getIid(), iid);
    const QList<QVariantList> rows = TestLibrary::rows(QStringLiteral("SELECT iid, type, rating, created FROM items"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().mid(0, 3), QVariantList({iid, QStringLiteral("Book"), 5}));
    QVERIFY(qAbs(rows.first().at(3).toLongLong() - QDateTime::currentSecsSinceEpoch()) < 60);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("authors")), 1);
    QCOMPARE(links(iid).size(), 1);
}

void TestItem::reorderedAuthorsRewriteTheLinks()
{
    Item item(nullptr, 0);
    item.setType(QStringLiteral("Book"));
    for (const char *name : {"Ann Able", "Ben Baker", "Cat Cole"})
        item.addAuthor(QString::fromLatin1(name));
    QVERIFY(item.save());
    const int able = item.getAuthors()->at(0)->getAid();
    const int baker = item.getAuthors()->at(1)->getAid();
    const int cole = item.getAuthors()->at(2)->getAid();
    QCOMPARE(links(item.getIid()), QList<QVariantList>({{able}, {baker}, {cole}}));

    item.getAuthors()->clear();
    item.addAuthor(QStringLiteral("Cat Cole"));
    item.addAuthor(QStringLiteral("Ann Able"));
    QVERIFY(item.save());
    QCOMPARE(links(item.getIid()), QList<QVariantList>({{cole}, {able}}));
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("authors")), 3);

    Item reloaded(nullptr, item.getIid());
    QCOMPARE(reloaded.getAuthors()->names(), QStringLiteral("Cat Cole, Ann Able"));
}

void TestItem::readerStateIsStoredLoadedAndRemoved()
{
    Item item(nullptr, 0);
    item.setType(QStringLiteral("Book"));
    const ItemState state{QStringLiteral("German"), true, QStringLiteral("Shelf 2"), QStringLiteral("2026-03-14"), true};
    item.setState(state);
    QVERIFY(item.save());
    QCOMPARE(Item(nullptr, item.getIid()).getState(), state);

    // Cleared, it leaves no row; removed, the item takes its row along.
    item.setState({});
    QVERIFY(item.save());
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("itemstates")), 0);
    item.setState(state);
    QVERIFY(item.save());
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("itemstates")), 1);
    QVERIFY(item.remove());
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("itemstates")), 0);
}

void TestItem::removalTakesLinksAndFileRowsAlong()
{
    const QString path = library->writeFile(QStringLiteral("books/kept.pdf"), "%PDF-1.4 kept on disk");
    Item item(nullptr, 0);
    item.setType(QStringLiteral("Book"));
    item.addAuthor(QStringLiteral("Jane Doe"));
    item.addFile(path);
    QVERIFY(item.save());
    QVERIFY(item.saveFiles());

    Item other(nullptr, 0);
    other.addAuthor(QStringLiteral("Jane Doe"));
    QVERIFY(other.save());

    QVERIFY(item.remove());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM items")), QList<QVariantList>({{other.getIid()}}));
    QCOMPARE(links(item.getIid()).size(), 0);
    QCOMPARE(links(other.getIid()).size(), 1);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("files")), 0);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("authors")), 1);
    QVERIFY(QFileInfo::exists(path));
    // The record itself is left as it was.
    QCOMPARE(item.getFiles()->count(), 1);

    // A row that has already gone: the links and files left behind are still cleaned up.
    QVERIFY(TestLibrary::exec(QStringLiteral("DELETE FROM items WHERE iid = %1").arg(other.getIid())));
    QVERIFY(other.remove());
    QCOMPARE(links(other.getIid()).size(), 0);
}

void TestItem::ratingIsStored()
{
    Item item(nullptr, 0);
    item.setType(QStringLiteral("WebPage"));
    QVERIFY(item.save());
    QVERIFY(item.updateRating(4));
    QCOMPARE(item.getRating(), 4);
    QCOMPARE(Item(nullptr, item.getIid()).getRating(), 4);
    QCOMPARE(Item(nullptr, item.getIid()).getType(), QStringLiteral("WebPage"));
}

void TestItem::coverMovesWithItsRow()
{
    Item item(nullptr, 0);
    QVERIFY(item.save());
    QVERIFY(!item.moveCover(library->dataDir() + QStringLiteral("1.jpg")));
    QCOMPARE(item.getCoverFile(), QStringLiteral(":/icons/images/book.png"));

    const QString downloaded = library->writeFile(QStringLiteral("downloads/cover.jpg"), "jpeg bytes");
    item.setCoverFile(downloaded);
    const QString target = library->dataDir() + QStringLiteral("1.jpg");
    QVERIFY(item.moveCover(target));
    QCOMPARE(item.getCoverFile(), target);
    QVERIFY(!QFileInfo::exists(downloaded));
    QVERIFY(QFileInfo::exists(target));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT coverFile FROM items")), QList<QVariantList>({{target}}));

    // To where it already is: refused, and nothing changes.
    QVERIFY(!item.moveCover(target));
    QCOMPARE(item.getCoverFile(), target);
    QVERIFY(QFileInfo::exists(target));

    // A cover the record names but that has gone.
    item.setCoverFile(library->dataDir() + QStringLiteral("vanished.jpg"));
    QVERIFY(!item.moveCover(target + QStringLiteral(".new")));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT coverFile FROM items")), QList<QVariantList>({{target}}));

    item.setCoverFile(QStringLiteral("/elsewhere/thumb.jpg"));
    QVERIFY(item.dbUpdateCover());
    QCOMPARE(Item(nullptr, item.getIid()).getCoverFile(), QStringLiteral("/elsewhere/thumb.jpg"));
}

void TestItem::coverComesBackWhenTheRowCannotBeUpdated()
{
    Item item(nullptr, 0);
    QVERIFY(item.save());
    const QString downloaded = library->writeFile(QStringLiteral("downloads/cover.jpg"), "jpeg bytes");
    item.setCoverFile(downloaded);
    refuse(QStringLiteral("UPDATE"), QStringLiteral("items"));

    const QString target = library->dataDir() + QStringLiteral("1.jpg");
    QVERIFY(!item.moveCover(target));
    QCOMPARE(item.getCoverFile(), downloaded);
    QVERIFY(QFileInfo::exists(downloaded));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(TestLibrary::rows(QStringLiteral("SELECT coverFile FROM items")).first().first().isNull());
}

void TestItem::failedInsertIsReported()
{
    refuse(QStringLiteral("INSERT"), QStringLiteral("items"));
    Item item(nullptr, 0);
    QCOMPARE(item.dbInsert(), -1);
    QCOMPARE(item.getIid(), 0);
    QVERIFY(!item.save());
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("items")), 0);
}

SHELVIO_BASE_TEST_MAIN(TestItem)
#include "tst_item.moc"
