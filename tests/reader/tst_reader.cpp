#include "reader/bookfolder.h"
#include "reader/epubarchive.h"
#include "reader/extractiondirectory.h"
#include "reader/reader.h"
#include "tests/support/epubbuilder.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QWebEngineView>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A reader on show, with handles on its parts.
struct OpenBook
{
    explicit OpenBook(const QString &path)
        : reader(std::make_unique<Reader>(nullptr, path))
        , view(reader->findChild<QWebEngineView *>(QStringLiteral("webView")))
        , contents(reader->findChild<QTextBrowser *>(QStringLiteral("textBrowser")))
        , loads(view, &QWebEngineView::loadStarted)
    {
        QObject::connect(view, &QWebEngineView::loadFinished, view,
                         [this](bool ok) { finished.append(ok ? view->url() : QUrl()); });
        reader->resize(800, 600);
        reader->show();
    }

    QToolButton *button(const char *name) const { return reader->findChild<QToolButton *>(QLatin1String(name)); }

    // Waits until a load that started since the last wait has shown the page. The address changes before
    // the load ends, so only this tells that the load and every signal of it are over. The wait runs an
    // event loop rather than polling: the web engine's own tasks, run by the loop, would wait for each poll.
    bool waitForLoad(const QUrl &url)
    {
        QSignalSpy ends(view, &QWebEngineView::loadFinished);
        while (finished.isEmpty() || finished.last() != url) {
            if (!ends.wait(10000)) {
                qWarning() << "Loads ended:" << finished << "view at" << view->url() << "waited for" << url;
                return false;
            }
        }
        finished.clear();
        return true;
    }

    std::unique_ptr<Reader> reader;
    QWebEngineView *view;
    QTextBrowser *contents;
    // Counts from the start: the reader loads its first chapter while it is constructed, before any
    // event is processed.
    QSignalSpy loads;
    // The pages whose loads have ended since the last wait; an empty address for a failed load.
    QList<QUrl> finished;
};

QString digestOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex());
}

QUrl fileUrl(const QString &path, const QString &fragment = {})
{
    QUrl url = QUrl::fromLocalFile(path);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    return url;
}

// Clicks the contents pane's link with this label where it is drawn.
void clickLink(QTextBrowser *contents, const QString &label)
{
    const QTextCursor found = contents->document()->find(label);
    QVERIFY2(!found.isNull(), qPrintable(label));
    QTextCursor inside(contents->document());
    inside.setPosition(found.selectionStart() + 1);
    const QPoint point = contents->cursorRect(inside).center();
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, point);
}

// The lines of the contents pane, with the non-breaking spaces of the indentation shown as spaces.
QStringList contentLines(QTextBrowser *contents)
{
    return contents->toPlainText().replace(QChar::Nbsp, u' ').split(u'\n');
}

QByteArray twoNavPoints(const QString &first, const QString &second)
{
    return EpubBuilder::navPoint(QStringLiteral("One"), first) + EpubBuilder::navPoint(QStringLiteral("Two"), second);
}

} // namespace

