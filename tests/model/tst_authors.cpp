#include "model/author.h"
#include "model/authors.h"
#include "model/item.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QTest>

#include <memory>

class TestAuthors : public QObject
{
    Q_OBJECT

public:
    explicit TestAuthors(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void nameIsSplitAtTheLastSpace_data();
    void nameIsSplitAtTheLastSpace();
    void existingAuthorIsFoundInAnyLetterCase();
    void wildcardsInANameAreLetters();
    void sameNameTwiceKeepsOneAuthor();
    void loadingKeepsTheFirstOfTwoSameNames();
    void loadAllOrdersByLastName();
    void savedAuthorsCanBeReadBack();

private:
    static int storeAuthor(const QString &name);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

void TestAuthors::init()
{
    library = std::make_unique<TestLibrary>(environment);
}

void TestAuthors::cleanup()
{
    library.reset();
}

int TestAuthors::storeAuthor(const QString &name)
{
    Author author(nullptr, -1);
    author.setName(name);
    if (!author.save())
        qFatal("Cannot store the author %s", qPrintable(name));
    return author.getAid();
}

void TestAuthors::nameIsSplitAtTheLastSpace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QString>("lastName");

    QTest::newRow("two words") << "Jane Doe"
                               << "Jane"
                               << "Doe";
    QTest::newRow("one word") << "Plato"
                              << ""
                              << "Plato";
    QTest::newRow("last name also first") << "Anne Marie Anne"
                                          << "Marie"
                                          << "Anne";
    QTest::newRow("trailing space") << "Doe "
                                    << "Doe"
                                    << "";
    QTest::newRow("three words") << "Ursula K. Le Guin"
                                 << "Ursula K. Le"
                                 << "Guin";
}

void TestAuthors::nameIsSplitAtTheLastSpace()
{
    QFETCH(QString, name);
    QFETCH(QString, firstName);
    QFETCH(QString, lastName);

    Author author(nullptr, name);
    QCOMPARE(author.getName(), name);
    QCOMPARE(author.getFirstName(), firstName);
    QCOMPARE(author.getLastName(), lastName);
    QCOMPARE(author.getAid(), 0);

    QVERIFY(author.save());
    QVERIFY(author.getAid() >= 1);
    const QList<QVariantList> rows
        = TestLibrary::rows(QStringLiteral("SELECT aid, name, firstName, lastName FROM authors"));
    QCOMPARE(rows, QList<QVariantList>({{author.getAid(), name, firstName, lastName}}));
}

void TestAuthors::existingAuthorIsFoundInAnyLetterCase()
{
    const int aid = storeAuthor(QStringLiteral("jane doe"));

    Item item(nullptr, 0);
    item.setType(QStringLiteral("Book"));
    item.addAuthor(QStringLiteral("Jane Doe"));
    QCOMPARE(item.getAuthors()->at(0)->getAid(), aid);
    QVERIFY(item.save());

    // The stored row is linked and takes the spelling given last.
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT aid, name, firstName, lastName FROM authors")),
             QList<QVariantList>({{aid, QStringLiteral("Jane Doe"), QStringLiteral("Jane"), QStringLiteral("Doe")}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid, aid FROM items_authors")),
             QList<QVariantList>({{item.getIid(), aid}}));
}

void TestAuthors::wildcardsInANameAreLetters()
{
    const int janAid = storeAuthor(QStringLiteral("Jan Doe"));
    storeAuthor(QStringLiteral("Ann 100 Smith"));

    Item item(nullptr, 0);
    item.addAuthor(QStringLiteral("J_n Doe"));
    item.addAuthor(QStringLiteral("%"));
    QCOMPARE(item.getAuthors()->at(0)->getAid(), 0);
    QCOMPARE(item.getAuthors()->at(1)->getAid(), 0);
    QVERIFY(item.save());

    const QList<QVariantList> rows = TestLibrary::rows(QStringLiteral("SELECT aid, name FROM authors ORDER BY aid"));
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.at(0), QVariantList({janAid, QStringLiteral("Jan Doe")}));
    QCOMPARE(rows.at(2).at(1).toString(), QStringLiteral("J_n Doe"));
    QCOMPARE(rows.at(3).at(1).toString(), QStringLiteral("%"));
    QCOMPARE(
        TestLibrary::rows(QStringLiteral("SELECT count(*) FROM items_authors WHERE aid = ") + QString::number(janAid))
            .first()
            .first()
            .toInt(),
        0);
}

void TestAuthors::sameNameTwiceKeepsOneAuthor()
{
    Authors authors;
    authors.addByName(QStringLiteral("Jane Doe"));
    authors.addByName(QStringLiteral("Jane Doe"));
    authors.addByName(QStringLiteral("John Roe"));
    QCOMPARE(authors.count(), 2);
    QCOMPARE(authors.names(), QStringLiteral("Jane Doe, John Roe"));
    QCOMPARE(authors.at(2), nullptr);
    QCOMPARE(authors.at(-1), nullptr);

    const QVariantList maps = authors.toVariant().toList();
    QCOMPARE(maps.size(), 2);
    QCOMPARE(maps.at(1).toMap(),
             QVariantMap({{QStringLiteral("name"), QStringLiteral("John Roe")},
                          {QStringLiteral("firstName"), QStringLiteral("John")},
                          {QStringLiteral("lastName"), QStringLiteral("Roe")}}));

    authors.clear();
    QCOMPARE(authors.count(), 0);
    QCOMPARE(authors.names(), QString());
    authors.addByName(QStringLiteral("Jane Doe"));
    QCOMPARE(authors.count(), 1);
}

void TestAuthors::loadingKeepsTheFirstOfTwoSameNames()
{
    const int first = storeAuthor(QStringLiteral("A. Writer"));
    const int second = storeAuthor(QStringLiteral("A. Writer"));
    const int other = storeAuthor(QStringLiteral("B. Writer"));
    QVERIFY(TestLibrary::exec(QStringLiteral("INSERT INTO items (type, rating) VALUES ('Book', 0)")));
    for (const int aid : {first, second, other}) {
        QVERIFY(TestLibrary::exec(QStringLiteral("INSERT INTO items_authors (iid, aid) VALUES (1, %1)").arg(aid)));
    }

    QTest::ignoreMessage(QtDebugMsg, "duplicate name detected");
    Item item(nullptr, 1);
    QCOMPARE(item.getAuthors()->count(), 2);
    QCOMPARE(item.getAuthors()->at(0)->getAid(), first);
    QCOMPARE(item.getAuthors()->at(1)->getAid(), other);
}

void TestAuthors::loadAllOrdersByLastName()
{
    Authors empty;
    empty.loadAll();
    QCOMPARE(empty.count(), 0);

    storeAuthor(QStringLiteral("Zadie Smith"));
    storeAuthor(QStringLiteral("Chinua Achebe"));
    storeAuthor(QStringLiteral("Toni Morrison"));
    Authors all;
    all.loadAll();
    QCOMPARE(all.names(), QStringLiteral("Chinua Achebe, Toni Morrison, Zadie Smith"));
}

void TestAuthors::savedAuthorsCanBeReadBack()
{
    const int aid = storeAuthor(QStringLiteral("Mary Shelley"));
    QCOMPARE(Author::aidToName(aid), QStringLiteral("Mary Shelley"));
    QCOMPARE(Author::aidToName(aid + 100), QString());

    Author stored(nullptr, aid);
    QCOMPARE(stored.getName(), QStringLiteral("Mary Shelley"));
    QCOMPARE(stored.getFirstName(), QStringLiteral("Mary"));
    QCOMPARE(stored.getLastName(), QStringLiteral("Shelley"));

    stored.setName(QStringLiteral("Mary Wollstonecraft Shelley"));
    QVERIFY(stored.save());
    QCOMPARE(stored.getAid(), aid);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT aid, firstName FROM authors")),
             QList<QVariantList>({{aid, QStringLiteral("Mary Wollstonecraft")}}));

    Author missing(nullptr, aid + 100);
    QCOMPARE(missing.getAid(), 0);
    QCOMPARE(missing.getName(), QString());
    Author empty(nullptr, QString());
    QCOMPARE(empty.getAid(), 0);
}

SHELVIO_BASE_TEST_MAIN(TestAuthors)
#include "tst_authors.moc"
