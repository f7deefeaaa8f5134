#include "model/viewitem.h"
#include "tests/support/testmain.h"
#include "views/itemcolumns.h"
#include "views/itemtable.h"
#include "widgets/rating.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <vector>

namespace {

// Display items as a collection holds them; the table needs no records behind them.
class Items
{
public:
    explicit Items(int count)
    {
        for (int number = 0; number < count; ++number) {
            auto item = std::make_unique<ViewItem>();
            item->iid = number + 1;
            item->type = QStringLiteral("Book");
            item->title = QStringLiteral("Book %1").arg(number, 4, 10, QLatin1Char('0'));
            item->rating = number % 6;
            all.append(item.get());
            owned.push_back(std::move(item));
        }
    }

    QList<ViewItem *> all;

private:
    std::vector<std::unique_ptr<ViewItem>> owned;
};

struct ShownTable
{
    ShownTable()
    {
        table.resize(700, 300);
        rows = new ItemTable(&table, ItemColumns::books());
    }

    bool show()
    {
        table.show();
        return QTest::qWaitForWindowExposed(&table);
    }

    Rating *ratingAt(int row) const { return qobject_cast<Rating *>(table.cellWidget(row, ItemColumns::RatingColumn)); }

    QTableWidget table{0, 9};
    ItemTable *rows = nullptr;
};

} // namespace

class TestItemTable : public QObject
{
    Q_OBJECT

private slots:
    void rowsShowTheItemsTheyAreGiven();
    void cellsStayNearTheScreen();
};

void TestItemTable::rowsShowTheItemsTheyAreGiven()
{
    const Items items(50);
    ShownTable shown;
    shown.rows->setItems(items.all);
    QVERIFY(shown.show());
    QTRY_VERIFY(shown.ratingAt(0));
    QCOMPARE(shown.table.rowCount(), 50);
    QCOMPARE(shown.table.item(0, 0)->text(), QStringLiteral("Book 0000"));

    // Another order gives the rows other items; their widgets show them without being made again.
    Rating *firstRating = shown.ratingAt(0);
    QList<ViewItem *> reversed(items.all.crbegin(), items.all.crend());
    shown.rows->setItems(reversed);
    QCOMPARE(shown.table.item(0, 0)->text(), QStringLiteral("Book 0049"));
    QCOMPARE(shown.ratingAt(0), firstRating);
    QCOMPARE(firstRating->getIid(), 50);
    QCOMPARE(firstRating->getRating(), 49 % 6);

    // Fewer items, fewer rows; a star clicked reports the item the row shows now.
    shown.rows->setItems({items.all.at(3)});
    QCOMPARE(shown.table.rowCount(), 1);
    QCOMPARE(shown.table.item(0, 0)->text(), QStringLiteral("Book 0003"));
    QSignalSpy set(shown.rows, &ItemTable::ratingSet);
    shown.ratingAt(0)->findChild<QToolButton *>(QStringLiteral("btnRating5"))->click();
    QCOMPARE(set.count(), 1);
    QCOMPARE(set.constFirst(), QVariantList({4, 5}));

    // A row put in above moves the others down with their cells.
    shown.rows->insert(0, items.all.at(1));
    QCOMPARE(shown.table.item(0, 0)->text(), QStringLiteral("Book 0001"));
    QCOMPARE(shown.table.item(1, 0)->text(), QStringLiteral("Book 0003"));
    shown.rows->remove(0);
    QCOMPARE(shown.table.rowCount(), 1);
    QCOMPARE(shown.table.item(0, 0)->text(), QStringLiteral("Book 0003"));
}

void TestItemTable::cellsStayNearTheScreen()
{
    const Items items(3000);
    ShownTable shown;
    shown.rows->setItems(items.all);
    QVERIFY(shown.show());
    QScrollBar *scrollBar = shown.table.verticalScrollBar();
    QTRY_VERIFY(scrollBar->maximum() > 0);
    // Page by page through the whole table, as a reader who looks for something.
    for (int value = 0; value <= scrollBar->maximum(); value += scrollBar->pageStep()) {
        scrollBar->setValue(value);
        QCoreApplication::processEvents();
    }
    scrollBar->setValue(scrollBar->maximum());
    QCoreApplication::processEvents();

    const int lastOnScreen = shown.table.rowAt(shown.table.viewport()->height() - 1);
    QCOMPARE(shown.table.item(lastOnScreen, 0)->text(), items.all.at(lastOnScreen)->title);
    QVERIFY(shown.ratingAt(lastOnScreen));
    int withCells = 0;
    for (int row = 0; row < shown.table.rowCount(); ++row)
        withCells += shown.table.item(row, 0) ? 1 : 0;
    QVERIFY2(withCells < 500, qPrintable(QString::number(withCells)));
}

SHELVIO_TEST_MAIN(TestItemTable)
#include "tst_itemtable.moc"
