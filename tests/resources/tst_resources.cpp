#include "tests/support/testmain.h"

#include <QFile>
#include <QImage>
#include <QTest>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void imagesLoad_data();
    void imagesLoad();
    void pageScriptsArePresent_data();
    void pageScriptsArePresent();
};

void TestResources::imagesLoad_data()
{
    QTest::addColumn<QString>("path");
    const char *const paths[] = {
        ":/icons/icons/16x16/001_15.png",
        ":/icons/icons/16x16/001_17.png",
        ":/icons/icons/16x16/book_open.png",
        ":/icons/icons/16x16/delete.png",
        ":/icons/icons/24x24/link_go.png",
        ":/icons/icons/24x24/pdf.png",
        ":/icons/icons/32x32/books.png",
        ":/icons/icons/32x32/bookshelf.png",
        ":/icons/icons/32x32/document_page_previous.png",
        ":/icons/icons/32x32/group.png",
        ":/icons/icons/32x32/next.png",
        ":/icons/icons/32x32/select.png",
        ":/icons/icons/32x32/world.png",
        ":/icons/icons/32x32/world_go.png",
        ":/icons/icons/32x32/www_page.png",
        ":/icons/icons/48x48/apps.png",
        ":/icons/icons/48x48/folder.png",
        ":/icons/images/book.png",
        ":/images/icons/16x16/application_put.png",
        ":/images/icons/16x16/cross.png",
        ":/images/icons/16x16/tick.png",
        ":/images/images/no_cover.png",
        ":/texteditor/icons/16x16/text_align_center.png",
        ":/texteditor/icons/16x16/text_align_left.png",
        ":/texteditor/icons/16x16/text_align_right.png",
        ":/texteditor/icons/16x16/text_bold.png",
        ":/texteditor/icons/16x16/text_heading_1.png",
        ":/texteditor/icons/16x16/text_heading_2.png",
        ":/texteditor/icons/16x16/text_heading_3.png",
        ":/texteditor/icons/16x16/text_italic.png",
        ":/texteditor/icons/16x16/text_list_bullets.png",
        ":/texteditor/icons/16x16/text_list_numbers.png",
        ":/texteditor/icons/16x16/text_subscript.png",
        ":/texteditor/icons/16x16/text_superscript.png",
        ":/texteditor/icons/16x16/text_underline.png",
    };
    for (const char *path : paths)
        QTest::newRow(path) << QString::fromLatin1(path);
}

void TestResources::imagesLoad()
{
    QFETCH(QString, path);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
}

void TestResources::pageScriptsArePresent_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("marker");
    QTest::newRow("selection script") << ":/javascript/hilight.js"
                                      << "2px solid red";
    QTest::newRow("jQuery") << ":/javascript/javascript/jquery.min.js"
                            << "jQuery";
}

void TestResources::pageScriptsArePresent()
{
    QFETCH(QString, path);
    QFETCH(QString, marker);
    QFile script(path);
    QVERIFY2(script.open(QIODevice::ReadOnly), qPrintable(path));
    QVERIFY(QString::fromUtf8(script.readAll()).contains(marker));
}

SHELVIO_TEST_MAIN(TestResources)
#include "tst_resources.moc"
