#include "model/filelist.h"
#include "model/viewitem.h"
#include "model/webpage.h"
#include "model/webpages.h"
#include "tests/support/basetestmain.h"
#include "tests/support/testlibrary.h"

#include <QFileInfo>
#include <QTest>

#include <memory>

class TestWebPages : public QObject
{
    Q_OBJECT

public:
    explicit TestWebPages(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void descriptionIsShortenedForTheViews_data();
    void descriptionIsShortenedForTheViews();
    void capturedPageIsStoredWithItsCover();
    void editingStoresTheAddressAndKeepsTheCaptureTime();
    void pagesAreListedInCaptureOrder();
    void searchAndDelete();

private:
    int capturePage(const QString &title, const QString &url, const QString &description);

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
};

void TestWebPages::init()
{
    library = std::make_unique<TestLibrary>(environment);
}

void TestWebPages::cleanup()
{
    library.reset();
}

int TestWebPages::capturePage(const QString &title, const QString &url, const QString &description)
{
    WebPage page(nullptr, -1);
    page.setTitle(title);
    page.setUrl(url);
    page.setDescription(description);
    page.addFile(library->writeFile(QStringLiteral("Library/") + title + QStringLiteral(".pdf"), "%PDF-1.4 page"));
    if (!page.save())
        qFatal("Cannot store the page %s", qPrintable(title));
    return page.getIid();
}

void TestWebPages::descriptionIsShortenedForTheViews_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("shown");

    const QString hundred = QStringLiteral("0123456789").repeated(10);
    QTest::newRow("150 characters") << hundred + QString(50, u'x') << hundred + QStringLiteral("...");
    QTest::newRow("exactly 100") << hundred << hundred;
    QTest::newRow("line breaks") << "First line\nsecond line\nthird"
                                 << "First line second line third";
    QTest::newRow("surrounding blanks") << "  \n padded text \n"
                                        << "padded text";
    QTest::newRow("empty") << ""
                           << "";
    const QString emoji = QStringLiteral("\U0001F4DA");
    QTest::newRow("no half character at the cut")
        << QString(99, u'a') + emoji + QStringLiteral("tail") << QString(99, u'a') + QStringLiteral("...");
    // 100 characters once trimmed, but longer as stored.
    QTest::newRow("long only with blanks") << hundred + QStringLiteral("   ") << hundred + QStringLiteral("...");
}

void TestWebPages::descriptionIsShortenedForTheViews()
{
    QFETCH(QString, description);
    QFETCH(QString, shown);

    const int iid = capturePage(QStringLiteral("Page"), QStringLiteral("https://example.org/"), description);
    WebPage stored(nullptr, iid);
    QCOMPARE(stored.getDescription(), description);
    QCOMPARE(stored.getViewItem()->description, shown);
}