class TestReader : public QObject
{
    Q_OBJECT

public:
    explicit TestReader(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void cleanup()
    {
        // Unpacked books stay behind on purpose; each test starts without them.
        QDir(ExtractionDirectory::privateRoot()).removeRecursively();
        environment.reset();
    }

    void entriesOfOneChapterGiveTwoLinksAndOneChapter()
    {
        const QString path = bookPath(QStringLiteral("anchors.epub"));
        QVERIFY(EpubBuilder()
                    .add(QStringLiteral("OEBPS/toc.ncx"),
                         EpubBuilder::ncx(twoNavPoints(QStringLiteral("ch1.html#a"), QStringLiteral("ch1.html#b"))))
                    .add(QStringLiteral("OEBPS/ch1.html"), EpubBuilder::chapter(QStringLiteral("First")))
                    .write(path));
        const QString oebps = extractionDirectory(path) + QStringLiteral("/OEBPS");

        OpenBook book(path);
        QVERIFY(book.waitForLoad(fileUrl(oebps + QStringLiteral("/ch1.html"))));
        QVERIFY(oebps.startsWith(QDir::tempPath()));
        QCOMPARE(contentLines(book.contents),
                 QStringList({QStringLiteral("TABLE OF CONTENTS"), QStringLiteral("One"), QStringLiteral("Two")}));
        const QString html = book.contents->toHtml();
        QVERIFY(html.contains(QStringLiteral("href=\"ch1.html#a\"")));
        QVERIFY(html.contains(QStringLiteral("href=\"ch1.html#b\"")));
        QVERIFY(book.contents->document()->defaultStyleSheet().startsWith(QStringLiteral("body{ margin: 0;")));

        // One chapter: there is nowhere to page to, so the next load is the link's.
        QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
        QTest::mouseClick(book.button("btnLeft"), Qt::LeftButton);
        clickLink(book.contents, QStringLiteral("Two"));
        QTRY_COMPARE(book.view->url(), fileUrl(oebps + QStringLiteral("/ch1.html"), QStringLiteral("b")));
        // Moving to an anchor of the page on show is no new load.
        QCOMPARE(book.loads.count(), 1);
    }

    void labelsWithoutTargetsGiveOnlyTheHeading()
    {
        const QString path = bookPath(QStringLiteral("unpaired.epub"));
        const QByteArray labelOnly = "<navPoint><navLabel><text>Lost</text></navLabel></navPoint>\n";
        QVERIFY(EpubBuilder()
                    .add(QStringLiteral("toc.ncx"),
                         EpubBuilder::ncx(EpubBuilder::navPoint(QStringLiteral("One"), QStringLiteral("ch1.html"))
                                          + labelOnly))
                    .add(QStringLiteral("ch1.html"), EpubBuilder::chapter(QStringLiteral("First")))
                    .write(path));

        OpenBook book(path);
        QCOMPARE(book.contents->toPlainText().trimmed(), QStringLiteral("TABLE OF CONTENTS"));
        QVERIFY(!book.contents->toHtml().contains(QStringLiteral("<a ")));
        QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
        QVERIFY(!book.loads.wait(500));
        QCOMPARE(book.view->url(), QUrl());
    }

    void labelsAreShownAsWritten()
    {
        const QString path = bookPath(QStringLiteral("markup.epub"));
        QVERIFY(EpubBuilder()
                    .add(QStringLiteral("toc.ncx"),
                         EpubBuilder::ncx(
                             EpubBuilder::navPoint(QStringLiteral("Q&A <draft>"), QStringLiteral("ch1.html"))
                             + EpubBuilder::navPoint(QStringLiteral("Fish & Chips"), QStringLiteral("ch2.html"))))
                    .add(QStringLiteral("ch1.html"), EpubBuilder::chapter(QStringLiteral("First")))
                    .add(QStringLiteral("ch2.html"), EpubBuilder::chapter(QStringLiteral("Second")))
                    .write(path));

        OpenBook book(path);
        QCOMPARE(contentLines(book.contents),
                 QStringList({QStringLiteral("TABLE OF CONTENTS"), QStringLiteral("Q&A <draft>"),
                              QStringLiteral("Fish & Chips")}));
        clickLink(book.contents, QStringLiteral("Fish & Chips"));
        QVERIFY(book.waitForLoad(fileUrl(extractionDirectory(path) + QStringLiteral("/ch2.html"))));
    }

    void nestedEntriesAreListedAndPagingFollowsTheSpine()
    {
        const QString path = bookPath(QStringLiteral("nested.epub"));
        const QByteArray chapters = EpubBuilder::navPoint(QStringLiteral("Chapter 1"), QStringLiteral("Text/ch1.xhtml"))
            + EpubBuilder::navPoint(QStringLiteral("Chapter 2"), QStringLiteral("Text/ch2.xhtml#b"),
                                    EpubBuilder::navPoint(QStringLiteral("Section 2.1"),
                                                          QStringLiteral("Text/ch2.xhtml#a")));
        QVERIFY(
            EpubBuilder()
                .addPackage(QStringLiteral("OEBPS/content.opf"),
                            {QStringLiteral("Text/cover.xhtml"), QStringLiteral("Text/part1.xhtml"),
                             QStringLiteral("Text/ch1.xhtml"), QStringLiteral("Text/ch2.xhtml"),
                             QStringLiteral("Text/ch3.xhtml")})
                .add(QStringLiteral("OEBPS/toc.ncx"),
                     EpubBuilder::ncx(
                         EpubBuilder::navPoint(QStringLiteral("Part 1"), QStringLiteral("Text/part1.xhtml"), chapters)
                         + EpubBuilder::navPoint(QStringLiteral("Part 2"), QStringLiteral("Text/ch3.xhtml"))))
                .add(QStringLiteral("OEBPS/Text/cover.xhtml"), EpubBuilder::chapter(QStringLiteral("Cover")))
                .add(QStringLiteral("OEBPS/Text/part1.xhtml"), EpubBuilder::chapter(QStringLiteral("Part 1")))
                .add(QStringLiteral("OEBPS/Text/ch1.xhtml"), EpubBuilder::chapter(QStringLiteral("Chapter 1")))
                .add(QStringLiteral("OEBPS/Text/ch2.xhtml"), EpubBuilder::chapter(QStringLiteral("Chapter 2")))
                .add(QStringLiteral("OEBPS/Text/ch3.xhtml"), EpubBuilder::chapter(QStringLiteral("Chapter 3")))
                .write(path));
        const QString text = extractionDirectory(path) + QStringLiteral("/OEBPS/Text/");

        OpenBook book(path);
        QCOMPARE(contentLines(book.contents),
                 QStringList({QStringLiteral("TABLE OF CONTENTS"), QStringLiteral("Part 1"),
                              QStringLiteral("    Chapter 1"), QStringLiteral("    Chapter 2"),
                              QStringLiteral("        Section 2.1"), QStringLiteral("Part 2")}));
        // The book opens at the first entry's chapter, not at the spine's cover.
        QVERIFY(book.waitForLoad(fileUrl(text + QStringLiteral("part1.xhtml"))));

        for (const char *next : {"ch1.xhtml", "ch2.xhtml", "ch3.xhtml"}) {
            QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
            QVERIFY(book.waitForLoad(fileUrl(text + QLatin1String(next))));
        }
        for (const char *previous : {"ch2.xhtml", "ch1.xhtml", "part1.xhtml", "cover.xhtml"}) {
            QTest::mouseClick(book.button("btnLeft"), Qt::LeftButton);
            QVERIFY(book.waitForLoad(fileUrl(text + QLatin1String(previous))));
        }
        const qsizetype loadsAtTheCover = book.loads.count();
        QTest::mouseClick(book.button("btnLeft"), Qt::LeftButton);

        clickLink(book.contents, QStringLiteral("Section 2.1"));
        QVERIFY(book.waitForLoad(fileUrl(text + QStringLiteral("ch2.xhtml"), QStringLiteral("a"))));
        QCOMPARE(book.loads.count(), loadsAtTheCover + 1);
        // Paging goes on from the chapter the contents led to.
        QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
        QVERIFY(book.waitForLoad(fileUrl(text + QStringLiteral("ch3.xhtml"))));
    }

    void bookWithoutContentsFollowsItsSpine()
    {
        const QString path = bookPath(QStringLiteral("spine.epub"));
        QVERIFY(EpubBuilder()
                    .addPackage(QStringLiteral("content.opf"),
                                {QStringLiteral("zeta.html"), QStringLiteral("chapter%20two.html"),
                                 QStringLiteral("missing.html"), QStringLiteral("alpha.html")})
                    .add(QStringLiteral("alpha.html"), EpubBuilder::chapter(QStringLiteral("Alpha")))
                    .add(QStringLiteral("chapter two.html"), EpubBuilder::chapter(QStringLiteral("Two")))
                    .add(QStringLiteral("zeta.html"), EpubBuilder::chapter(QStringLiteral("Zeta")))
                    .write(path));
        const QString directory = extractionDirectory(path) + u'/';

        OpenBook book(path);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("zeta.html"))));
        QVERIFY(book.contents->toPlainText().isEmpty());
        QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("chapter two.html"))));
        // A spine entry without its file is passed over.
        QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("alpha.html"))));
        const qsizetype loadsAtTheEnd = book.loads.count();
        QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
        QVERIFY(!book.loads.wait(500));
        QCOMPARE(book.loads.count(), loadsAtTheEnd);
    }

    void bookReopensAtTheChapterReadLast()
    {
        const TestLibrary library(environment);
        const QString path = bookPath(QStringLiteral("again.epub"));
        QVERIFY(EpubBuilder()
                    .addPackage(QStringLiteral("content.opf"), {QStringLiteral("one.html"), QStringLiteral("two.html")})
                    .add(QStringLiteral("one.html"), EpubBuilder::chapter(QStringLiteral("One")))
                    .add(QStringLiteral("two.html"), EpubBuilder::chapter(QStringLiteral("Two")))
                    .write(path));
        const QString directory = extractionDirectory(path) + u'/';
        {
            OpenBook book(path);
            QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("one.html"))));
            QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
            QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("two.html"))));
        }
        OpenBook book(path);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("two.html"))));
        QTest::mouseClick(book.button("btnLeft"), Qt::LeftButton);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("one.html"))));
    }

    void bookWithoutSpinePagesItsDocumentsInNaturalOrder()
    {
        const QString path = bookPath(QStringLiteral("plain.epub"));
        QVERIFY(EpubBuilder()
                    .add(QStringLiteral("chapter10.html"), EpubBuilder::chapter(QStringLiteral("Ten")))
                    .add(QStringLiteral("chapter2.xhtml"), EpubBuilder::chapter(QStringLiteral("Two")))
                    .add(QStringLiteral("chapter1.htm"), EpubBuilder::chapter(QStringLiteral("One")))
                    .add(QStringLiteral("style.css"), "p { color: black }")
                    .write(path));
        const QString directory = extractionDirectory(path) + u'/';

        OpenBook book(path);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("chapter1.htm"))));
        for (const char *next : {"chapter2.xhtml", "chapter10.html"}) {
            QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
            QVERIFY(book.waitForLoad(fileUrl(directory + QLatin1String(next))));
        }
    }

    void contentsWithoutSpinePageThroughItsChapters()
    {
        const QString path = bookPath(QStringLiteral("contents.epub"));
        QVERIFY(EpubBuilder()
                    .add(QStringLiteral("toc.ncx"),
                         EpubBuilder::ncx(twoNavPoints(QStringLiteral("b.html"), QStringLiteral("a.html"))))
                    .add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A")))
                    .add(QStringLiteral("b.html"), EpubBuilder::chapter(QStringLiteral("B")))
                    .write(path));
        const QString directory = extractionDirectory(path) + u'/';

        OpenBook book(path);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("b.html"))));
        QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("a.html"))));
        QTest::mouseClick(book.button("btnLeft"), Qt::LeftButton);
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("b.html"))));
    }

    void sliderZoomsAndTheButtonTogglesTheContents()
    {
        const QString path = bookPath(QStringLiteral("zoom.epub"));
        QVERIFY(EpubBuilder().add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A"))).write(path));
        OpenBook book(path);
        auto *slider = book.reader->findChild<QSlider *>(QStringLiteral("horizontalSlider"));
        QCOMPARE(slider->value(), 1000);
        slider->setValue(1500);
        QCOMPARE(book.view->zoomFactor(), 1.5);
        slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(book.view->zoomFactor(), 1.6);

        QVERIFY(book.contents->isVisible());
        QTest::mouseClick(book.button("toolButton_2"), Qt::LeftButton);
        QVERIFY(book.contents->isHidden());
        QTest::mouseClick(book.button("toolButton_2"), Qt::LeftButton);
        QVERIFY(book.contents->isVisible());
    }

    void textAndHtmlFilesAreShownDirectly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("text") << QStringLiteral("notes.txt");
        QTest::newRow("html") << QStringLiteral("page.HTML");
        QTest::newRow("htm") << QStringLiteral("page.htm");
    }

    void textAndHtmlFilesAreShownDirectly()
    {
        QFETCH(QString, name);
        const QString path = writeBook(name, "<b>plain</b> words\n");
        QVERIFY(!path.isEmpty());

        OpenBook book(path);
        QVERIFY(book.contents->isHidden());
        QVERIFY(book.button("toolButton_2")->isHidden());
        QVERIFY(book.waitForLoad(fileUrl(path)));
        QVERIFY(!QDir(ExtractionDirectory::privateRoot()).exists());
    }

    void otherFilesLeaveTheReaderEmpty()
    {
        const QString path = writeBook(QStringLiteral("book.pdf"), "%PDF-1.4\n");
        QVERIFY(!path.isEmpty());
        OpenBook book(path);
        QVERIFY(!book.loads.wait(500));
        QCOMPARE(book.view->url(), QUrl());
    }

    void sameContentOpensInTheSameDirectory()
    {
        const QString first = bookPath(QStringLiteral("first.epub"));
        QVERIFY(EpubBuilder().add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A"))).write(first));
        const QString second = bookPath(QStringLiteral("copy of first.epub"));
        QVERIFY(QFile::copy(first, second));
        const QUrl expected = fileUrl(extractionDirectory(first) + QStringLiteral("/a.html"));

        OpenBook one(first);
        QVERIFY(one.waitForLoad(expected));
        // The unpacked files outlive the reader and are written again for the next one.
        one.reader.reset();
        QVERIFY(QFile::remove(expected.toLocalFile()));
        OpenBook two(second);
        QVERIFY(two.waitForLoad(expected));
        QVERIFY(QFile::exists(expected.toLocalFile()));
        QCOMPARE(QDir(ExtractionDirectory::privateRoot() + QStringLiteral("/Shelvio"))
                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                     .size(),
                 1);
    }

    void entriesLeavingTheDirectoryAreRefused()
    {
        const QString outside = environment.root() + QStringLiteral("/outside");
        QVERIFY(QDir().mkpath(outside));
        const QString path = bookPath(QStringLiteral("hostile.epub"));
        QVERIFY(EpubBuilder()
                    .add(QStringLiteral("../../../outside/climbed.txt"), "climbed")
                    .add(outside + QStringLiteral("/absolute.txt"), "absolute")
                    .addSymlink(QStringLiteral("link"), outside)
                    .add(QStringLiteral("link/through.txt"), "through the link")
                    .addSymlink(QStringLiteral("shadow"), outside)
                    .add(QStringLiteral("shadow"), "a file of the link's name")
                    .add(QStringLiteral("shadow/behind.txt"), "behind the link")
                    .add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A")))
                    .write(path));
        const QString directory = extractionDirectory(path);

        OpenBook book(path);
        // The book still opens with what is harmless.
        QVERIFY(book.waitForLoad(fileUrl(directory + QStringLiteral("/a.html"))));
        QVERIFY(QDir(outside).isEmpty());
        QVERIFY(!QFileInfo(directory + QStringLiteral("/link")).isSymLink());
        QVERIFY(!QFileInfo(directory + QStringLiteral("/shadow")).isSymLink());
        const QStringList planted{QStringLiteral("climbed.txt"), QStringLiteral("absolute.txt"),
                                  QStringLiteral("through.txt"), QStringLiteral("behind.txt")};
        for (QDirIterator it(environment.root(), planted, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next();
            QVERIFY2(file.startsWith(directory + u'/'), qPrintable(file));
        }
    }

    void pathsLeavingTheBookAreNeitherListedNorShown()
    {
        // Files of the user's that a hostile book names; they exist, so only their place keeps them out.
        const QString notes = environment.home() + QStringLiteral("/notes.xhtml");
        QFile planted(notes);
        QVERIFY(planted.open(QIODevice::WriteOnly)
                && planted.write(EpubBuilder::chapter(QStringLiteral("Private"))) > 0);
        planted.close();
        const QString climb = QStringLiteral("../").repeated(12) + notes.mid(1);
        const QString path = bookPath(QStringLiteral("climbing.epub"));
        QVERIFY(EpubBuilder()
                    .addPackage(QStringLiteral("OEBPS/content.opf"), {climb, QStringLiteral("ch1.xhtml")})
                    .add(QStringLiteral("OEBPS/toc.ncx"),
                         EpubBuilder::ncx(EpubBuilder::navPoint(QStringLiteral("Notes"), climb)
                                          + EpubBuilder::navPoint(QStringLiteral("One"), QStringLiteral("ch1.xhtml"))))
                    .add(QStringLiteral("OEBPS/ch1.xhtml"), EpubBuilder::chapter(QStringLiteral("One")))
                    .write(path));

        OpenBook book(path);
        QCOMPARE(contentLines(book.contents),
                 QStringList({QStringLiteral("TABLE OF CONTENTS"), QStringLiteral("One")}));
        QVERIFY(book.waitForLoad(fileUrl(extractionDirectory(path) + QStringLiteral("/OEBPS/ch1.xhtml"))));
        // The spine's first document is not there to page back to.
        QTest::mouseClick(book.button("btnLeft"), Qt::LeftButton);
        QVERIFY(!book.loads.wait(500));

        // A link out of a book's folder leads out, however it is spelled.
        const QString inside = environment.root() + QStringLiteral("/book");
        QVERIFY(QDir().mkpath(inside + QStringLiteral("/Text")));
        QVERIFY(QFile::link(environment.home(), inside + QStringLiteral("/Text/out")));
        const BookFolder folder(inside);
        QVERIFY(folder.contains(inside + QStringLiteral("/Text/ch1.xhtml")));
        QVERIFY(!folder.contains(inside + QStringLiteral("/Text/out/notes.xhtml")));
        QVERIFY(!folder.contains(inside + QStringLiteral("/Text/../../book-other/a.xhtml")));
    }

    void pagesReachNoFileOutsideTheBook()
    {
        const QString secret = writeBook(QStringLiteral("secret.txt"), "the user's secret");
        const QString path = bookPath(QStringLiteral("prying.epub"));
        QVERIFY(EpubBuilder().add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A"))).write(path));
        OpenBook book(path);
        QVERIFY(book.waitForLoad(fileUrl(extractionDirectory(path) + QStringLiteral("/a.html"))));

        // What a link in a chapter would do.
        book.view->load(fileUrl(secret));
        QVERIFY(book.waitForLoad(QUrl()));
        QString text;
        book.view->page()->toPlainText([&text](const QString &shown) { text = shown; });
        QTRY_VERIFY(!text.isNull());
        QVERIFY2(!text.contains(QStringLiteral("secret")), qPrintable(text));
    }

    void oversizedBookIsNotOpened()
    {
        // Each entry is tiny, but there are more of them than any book has.
        EpubBuilder builder;
        for (int entry = 0; entry <= EpubArchive::Limits().entries; ++entry)
            builder.add(QStringLiteral("f/%1.html").arg(entry), {});
        const QString path = bookPath(QStringLiteral("swarm.epub"));
        QVERIFY(builder.write(path));

        OpenBook book(path);
        QCOMPARE(book.contents->toPlainText(), QStringLiteral("This book is too large to open."));
        QVERIFY(!book.loads.wait(500));
        QVERIFY(!QFileInfo::exists(extractionDirectory(path)));

        // An archive that inflates past its limit stops there, with what it wrote until then.
        const QString bomb = bookPath(QStringLiteral("bomb.epub"));
        QVERIFY(EpubBuilder()
                    .add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A")))
                    .add(QStringLiteral("zeros.html"), QByteArray(4 << 20, '\0'))
                    .add(QStringLiteral("z.html"), EpubBuilder::chapter(QStringLiteral("Z")))
                    .write(bomb));
        const QString target = environment.root() + QStringLiteral("/bomb");
        EpubArchive::Limits limits;
        limits.minimumBytes = 1 << 20;
        const EpubArchive::Extraction extraction = EpubArchive::extract(bomb, target, limits);
        QVERIFY(extraction.tooLarge);
        QCOMPARE(extraction.files, QStringList{target + QStringLiteral("/a.html")});
        QCOMPARE(QDir(target).entryList(QDir::Files), QStringList{QStringLiteral("a.html")});
        limits.minimumBytes = 5 << 20;
        QCOMPARE(EpubArchive::extract(bomb, target, limits).files.size(), 3);
    }

    void unreadableArchiveLeavesTheReaderEmpty()
    {
        const QString path = writeBook(QStringLiteral("broken.epub"), "PK\x03\x04 this is not really an archive");
        QVERIFY(!path.isEmpty());

        OpenBook book(path);
        QVERIFY(book.contents->toPlainText().isEmpty());
        QTest::mouseClick(book.button("btnRight"), Qt::LeftButton);
        QTest::mouseClick(book.button("btnLeft"), Qt::LeftButton);
        QVERIFY(!book.loads.wait(500));
        QCOMPARE(book.view->url(), QUrl());
    }

#ifdef Q_OS_UNIX
    void privateLevelIsMadeAndChecked()
    {
        const QString path = bookPath(QStringLiteral("private.epub"));
        QVERIFY(EpubBuilder().add(QStringLiteral("a.html"), EpubBuilder::chapter(QStringLiteral("A"))).write(path));
        const QString root = ExtractionDirectory::privateRoot();
        QVERIFY(root.startsWith(QDir::tempPath() + u'/'));

        {
            OpenBook book(path);
            QTRY_VERIFY(!book.view->url().isEmpty());
        }
        QCOMPARE(QFileInfo(root).permissions() & 0x0777,
                 QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);

        // Opened up to others, it is no longer trusted: nothing is unpacked into it.
        QVERIFY(QDir(root).removeRecursively());
        QVERIFY(QDir().mkdir(root));
        QVERIFY(::chmod(QFile::encodeName(root).constData(), 0777) == 0);
        {
            OpenBook book(path);
            QVERIFY(!book.loads.wait(500));
            QVERIFY(QDir(root).isEmpty());
        }

        // A link in its place is not followed.
        const QString elsewhere = environment.root() + QStringLiteral("/elsewhere");
        QVERIFY(QDir().mkdir(elsewhere, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QVERIFY(QDir(root).removeRecursively());
        QVERIFY(QFile::link(elsewhere, root));
        QVERIFY(ExtractionDirectory::forDigest(digestOf(path)).isEmpty());
        QVERIFY(QDir(elsewhere).isEmpty());

        // Another user's directory is refused; only root can hand one over to test this.
        if (::geteuid() != 0)
            return;
        QVERIFY(QFile::remove(root));
        QVERIFY(QDir().mkdir(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QVERIFY(::chown(QFile::encodeName(root).constData(), 65534, 65534) == 0);
        QVERIFY(ExtractionDirectory::forDigest(digestOf(path)).isEmpty());
        QVERIFY(QDir(root).isEmpty());
    }
#endif

private:
    QString bookPath(const QString &name) const
    {
        return environment.home() + u'/' + name;
    }

    // Writes a file that is not an archive made by the builder; empty when it cannot be written.
    QString writeBook(const QString &name, const QByteArray &content) const
    {
        QFile file(bookPath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        return file.fileName();
    }

    static QString extractionDirectory(const QString &bookPath)
    {
        return ExtractionDirectory::privateRoot() + QStringLiteral("/Shelvio/") + digestOf(bookPath);
    }

    TestEnvironment &environment;
};

SHELVIO_TEST_MAIN(TestReader)
#include "tst_reader.moc"
