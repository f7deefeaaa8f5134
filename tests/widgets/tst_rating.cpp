#include "tests/support/testmain.h"
#include "widgets/rating.h"

#include <QIcon>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

const QString SetStar = QStringLiteral(":/icons/icons/16x16/001_15.png");
const QString UnsetStar = QStringLiteral(":/icons/icons/16x16/001_17.png");
const QString ClearIcon = QStringLiteral(":/icons/icons/16x16/delete.png");
constexpr int Iid = 17;

QImage imageOf(const QIcon &icon)
{
    return icon.pixmap(16).toImage();
}

QImage imageOf(const QString &path)
{
    return imageOf(QIcon(path));
}

QToolButton *button(const Rating &rating, int number)
{
    return rating.findChild<QToolButton *>(QStringLiteral("btnRating%1").arg(number));
}

// Which of the five stars show the set icon, as "+" or "-" per star; "?" for any other icon.
QString stars(const Rating &rating)
{
    QString shown;
    for (int number = 1; number <= 5; ++number) {
        const QImage image = imageOf(button(rating, number)->icon());
        shown += image == imageOf(SetStar) ? u'+' : image == imageOf(UnsetStar) ? u'-' : u'?';
    }
    return shown;
}

} // namespace

class TestRating : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void startsUnratedWithSixButtons();
    void clickingAButtonSetsTheStarsUpToIt_data();
    void clickingAButtonSetsTheStarsUpToIt();
    void clickingTheCurrentRatingReportsItAgain();
    void valueOutsideTheRangeShowsNoStar_data();
    void valueOutsideTheRangeShowsNoStar();
};

void TestRating::initTestCase()
{
    // Otherwise every comparison below would pass for either icon.
    QVERIFY(!imageOf(SetStar).isNull());
    QVERIFY(imageOf(SetStar) != imageOf(UnsetStar));
}

void TestRating::startsUnratedWithSixButtons()
{
    Rating rating(nullptr, Iid);
    QCOMPARE(rating.getRating(), 0);
    QCOMPARE(rating.getIid(), Iid);
    for (int number = 0; number <= 5; ++number)
        QVERIFY2(button(rating, number), qPrintable(QStringLiteral("btnRating%1").arg(number)));
    QCOMPARE(stars(rating), QStringLiteral("-----"));
    QCOMPARE(imageOf(button(rating, 0)->icon()), imageOf(ClearIcon));
}

void TestRating::clickingAButtonSetsTheStarsUpToIt_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QString>("shown");

    QTest::newRow("three of none") << 0 << 3 << "+++--";
    QTest::newRow("three of five") << 5 << 3 << "+++--";
    QTest::newRow("one") << 4 << 1 << "+----";
    QTest::newRow("five") << 2 << 5 << "+++++";
    QTest::newRow("clear") << 4 << 0 << "-----";
}

void TestRating::clickingAButtonSetsTheStarsUpToIt()
{
    QFETCH(int, before);
    QFETCH(int, clicked);
    QFETCH(QString, shown);

    Rating rating(nullptr, Iid);
    rating.setRating(before);
    rating.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rating));
    QSignalSpy reported(&rating, &Rating::ratingSet);

    QTest::mouseClick(button(rating, clicked), Qt::LeftButton);

    QCOMPARE(stars(rating), shown);
    QCOMPARE(rating.getRating(), clicked);
    QCOMPARE(reported.count(), 1);
    QCOMPARE(reported.constFirst(), QVariantList({Iid, clicked}));
    // The clear button keeps its own icon whatever the rating.
    QCOMPARE(imageOf(button(rating, 0)->icon()), imageOf(ClearIcon));
}

void TestRating::clickingTheCurrentRatingReportsItAgain()
{
    Rating rating(nullptr, Iid);
    QSignalSpy reported(&rating, &Rating::ratingSet);

    button(rating, 3)->click();
    button(rating, 3)->click();
    QCOMPARE(reported.count(), 2);
    QCOMPARE(reported.at(0), QVariantList({Iid, 3}));
    QCOMPARE(reported.at(1), QVariantList({Iid, 3}));
    QCOMPARE(stars(rating), QStringLiteral("+++--"));

    button(rating, 0)->click();
    button(rating, 0)->click();
    QCOMPARE(reported.count(), 4);
    QCOMPARE(reported.at(3), QVariantList({Iid, 0}));
    QCOMPARE(stars(rating), QStringLiteral("-----"));
}

void TestRating::valueOutsideTheRangeShowsNoStar_data()
{
    QTest::addColumn<int>("value");

    QTest::newRow("six") << 6;
    QTest::newRow("large") << 42;
    QTest::newRow("negative") << -1;
}

void TestRating::valueOutsideTheRangeShowsNoStar()
{
    QFETCH(int, value);

    Rating rating(nullptr, Iid);
    rating.setRating(4);
    QSignalSpy reported(&rating, &Rating::ratingSet);

    rating.setRating(value);
    QCOMPARE(stars(rating), QStringLiteral("-----"));
    QCOMPARE(rating.getRating(), value);
    QCOMPARE(reported.count(), 1);
    QCOMPARE(reported.constFirst(), QVariantList({Iid, value}));
}

SHELVIO_TEST_MAIN(TestRating)
#include "tst_rating.moc"
