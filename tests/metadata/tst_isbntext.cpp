#include "metadata/isbntext.h"
#include "tests/support/testmain.h"

#include <QTest>

class TestIsbnText : public QObject
{
    Q_OBJECT

private slots:
    void findsTheFirstValidIsbn_data();
    void findsTheFirstValidIsbn();
};

void TestIsbnText::findsTheFirstValidIsbn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("isbn");

    QTest::newRow("13 digits with hyphens") << "Printed in Canada\nISBN 978-0-306-40615-7\n" << "9780306406157";
    QTest::newRow("labelled ISBN-13") << "ISBN-13: 9780306406157" << "9780306406157";
    QTest::newRow("10 digits with hyphens") << "ISBN: 0-306-40615-2" << "0306406152";
    QTest::newRow("10 digits with spaces") << "isbn 0 306 40615 2" << "0306406152";
    QTest::newRow("check digit X") << "ISBN-10 080442957X (pbk.)" << "080442957X";
    QTest::newRow("followed by a year") << "ISBN 0-306-40615-2 1999 edition" << "0306406152";
    QTest::newRow("wrong check digit") << "ISBN 978-0-306-40615-8" << "";
    QTest::newRow("wrong check digit of 10") << "ISBN 0-306-40615-3" << "";
    QTest::newRow("13 digits outside 978 and 979") << "ISBN 123-4-567-89012-8" << "";
    QTest::newRow("first valid of several") << "ISBN 0-306-40615-3 (cloth) ISBN 978-0-306-40615-7 (paper)"
                                            << "9780306406157";
    QTest::newRow("digits without the label") << "Order number 9780306406157" << "";
    QTest::newRow("too few digits") << "ISBN 0-306-4061" << "";
}

void TestIsbnText::findsTheFirstValidIsbn()
{
    QFETCH(QString, text);
    QFETCH(QString, isbn);
    QCOMPARE(IsbnText::find(text), isbn);
    if (!isbn.isEmpty())
        QVERIFY(IsbnText::isValid(isbn));
}

SHELVIO_TEST_MAIN(TestIsbnText)
#include "tst_isbntext.moc"
