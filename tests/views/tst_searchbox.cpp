#include "tests/support/testmain.h"
#include "views/searchbox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

QLineEdit *lineEdit(const searchbox &box)
{
    return box.findChild<QLineEdit *>(QStringLiteral("searchBox"));
}

QStringList emitted(const QSignalSpy &spy)
{
    QStringList texts;
    for (const QVariantList &arguments : spy)
        texts.append(arguments.constFirst().toString());
    return texts;
}

} // namespace

class TestSearchbox : public QObject
{
    Q_OBJECT

private slots:
    void typingSearchesWhenTheUserPauses();
    void textSetFromOutsideIsForwarded();
};

void TestSearchbox::typingSearchesWhenTheUserPauses()
{
    searchbox box;
    QLineEdit *edit = lineEdit(box);
    QVERIFY(edit);
    QCOMPARE(edit->placeholderText(), QStringLiteral("Search..."));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy typed(&box, &searchbox::textTyped);
    QSignalSpy forwarded(&box, &searchbox::searchText);

    // The first key into an empty box searches at once; the others wait for the pause.
    QTest::keyClicks(edit, QStringLiteral(" du"));
    QCOMPARE(emitted(typed), QStringList({" "}));
    QTRY_COMPARE(emitted(typed), QStringList({" ", " du"}));
    QCOMPARE(box.text(), QStringLiteral(" du"));

    typed.clear();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(typed.isEmpty());
    // The emptied box reports the empty text, so the view shows everything again.
    QTRY_COMPARE(emitted(typed), QStringList({""}));

    // What is typed before the view is left is searched at once then, and only once.
    QTest::keyClicks(edit, QStringLiteral("em"));
    box.finishTyping();
    box.finishTyping();
    QCOMPARE(emitted(typed), QStringList({"", "e"}));
    QCOMPARE(emitted(forwarded), QStringList({"em"}));
    QTest::qWait(2 * int(searchbox::TypingPause.count()));
    QCOMPARE(typed.count(), 2);
    QCOMPARE(forwarded.count(), 1);
}

void TestSearchbox::textSetFromOutsideIsForwarded()
{
    searchbox box;
    QSignalSpy forwarded(&box, &searchbox::searchText);

    box.setText(QStringLiteral("Emma"));
    QCOMPARE(emitted(forwarded), QStringList({"Emma"}));
    QCOMPARE(lineEdit(box)->text(), QStringLiteral("Emma"));
    QCOMPARE(box.text(), QStringLiteral("Emma"));

    box.setText(QString());
    QCOMPARE(emitted(forwarded), QStringList({"Emma", ""}));
    QCOMPARE(box.text(), QString());
}

SHELVIO_TEST_MAIN(TestSearchbox)
#include "tst_searchbox.moc"
