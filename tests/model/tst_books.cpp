#include "model/author.h"
#include "model/authors.h"
#include "model/book.h"
#include "model/books.h"
#include "model/viewitem.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QFileInfo>
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
}

void TestBooks::searchMatchesTitleOrDescription()
{
    QFETCH(QString, term);
    QFETCH(QStringList, found);

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

    // A cleared search shows every book of the author again.
    byAusten.dbSearch(QString());
    QCOMPARE(titles(byAusten), QStringList({"Emma", "Persuasion", ""}));
}

void TestBooks::appendedBookJoinsTheSelection()
{
    Books all(nullptr, QStringLiteral("Books"), 0);
    const int iid = storeBook(QStringLiteral("Middlemarch"), QStringLiteral("Provincial life."));
    Book added(nullptr, iid);
    added.setRating(5);
    all.append(&added);
    QCOMPARE(titles(all).last(), QStringLiteral("Middlemarch"));
    QCOMPARE(all.find(iid), &added);
    QCOMPARE(all.getBooks().last(), &added);
    QCOMPARE(added.getViewItem()->rating, 5);
}

void TestBooks::deleteRemovesRowsButNotFiles()
{
    Books all(nullptr, QStringLiteral("Books"), 0);
    Book *emma = all.find(2);
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
    // Views may still hold the display item; it stays valid.
    QCOMPARE(emma->getViewItem()->title, QStringLiteral("Emma"));

    all.deleteBook(2);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("books")), 2);
}

SHELVIO_BASE_TEST_MAIN(TestBooks)
#include "tst_books.moc"