void TestWebPages::capturedPageIsStoredWithItsCover()
{
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    WebPage page(nullptr, -1);
    QCOMPARE(page.getType(), QStringLiteral("WebPage"));
    QVERIFY(qAbs(qint64(page.getCreated()) - before) <= 1);
    page.setTitle(QStringLiteral("Front page"));
    page.setUrl(QStringLiteral("https://news.example.org/"));
    page.setDescription(QStringLiteral("Today's news"));
    const QString pdf = library->writeFile(QStringLiteral("Library/Front page.pdf"), "%PDF-1.4 captured page");
    page.addFile(pdf);
    page.setCoverFile(library->writeFile(QStringLiteral(".local/share/Shelvio/pdf-thumb-tmp.jpg"), "thumb"));
    QVERIFY(page.save());

    const int iid = page.getIid();
    const QString cover = library->dataDir() + QString::number(iid) + QStringLiteral(".jpg");
    QCOMPARE(page.getCoverFile(), cover);
    QVERIFY(QFileInfo::exists(cover));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid, url, created, title, description FROM webpages")),
             QList<QVariantList>({{iid, QStringLiteral("https://news.example.org/"), page.getCreated(),
                                   QStringLiteral("Front page"), QStringLiteral("Today's news")}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT type, coverFile FROM items")),
             QList<QVariantList>({{QStringLiteral("WebPage"), cover}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid, filePath FROM files")), QList<QVariantList>({{iid, pdf}}));

    const ViewItem *view = page.getViewItem();
    QCOMPARE(view->iid, iid);
    QCOMPARE(view->url, QStringLiteral("https://news.example.org/"));
    QCOMPARE(view->created, QString::number(page.getCreated()));
    QCOMPARE(view->filePath, pdf);
    QCOMPARE(view->coverFile, cover);

    // Refreshing keeps the record as the one first entry.
    page.updateViewItem();
    page.updateViewItem();
    QCOMPARE(view->items, QList<Item *>({&page}));

    WebPage missingRow(nullptr, iid + 10);
    QCOMPARE(missingRow.getTitle(), QString());
    QCOMPARE(missingRow.getCreated(), 0u);
}

void TestWebPages::editingStoresTheAddressAndKeepsTheCaptureTime()
{
    const int iid
        = capturePage(QStringLiteral("Old title"), QStringLiteral("https://example.org/a"), QStringLiteral("old"));
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE webpages SET created = 1600000000")));

    WebPage stored(nullptr, iid);
    stored.setTitle(QStringLiteral("New title"));
    stored.setDescription(QStringLiteral("new description"));
    stored.setUrl(QStringLiteral("https://elsewhere.example.org/"));
    QVERIFY(stored.save());
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT url, created, title, description FROM webpages")),
             QList<QVariantList>({{QStringLiteral("https://elsewhere.example.org/"), 1600000000,
                                   QStringLiteral("New title"), QStringLiteral("new description")}}));
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("files")), 1);
    QCOMPARE(TestDatabase::rowCount(QStringLiteral("items")), 1);
}

void TestWebPages::pagesAreListedInCaptureOrder()
{
    const int later = capturePage(QStringLiteral("Later"), QStringLiteral("https://example.org/2"), QString());
    const int earlier = capturePage(QStringLiteral("Earlier"), QStringLiteral("https://example.org/1"), QString());
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE webpages SET created = 1700000500 WHERE iid = %1").arg(later)));
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE webpages SET created = 1700000100 WHERE iid = %1").arg(earlier)));

    const WebPages pages(nullptr);
    QCOMPARE(pages.getViewItems()->size(), 2);
    QCOMPARE(pages.getViewItems()->at(0)->title, QStringLiteral("Earlier"));
    QCOMPARE(pages.getViewItems()->at(1)->title, QStringLiteral("Later"));
    QCOMPARE(pages.find(later)->getUrl(), QStringLiteral("https://example.org/2"));
}

void TestWebPages::searchAndDelete()
{
    const int news = capturePage(QStringLiteral("News"), QStringLiteral("https://example.org/news"),
                                 QStringLiteral("Elections and weather"));
    const int recipe = capturePage(QStringLiteral("Recipe"), QStringLiteral("https://example.org/soup"),
                                   QStringLiteral("Tomato soup"));

    WebPages pages(nullptr);
    WebPage *newsPage = pages.find(news);
    pages.dbSearch(QStringLiteral("WEATHER"));
    QCOMPARE(pages.getViewItems()->size(), 1);
    QCOMPARE(pages.getViewItems()->first(), newsPage->getViewItem());
    pages.dbSearch(QStringLiteral("o"));
    QCOMPARE(pages.getViewItems()->size(), 2);

    pages.deleteWebPage(recipe + news + 100);
    QCOMPARE(pages.getViewItems()->size(), 2);

    const QString pdf = pages.find(recipe)->getMainFilePath();
    pages.deleteWebPage(recipe);
    QCOMPARE(pages.getViewItems()->size(), 1);
    QCOMPARE(pages.find(recipe), nullptr);
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM webpages")), QList<QVariantList>({{news}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM items")), QList<QVariantList>({{news}}));
    QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT iid FROM files")), QList<QVariantList>({{news}}));
    QVERIFY(QFileInfo::exists(pdf));
}

SHELVIO_BASE_TEST_MAIN(TestWebPages)
#include "tst_webpages.moc"
