#include "model/preparedquery.h"
#include "model/statementcache.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QSqlDatabase>
#include <QTest>

#include <memory>

namespace {

const QString ItemTypes = QStringLiteral("SELECT iid, type FROM items WHERE iid >= :from ORDER BY iid");

QStringList typesFrom(int from)
{
    PreparedQuery query(ItemTypes);
    query->bindValue(QStringLiteral(":from"), from);
    QStringList types;
    if (query->exec()) {
        while (query->next())
            types.append(query->value(1).toString());
    }
    return types;
}

} // namespace

class TestStatementCache : public QObject
{
    Q_OBJECT

public:
    explicit TestStatementCache(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init()
    {
        library = std::make_unique<TestLibrary>(environment);
        QVERIFY(TestLibrary::exec(QStringLiteral("INSERT INTO items (type) VALUES ('Book'), ('WebPage'), ('Book')")));
    }
    void cleanup() { library.reset(); }

    void statementIsPreparedOncePerCache()
    {
        QSqlQuery *first = nullptr;
        {
            const StatementCache cache;
            {
                PreparedQuery query(ItemTypes);
                QVERIFY(query.isPrepared());
                first = &*query;
            }
            PreparedQuery again(ItemTypes);
            QCOMPARE(&*again, first);
            QCOMPARE(typesFrom(2), (QStringList{"WebPage", "Book"}));
        }
        // Outside a cache every query is its own.
        PreparedQuery alone(ItemTypes);
        PreparedQuery other(ItemTypes);
        QVERIFY(&*alone != &*other);
    }

    void sameStatementInsideItsOwnLoopGetsAQueryOfItsOwn()
    {
        const StatementCache cache;
        PreparedQuery outer(ItemTypes);
        outer->bindValue(QStringLiteral(":from"), 1);
        QVERIFY(outer->exec());
        QStringList seen;
        while (outer->next())
            seen.append(outer->value(1).toString() + u':' + typesFrom(outer->value(0).toInt()).join(u','));
        QCOMPARE(seen, (QStringList{"Book:Book,WebPage,Book", "WebPage:WebPage,Book", "Book:Book"}));
    }

    void innerCacheLeavesTheQueriesToTheOuterOne()
    {
        const StatementCache outer;
        QSqlQuery *kept = nullptr;
        {
            const StatementCache inner;
            PreparedQuery query(ItemTypes);
            kept = &*query;
        }
        PreparedQuery query(ItemTypes);
        QCOMPARE(&*query, kept);
    }

    void badStatementIsReportedAndNotKept()
    {
        const StatementCache cache;
        const QString broken = QStringLiteral("SELECT nothing FROM nowhere");
        PreparedQuery first(broken);
        QVERIFY(!first.isPrepared());
        PreparedQuery second(broken);
        QVERIFY(!second.isPrepared());
    }

private:
    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

SHELVIO_BASE_TEST_MAIN(TestStatementCache)
#include "tst_statementcache.moc"
