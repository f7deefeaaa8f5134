#include "model/author.h"
#include "model/authors.h"
#include "model/book.h"
#include "model/books.h"
#include "model/file.h"
#include "model/filelist.h"
#include "model/itemstate.h"
#include "model/records.h"
#include "model/viewitem.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestBooks : public QObject
{
    Q_OBJECT

public:
    explicit TestBooks(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void allBooksInStoredOrder();
    void booksOfOneAuthor();
    void searchMatchesTitleOrDescription_data();
    void searchMatchesTitleOrDescription();
    void searchReusesKnownRecords();
    void searchInAnAuthorViewStaysWithTheAuthor();
    void appendedBookJoinsTheSelection();
    void deleteRemovesRowsButNotFiles();
    void collectionsShareOneRecordUntilTheLastLetsGo();
    void bulkReadMatchesRecordByRecord();

private:
    // Stores a book and returns its item id.
    int storeBook(const QString &title, const QString &description, const QStringList &authors = {});
    static QStringList titles(const Books &books);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

void TestBooks::init()
{
    library = std::make_unique<TestLibrary>(environment);
    storeBook(QStringLiteral("Dune"), QStringLiteral("Spice and sand on Arrakis."), {QStringLiteral("Frank Herbert")});
    storeBook(QStringLiteral("Emma"), QStringLiteral("A comedy of manners."), {QStringLiteral("Jane Austen")});
    storeBook(QStringLiteral("Persuasion"), QStringLiteral("Anne Elliot meets Captain Wentworth again."),
              {QStringLiteral("Jane Austen")});
}

void TestBooks::cleanup()
{
    library.reset();
}

int TestBooks::storeBook(const QString &title, const QString &description, const QStringList &authors)
{
    Book book(nullptr, 0);
    book.setTitle(title);
    book.setDescription(description);
    for (const QString &author : authors)
        book.addAuthor(author);
    book.addFile(
        library->writeFile(QStringLiteral("books/") + title + QStringLiteral(".pdf"), "%PDF-1.4 " + title.toUtf8()));
    if (!book.save())
        qFatal("Cannot store %s", qPrintable(title));
    return book.getIid();
}

QStringList TestBooks::titles(const Books &books)
{
    QStringList list;
    for (const ViewItem *item : *books.getViewItems())
        list.append(item->title);
    return list;
}

void TestBooks::allBooksInStoredOrder()
{
    const Books all(nullptr, QStringLiteral("Books"), 0);
    QCOMPARE(titles(all), QStringList({"Dune", "Emma", "Persuasion"}));
    QCOMPARE(all.getBooks().size(), 3);
    QCOMPARE(all.getBooks().at(1)->getViewItem(), all.getViewItems()->at(1));
    QCOMPARE(all.find(2)->getTitle(), QStringLiteral("Emma"));
    QCOMPARE(all.getBook(3)->getTitle(), QStringLiteral("Persuasion"));
    QCOMPARE(all.find(4), nullptr);

    QCOMPARE(titles(Books(nullptr, QString(), 0)), titles(all));
}

void TestBooks::booksOfOneAuthor()
{
    Authors authors;
    authors.addByName(QStringLiteral("Jane Austen"));
    const int austen = authors.at(0)->getAid();
    QVERIFY(austen >= 1);

    const Books byAusten(nullptr, QStringLiteral("BooksAuthor"), austen);
    QCOMPARE(titles(byAusten), QStringList({"Emma", "Persuasion"}));
    QCOMPARE(byAusten.getBooks().size(), 2);
    QCOMPARE(titles(Books(nullptr, QStringLiteral("BooksAuthor"), austen + 100)), QStringList());
}

void TestBooks::searchMatchesTitleOrDescription_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("title") << "emma" << QStringList({"Emma"});
    QTest::newRow("inside the description") << "WENTWORTH" << QStringList({"Persuasion"});
    QTest::newRow("title or description") << "an" << QStringList({"Dune", "Emma", "Persuasion"});
    QTest::newRow("empty term") << "" << QStringList({"Dune", "Emma", "Persuasion"});
    QTest::newRow("nothing") << "Ulysses" << QStringList();
    QTest::newRow("a tag") << "TAG:classics" << QStringList({"Emma", "Persuasion"});
    QTest::newRow("a tag and words") << "tag:Classics wentworth" << QStringList({"Persuasion"});
    QTest::newRow("a series in quotes") << "series:\"austen  novels\"" << QStringList({"Emma", "Persuasion"});
    QTest::newRow("a tag of two words") << "tag:\"science fiction\" spice" << QStringList({"Dune"});
    QTest::newRow("two tags") << "tag:classics tag:desert" << QStringList();
}

void TestBooks::searchMatchesTitleOrDescription()
{
    QFETCH(QString, term);
    QFETCH(QStringList, found);
    const auto label = [](int iid, const QStringList &tags, const ItemSeries &series) {
        Book book(nullptr, iid);
        book.setTags(tags);
        book.setSeries(series);
        return book.save();
    };
    QVERIFY(label(1, {QStringLiteral("Science Fiction"), QStringLiteral("Desert")}, {}));
    QVERIFY(label(2, {QStringLiteral("Classics")}, {QStringLiteral("Austen Novels"), 4}));
    QVERIFY(label(3, {QStringLiteral("Classics")}, {QStringLiteral("Austen Novels"), 6}));

    Books all(nullptr, QStringLiteral("Books"), 0);
    all.dbSearch(term);
    QCOMPARE(titles(all), found);
    // A search narrows what is shown, never what is known.
    QCOMPARE(all.getBooks().size(), 3);
}

void TestBooks::searchReusesKnownRecords()
{
    Books all(nullptr, QStringLiteral("Books"), 0);
    const QList<ViewItem *> shown = *all.getViewItems();
    all.dbSearch(QStringLiteral("a"));
    QCOMPARE(*all.getViewItems(), shown);
    all.dbSearch(QStringLiteral("Dune"));
    all.dbSearch(QStringLiteral("a"));
    QCOMPARE(*all.getViewItems(), shown);
}

void TestBooks::searchInAnAuthorViewStaysWithTheAuthor()
{
    // An empty title and description: no pattern matches it, yet it is the author's.
    storeBook(QString(), QString(), {QStringLiteral("Jane Austen")});
    Authors authors;
    authors.addByName(QStringLiteral("Jane Austen"));
    Books byAusten(nullptr, QStringLiteral("BooksAuthor"), authors.at(0)->getAid());

    byAusten.dbSearch(QStringLiteral("Emma"));
    QCOMPARE(titles(byAusten), QStringList({"Emma"}));
    // Another author's book is not found here, and not loaded.
    byAusten.dbSearch(QStringLiteral("Dune"));
    QCOMPARE(titles(byAusten), QStringList());
    QCOMPARE(byAusten.find(1), nullptr);
    byAusten.dbSearch(QStringLiteral("a"));
    QCOMPARE(titles(byAusten), QStringList({"Emma", "Persuasion"}));
    Book dune(nullptr, 1);
    dune.setTags({QStringLiteral("Classics")});
    QVERIFY(dune.save());
    byAusten.dbSearch(QStringLiteral("tag:classics"));
    QCOMPARE(titles(byAusten), QStringList());

    // A cleared search shows every book of the author again.
    byAusten.dbSearch(QString());
    QCOMPARE(titles(byAusten), QStringList({"Emma", "Persuasion", ""}));
}

void TestBooks::appendedBookJoinsTheSelection()
{
    Books all(nullptr, QStringLiteral("Books"), 0);
    const int iid = storeBook(QStringLiteral("Middlemarch"), QStringLiteral("Provincial life."));
    const std::shared_ptr<Book> added = Records::adopt(std::make_unique<Book>(nullptr, iid));
    added->setRating(5);
    all.append(added);
    QCOMPARE(titles(all).last(), QStringLiteral("Middlemarch"));
    QCOMPARE(all.find(iid), added.get());
    QCOMPARE(all.getBooks().last(), added.get());
    QCOMPARE(added->getViewItem()->rating, 5);
}

void TestBooks::collectionsShareOneRecordUntilTheLastLetsGo()
{
    QCOMPARE(Records::count(), 0);
    auto all = std::make_unique<Books>(nullptr, QStringLiteral("Books"), 0);
    auto searched = std::make_unique<Books>(nullptr, QStringLiteral("Books"), 0);
    searched->dbSearch(QStringLiteral("Emma"));
    QCOMPARE(searched->find(2), all->find(2));
    QCOMPARE(Records::count(), 3);

    QSignalSpy changed(all->find(2), &Item::changed);
    QVERIFY(searched->find(2)->updateRating(4));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(all->find(2)->getRating(), 4);

    // A removal reaches every holder; the id names no record while they let it go.
    QSignalSpy removed(all->find(2), &Item::removed);
    searched->deleteBook(2);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(Records::find(2), nullptr);
    QVERIFY(all->find(2));
    all->release(2);
    all.reset();
    QCOMPARE(Records::count(), 2);
    searched.reset();
    QCOMPARE(Records::count(), 0);
}

void TestBooks::deleteRemovesRowsButNotFiles()
{
    Books all(nullptr, QStringLiteral("Books"), 0);
    // As a view of the book would hold it.
    const std::shared_ptr<Book> emma = Records::obtain<Book>(2);
    const QString path = emma->getMainFilePath();

    all.deleteBook(99);
    QCOMPARE(titles(all), QStringList({"Dune", "Emma", "Persuasion"}));
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("books")), 3);

    all.deleteBook(2);
    QCOMPARE(titles(all), QStringList({"Dune", "Persuasion"}));
    QCOMPARE(all.find(2), nullptr);
    QCOMPARE(all.getBooks().size(), 2);
    for (const char *table : {"items", "books", "files"}) {
        QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM %1 WHERE iid = 2").arg(table)),
                 QList<QVariantList>({{0}}));
    }
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM items_authors WHERE iid = 2")),
             QList<QVariantList>({{0}}));
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("books")), 2);
    QVERIFY(QFileInfo::exists(path));
    // Its holders' record stays valid.
    QCOMPARE(emma->getViewItem()->title, QStringLiteral("Emma"));

    all.deleteBook(2);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("books")), 2);
}

