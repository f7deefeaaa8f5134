#include "model/book.h"
#include "model/fulltextsearch.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QFileInfo>
#include <QTest>

namespace {

// Puts a part's text into the index as the indexer does.
void index(int iid, int part, const QString &text)
{
    const QVariant fid
        = TestLibrary::rows(QStringLiteral("SELECT fid FROM files WHERE iid = %1").arg(iid)).value(0).value(0);
    QVERIFY(TestLibrary::exec(QStringLiteral("INSERT INTO fulltext (rowid, fid, part, body) VALUES (%1, %2, %3, '%4')")
                                  .arg(fid.toLongLong() * 100000 + part)
                                  .arg(fid.toInt())
                                  .arg(part)
                                  .arg(text)));
}

QStringList partsFound(const QString &typed)
{
    QStringList found;
    const FullTextSearch::Result result = FullTextSearch::run(typed, {QStringLiteral("Book"), 0});
    for (const FullTextSearch::Hit &hit : result.hits)
        found << QStringLiteral("%1:%2").arg(QFileInfo(hit.filePath).baseName()).arg(hit.part);
    return found;
}

} // namespace

class TestFullTextSearch : public QObject
{
    Q_OBJECT

public:
    explicit TestFullTextSearch(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void findsWordsPhrasesAndPrefixesBestFirst();

private:
    TestEnvironment &environment;
};

void TestFullTextSearch::findsWordsPhrasesAndPrefixesBestFirst()
{
    const TestLibrary library(environment);
    const int orchard
        = TestLibrary::storeBook(QStringLiteral("Orchard"), {library.writeFile(QStringLiteral("orchard.pdf"), "a")});
    const int pruning
        = TestLibrary::storeBook(QStringLiteral("Pruning"), {library.writeFile(QStringLiteral("pruning.pdf"), "b")});
    index(orchard, 4, QStringLiteral("Pear trees grown flat: the espalier, said the gardener, don''t <rush> it"));
    index(orchard, 9, QStringLiteral("An apple tree"));
    index(pruning, 2, QStringLiteral("Espaliered pear trees, pear trees everywhere, pear trees"));

    // All words must occur; the part that holds them most often comes first.
    QCOMPARE(partsFound(QStringLiteral("pear trees")), QStringList({"pruning:2", "orchard:4"}));
    QCOMPARE(partsFound(QStringLiteral("\"trees grown\"")), QStringList({"orchard:4"}));
    QCOMPARE(partsFound(QStringLiteral("espalier*")), QStringList({"pruning:2", "orchard:4"}));
    QCOMPARE(partsFound(QStringLiteral("apple espalier")), QStringList());
    // Punctuation and the query language's own words are searched for as written.
    QCOMPARE(partsFound(QStringLiteral("don't AND")), QStringList());
    QCOMPARE(partsFound(QStringLiteral("don't")), QStringList({"orchard:4"}));

    const FullTextSearch::Result rush = FullTextSearch::run(QStringLiteral("rush"), {QStringLiteral("Book"), 0});
    QCOMPARE(rush.hits.size(), 1);
    QVERIFY2(rush.hits.constFirst().snippet.endsWith(QStringLiteral("&lt;<b>rush</b>&gt; it")),
             qPrintable(rush.hits.constFirst().snippet));
    QCOMPARE(rush.hits.constFirst().iid, orchard);

    // A phrase left open is told, not searched.
    const FullTextSearch::Result open = FullTextSearch::run(QStringLiteral("\"pear tr"), {QStringLiteral("Book"), 0});
    QVERIFY(open.hits.isEmpty());
    QCOMPARE(open.problem, QStringLiteral("Unfinished phrase: add the closing quote"));
    // Web pages are not books.
    QVERIFY(FullTextSearch::run(QStringLiteral("pear"), {QStringLiteral("WebPage"), 0}).hits.isEmpty());

    // A tag's or series' tab finds its own books only.
    Book tagged(nullptr, pruning);
    tagged.setTags({QStringLiteral("Gardening")});
    tagged.setSeries({QStringLiteral("Fruit"), 1});
    QVERIFY(tagged.save());
    const int tid = TestLibrary::rows(QStringLiteral("SELECT tid FROM tags")).value(0).value(0).toInt();
    const int sid = TestLibrary::rows(QStringLiteral("SELECT sid FROM series")).value(0).value(0).toInt();
    for (const FullTextSearch::Scope &scope : {FullTextSearch::Scope{QStringLiteral("Book"), 0, tid, 0},
                                               FullTextSearch::Scope{QStringLiteral("Book"), 0, 0, sid}}) {
        const QList<FullTextSearch::Hit> hits = FullTextSearch::run(QStringLiteral("espalier*"), scope).hits;
        QCOMPARE(hits.size(), 1);
        QCOMPARE(hits.constFirst().iid, pruning);
    }
}

SHELVIO_BASE_TEST_MAIN(TestFullTextSearch)
#include "tst_fulltextsearch.moc"
