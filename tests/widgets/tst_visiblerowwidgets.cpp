#include "tests/support/testmain.h"
#include "widgets/visiblerowwidgets.h"

#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include <algorithm>

namespace {

constexpr int RowCount = 200;

// A table of many rows in a window, with a record of every row a widget was asked for, in order.
struct Fixture
{
    Fixture()
    {
        window.resize(300, 700);
        table = new QTableWidget(RowCount, 1, &window);
        table->setGeometry(0, 0, 300, 200);
        rows = new VisibleRowWidgets(table, [this](int row) { asked.append(row); });
    }

    bool show()
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        runQueuedPasses();
        return true;
    }

    // Queued passes run here; nothing waits on a clock.
    static void runQueuedPasses() { QCoreApplication::processEvents(); }

    // The rows asked for, each once, for checks that do not count the passes a window's first show makes.
    QList<int> askedRows() const
    {
        QList<int> rows = asked;
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        return rows;
    }

    QList<int> onScreen() const
    {
        QList<int> shown;
        int last = table->rowAt(table->viewport()->height() - 1);
        // Below the last row the viewport is empty.
        if (last < 0)
            last = RowCount - 1;
        for (int row = table->rowAt(0); row <= last; ++row) {
            if (!table->isRowHidden(row))
                shown.append(row);
        }
        return shown;
    }

    QWidget window;
    QTableWidget *table = nullptr;
    VisibleRowWidgets *rows = nullptr;
    QList<int> asked;
};

} // namespace

class TestVisibleRowWidgets : public QObject
{
    Q_OBJECT

private slots:
    void showingTheTableAsksForTheRowsOnScreen();
    void burstOfScrollStepsAsksOnce();
    void hiddenRowsAreSkipped();
    void nothingIsAskedWhileTheTableIsHidden();
    void growingTheTableAsksForTheNewRows();
    void rowsMovingIntoViewAreAskedWithoutAScroll();
};

void TestVisibleRowWidgets::showingTheTableAsksForTheRowsOnScreen()
{
    Fixture fixture;
    QVERIFY(fixture.show());

    QVERIFY(fixture.askedRows().size() > 1);
    QVERIFY(fixture.askedRows().size() < RowCount);
    QCOMPARE(fixture.askedRows(), fixture.onScreen());
}

void TestVisibleRowWidgets::burstOfScrollStepsAsksOnce()
{
    Fixture fixture;
    QVERIFY(fixture.show());
    fixture.asked.clear();

    QScrollBar *scrollBar = fixture.table->verticalScrollBar();
    for (int step = 1; step <= 50; ++step)
        scrollBar->setValue(step);
    QVERIFY(fixture.asked.isEmpty());
    Fixture::runQueuedPasses();

    // One pass, over the rows where the burst ended.
    QCOMPARE(fixture.asked, fixture.onScreen());
    QCOMPARE(fixture.asked.constFirst(), fixture.table->rowAt(0));
    QVERIFY(fixture.asked.constFirst() > 0);
}

void TestVisibleRowWidgets::hiddenRowsAreSkipped()
{
    Fixture fixture;
    fixture.table->setRowHidden(1, true);
    fixture.table->setRowHidden(3, true);
    QVERIFY(fixture.show());

    QVERIFY(fixture.asked.contains(0));
    QVERIFY(fixture.asked.contains(2));
    QVERIFY(!fixture.asked.contains(1));
    QVERIFY(!fixture.asked.contains(3));
}

void TestVisibleRowWidgets::nothingIsAskedWhileTheTableIsHidden()
{
    Fixture fixture;
    QVERIFY(fixture.show());
    fixture.table->hide();
    fixture.asked.clear();

    QScrollBar *scrollBar = fixture.table->verticalScrollBar();
    scrollBar->setValue(scrollBar->maximum());
    fixture.rows->schedule();
    Fixture::runQueuedPasses();
    QVERIFY(fixture.asked.isEmpty());

    // Shown again, it asks for the rows it now shows without being told.
    fixture.table->show();
    Fixture::runQueuedPasses();
    QVERIFY(!fixture.asked.isEmpty());
    QCOMPARE(fixture.askedRows(), fixture.onScreen());
}

void TestVisibleRowWidgets::growingTheTableAsksForTheNewRows()
{
    Fixture fixture;
    QVERIFY(fixture.show());
    QVERIFY(!fixture.asked.isEmpty());
    const int lastBefore = fixture.askedRows().constLast();
    fixture.asked.clear();

    fixture.table->resize(300, 600);
    Fixture::runQueuedPasses();
    QCOMPARE(fixture.asked, fixture.onScreen());
    QVERIFY(fixture.asked.constLast() > lastBefore);
}

void TestVisibleRowWidgets::rowsMovingIntoViewAreAskedWithoutAScroll()
{
    Fixture fixture;
    QTableWidget *table = fixture.table;
    for (int row = 0; row < RowCount; ++row)
        table->setItem(row, 0, new QTableWidgetItem(QStringLiteral("%1").arg(row, 3, 10, QLatin1Char('0'))));
    QVERIFY(fixture.show());
    const QList<int> firstScreen = fixture.onScreen();

    // Rows deleted from the view: the ones below move up into it.
    fixture.asked.clear();
    for (const int row : firstScreen)
        table->setRowHidden(row, true);
    Fixture::runQueuedPasses();
    QCOMPARE(fixture.askedRows(), fixture.onScreen());
    QVERIFY(fixture.asked.constFirst() > firstScreen.constLast());

    // A sort brings the rows from the end of the table to the top.
    fixture.asked.clear();
    table->sortItems(0, Qt::DescendingOrder);
    Fixture::runQueuedPasses();
    QCOMPARE(fixture.askedRows(), fixture.onScreen());

    // Rows taken out of the table.
    fixture.asked.clear();
    table->removeRow(fixture.onScreen().constFirst());
    Fixture::runQueuedPasses();
    QVERIFY(!fixture.asked.isEmpty());
}

SHELVIO_TEST_MAIN(TestVisibleRowWidgets)
#include "tst_visiblerowwidgets.moc"