namespace {

// Every field of a stored book, as far as a reader of the record can see it.
QVariantMap fieldsOf(Book &book)
{
    QVariantMap fields = book.toVariant().toMap();
    const ItemState state = book.getState();
    fields.insert(QStringLiteral("state"),
                  QVariantList{state.language, state.own, state.location, state.readDate, state.want});
    fields.insert(QStringLiteral("rating"), book.getRating());
    fields.insert(QStringLiteral("tags"), book.getTags());
    const ItemSeries series = book.getSeries();
    fields.insert(QStringLiteral("series"), QVariantList{series.name, series.position ? *series.position : -1});
    fields.insert(QStringLiteral("coverPath"), book.getCoverFile());
    fields.insert(QStringLiteral("viewTitle"), book.getViewItem()->title);
    fields.insert(QStringLiteral("viewAuthors"), book.getViewItem()->authors);
    QVariantList authorIds;
    for (int i = 0; i < book.getAuthors()->count(); ++i)
        authorIds.append(book.getAuthors()->at(i)->getAid());
    fields.insert(QStringLiteral("authorIds"), authorIds);
    QVariantList files;
    for (int i = 0; i < book.getFiles()->count(); ++i) {
        File *file = book.getFiles()->at(i);
        // Before md5(), which makes a digest that is not stored.
        files.append(QVariantList{file->getFid(), file->hasDigest(), file->getAbsolutePath(), file->md5()});
    }
    fields.insert(QStringLiteral("fileDetails"), files);
    return fields;
}

} // namespace

