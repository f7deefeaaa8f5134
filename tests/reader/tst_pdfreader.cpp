#include "reader/pdfpageview.h"
#include "reader/pdfreader.h"
#include "tests/support/dialogtesting.h"
#include "tests/support/fixtures.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QLineEdit>
#include <QPdfPageNavigator>
#include <QListView>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <memory>

namespace {

// The book Calibre made: its chapters begin on these pages (1-based), and each rare word is on one page.
constexpr int SecondChapterPage = 12;
constexpr int QuincePage = 19;
constexpr int PageCount = 33;

std::unique_ptr<PdfReader> openShown(const QString &path)
{
    auto reader = std::make_unique<PdfReader>(nullptr, path);
    if (reader->isReadable()) {
        reader->resize(900, 700);
        reader->show();
        if (!QTest::qWaitForWindowExposed(reader.get()))
            qWarning("The reader was not shown");
    }
    return reader;
}

int pageShown(const PdfReader &reader)
{
    return DialogTesting::child<QSpinBox>(reader, "pageSpin")->value();
}

// Answers the password dialog that the next reader asks, and counts the times it is asked.
class PasswordAnswer
{
public:
    explicit PasswordAnswer(const QString &password)
    {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this, password] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++asked;
            dialog->setTextValue(password);
            dialog->accept();
        });
        timer.start(10);
    }

    int asked = 0;

private:
    QTimer timer;
};

} // namespace

class TestPdfReader : public QObject
{
    Q_OBJECT

public:
    explicit TestPdfReader(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void readsABookAnotherProgramWrote();
    void refusesWhatItCannotRead();

private:
    TestEnvironment &environment;
};

void TestPdfReader::readsABookAnotherProgramWrote()
{
    const TestLibrary library(environment);
    const QString path = library.writeFile(QStringLiteral("books/garden.pdf"),
                                           Fixtures::read(QStringLiteral("calibre-garden.pdf")));
    std::unique_ptr<PdfReader> reader = openShown(path);
    QVERIFY(reader->isReadable());
    auto *view = DialogTesting::child<PdfPageView>(*reader, "pdfView");
    QCOMPARE(pageShown(*reader), 1);

    // The outline lists the chapters; an entry goes to its page.
    auto *outline = DialogTesting::child<QTreeView>(*reader, "outlineView");
    QVERIFY(outline->isVisible());
    const QAbstractItemModel *chapters = outline->model();
    QCOMPARE(chapters->rowCount(), 3);
    const QModelIndex second = chapters->index(1, 0);
    QCOMPARE(second.data().toString(), QStringLiteral("Winter Pruning"));
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(second).center());
    QCOMPARE(pageShown(*reader), SecondChapterPage);
    QCOMPARE(view->currentPage(), SecondChapterPage - 1);

    // A search lists its hit with its page; Enter goes there, and the view agrees on the page.
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    auto *search = DialogTesting::child<QLineEdit>(*reader, "searchEdit");
    QVERIFY(search->hasFocus());
    QTest::keyClicks(search, QStringLiteral("quince"));
    const QAbstractItemModel *hits = DialogTesting::child<QListView>(*reader, "searchResults")->model();
    QTRY_COMPARE(hits->rowCount(), 1);
    const QString hit = hits->index(0, 0).data().toString();
    QVERIFY2(hit.startsWith(QStringLiteral("Page %1: …").arg(QuincePage)), qPrintable(hit));
    QVERIFY2(hit.contains(QStringLiteral("the quince grew best along the southern")), qPrintable(hit));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(view->pageNavigator()->currentPage(), QuincePage - 1);
    QCOMPARE(pageShown(*reader), QuincePage);

    // Keys page through the book; a page typed goes there.
    QTest::keyClick(view, Qt::Key_PageDown);
    QCOMPARE(pageShown(*reader), QuincePage + 1);
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(pageShown(*reader), PageCount);
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(pageShown(*reader), 1);
    auto *pageSpin = DialogTesting::child<QSpinBox>(*reader, "pageSpin");
    DialogTesting::retype(pageSpin, QStringLiteral("30"));
    QTest::keyClick(pageSpin, Qt::Key_Return);
    QCOMPARE(view->currentPage(), 29);

    // Text dragged over is copied.
    const QPoint top = view->viewport()->rect().center() - QPoint(150, 100);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, top);
    QTest::mouseMove(view->viewport(), top + QPoint(300, 60));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, top + QPoint(300, 60));
    QVERIFY(!view->selectedText().isEmpty());
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), view->selectedText());

    // Zoomed in and closed, the book opens again at its page and zoom.
    QTest::mouseClick(DialogTesting::child<QToolButton>(*reader, "btnZoomIn"), Qt::LeftButton);
    const qreal zoom = view->zoomFactor();
    QCOMPARE(view->zoomMode(), QPdfView::ZoomMode::Custom);
    QCOMPARE(pageShown(*reader), 30);
    reader.reset();
    reader = openShown(path);
    view = DialogTesting::child<PdfPageView>(*reader, "pdfView");
    QCOMPARE(pageShown(*reader), 30);
    QCOMPARE(view->currentPage(), 29);
    QCOMPARE(view->zoomMode(), QPdfView::ZoomMode::Custom);
    QCOMPARE(view->zoomFactor(), zoom);
}

void TestPdfReader::refusesWhatItCannotRead()
{
    const TestLibrary library(environment);
    const QString notReadable = QStringLiteral("This file is not a readable PDF.");
    const QString protectedText = QStringLiteral("This PDF is protected by a password.");
    const QByteArray whole = Fixtures::read(QStringLiteral("calibre-garden.pdf"));
    for (const QByteArray &content : {QByteArray(), QByteArray("%PDF-1.4\nnot a document"), whole.left(2000)}) {
        const PdfReader reader(nullptr, library.writeFile(QStringLiteral("bad.pdf"), content));
        QVERIFY(!reader.isReadable());
        QCOMPARE(reader.failure(), notReadable);
    }

    // The password is asked once; a wrong one is refused, the right one opens the book.
    const QString locked = library.writeFile(QStringLiteral("locked.pdf"), Fixtures::read(QStringLiteral("protected.pdf")));
    {
        PasswordAnswer answer(QStringLiteral("pear"));
        const PdfReader reader(nullptr, locked);
        QCOMPARE(answer.asked, 1);
        QVERIFY(!reader.isReadable());
        QCOMPARE(reader.failure(), protectedText);
    }
    PasswordAnswer answer(QStringLiteral("orchard"));
    std::unique_ptr<PdfReader> reader = openShown(locked);
    QCOMPARE(answer.asked, 1);
    QVERIFY(reader->isReadable());
}

SHELVIO_TEST_MAIN(TestPdfReader)
#include "tst_pdfreader.moc"
