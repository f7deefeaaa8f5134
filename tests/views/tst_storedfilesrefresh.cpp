#include "model/book.h"
#include "model/books.h"
#include "model/file.h"
#include "model/filelist.h"
#include "model/records.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "views/storedfilesrefresh.h"

#include <QTest>

class TestStoredFilesRefresh : public QObject
{
    Q_OBJECT

public:
    explicit TestStoredFilesRefresh(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void filesAreReadAfterTheLoadOrWhenAskedFor();

private:
    TestEnvironment &environment;
};

void TestStoredFilesRefresh::filesAreReadAfterTheLoadOrWhenAskedFor()
{
    const TestLibrary library(environment);
    const QByteArray grown = "%PDF-1.4 grown on disk since it was stored";
    for (const QString &name : {QStringLiteral("waiting"), QStringLiteral("asked"), QStringLiteral("same")}) {
        Book book(nullptr, 0);
        book.setTitle(name);
        book.addFile(library.writeFile(QStringLiteral("books/%1.pdf").arg(name), "%PDF-1.4 " + name.toUtf8()));
        QVERIFY(book.save());
    }
    // A digest that holds for as long as the file is unchanged.
    QVERIFY(TestLibrary::exec(QStringLiteral("UPDATE files SET fileMd5 = 'stored', updated = 4000000000")));
    library.writeFile(QStringLiteral("books/waiting.pdf"), grown);
    library.writeFile(QStringLiteral("books/asked.pdf"), grown);

    const Books all(nullptr, QStringLiteral("Books"), 0);
    QCOMPARE(all.getBooks().size(), 3);
    Book *waiting = all.getBooks().at(0);
    Book *asked = all.getBooks().at(1);
    Book *same = all.getBooks().at(2);
    // Loaded as stored: the disk has not been read yet.
    const File *waitingFile = waiting->getFiles()->first();
    QVERIFY(waitingFile->isRefreshPending());
    QCOMPARE(waitingFile->knownSize(), qint64(QByteArray("%PDF-1.4 waiting").size()));

    // What asks for a file reads it at once: the disk's size, and the stored digest no longer holds.
    const File *askedFile = asked->getFiles()->first();
    QCOMPARE(askedFile->getFileSize(), qint64(grown.size()));
    QVERIFY(!askedFile->hasDigest());

    // The worker brings the rest and tells the records whose files changed.
    StoredFilesRefresh refresh;
    QList<Item *> changed;
    for (Book *book : all.getBooks())
        connect(book, &Item::changed, this, [&changed](Item *record) { changed.append(record); });
    refresh.refresh({Records::find(waiting->getIid()), Records::find(asked->getIid()), Records::find(same->getIid())});
    QTRY_VERIFY(!waitingFile->isRefreshPending() && !same->getFiles()->first()->isRefreshPending());
    QCOMPARE(waitingFile->knownSize(), qint64(grown.size()));
    QCOMPARE(changed, QList<Item *>{waiting});
    QVERIFY(same->getFiles()->first()->hasDigest());
}

SHELVIO_TEST_MAIN(TestStoredFilesRefresh)

#include "tst_storedfilesrefresh.moc"