void TestBooks::bulkReadMatchesRecordByRecord()
{
    // A library with what can vary: shared and missing authors, several files or none, a file gone from
    // the disk, stored digests still valid or not, states, ratings, covers, tags and series.
    for (int i = 0; i < 24; ++i) {
        Book book(nullptr, 0);
        book.setTitle(QStringLiteral("Generated %1").arg(i));
        book.setIsbn13(QString::number(9780000000000 + i));
        book.setPageCount(QString::number(100 + i));
        if (i % 2 == 1)
            book.setDescription(QStringLiteral("What book %1 is about.").arg(i));
        for (int a = 0; a < i % 4; ++a)
            book.addAuthor(QStringLiteral("Author %1").arg((i + a) % 7));
        for (int f = 0; f < i % 3; ++f)
            book.addFile(library->writeFile(QStringLiteral("generated/%1-%2.pdf").arg(i).arg(f),
                                            "%PDF-1.4 " + QByteArray::number(i * 10 + f)));
        if (i % 5 == 0)
            book.setState({QStringLiteral("de"), true, QStringLiteral("shelf %1").arg(i), QString(), i % 2 == 0});
        if (i % 3 == 0)
            book.setTags({QStringLiteral("Tag %1").arg(i % 4), QStringLiteral("Tag %1").arg(i % 5)});
        if (i % 4 == 1)
            book.setSeries(
                {QStringLiteral("Series %1").arg(i % 3), i % 8 == 1 ? std::optional(i / 2.0) : std::nullopt});
        QVERIFY(book.save());
        if (i % 6 == 1)
            QVERIFY(book.updateRating(i % 6 + 2));
    }
    QVERIFY(TestLibrary::exec(QStringLiteral("INSERT INTO items_authors (iid, aid) SELECT max(iid), 9999 FROM books")));
    QVERIFY(
        TestLibrary::exec(QStringLiteral("UPDATE items SET coverFile = 'cover-' || iid || '.jpg' WHERE iid % 4 = 0")));
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE files SET fileMd5 = 'stale', updated = 1 WHERE fid % 2 = 0")));
    QVERIFY(
        TestLibrary::exec(QStringLiteral("UPDATE files SET fileMd5 = 'kept', updated = 4000000000 WHERE fid % 3 = 0")));
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE files SET filePath = filePath || '.gone' WHERE fid % 5 = 0")));

    const Books all(nullptr, QStringLiteral("Books"), 0);
    QCOMPARE(all.getBooks().size(), 27);
    for (Book *loaded : all.getBooks()) {
        Book single(nullptr, loaded->getIid());
        QCOMPARE(fieldsOf(*loaded), fieldsOf(single));
    }
}

SHELVIO_BASE_TEST_MAIN(TestBooks)
#include "tst_books.moc"
