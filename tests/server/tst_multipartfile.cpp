#include "server/multipartfile.h"
#include "tests/support/basetestmain.h"

#include <QTest>

namespace {

const QByteArray programBoundary = QByteArray(29, '-') + "7d935033608e2";

// The desktop program's upload body: the file part, a close delimiter, then a stray "check" part.
QByteArray programBody(const QByteArray &filePath, const QByteArray &content)
{
    return "\r\n--" + programBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + filePath
        + "\"\r\nContent-Type: application/binary\r\n\r\n" + content + "\r\n--" + programBoundary
        + "--\r\nContent-Disposition: form-data; name=\"check\"\r\n \r\nSome text\r\n--" + programBoundary + "--\r\n";
}

QByteArray part(const QByteArray &boundary, const QByteArray &headers, const QByteArray &content)
{
    return "--" + boundary + "\r\n" + headers + "\r\n\r\n" + content + "\r\n";
}

} // namespace

class TestMultipartFile : public QObject
{
    Q_OBJECT

private slots:
    void findsThePartNamedFile_data();
    void findsThePartNamedFile();
    void aRefusingSinkStopsTheParse();
    void readsTheBoundaryOfMultipartTypesOnly_data();
    void readsTheBoundaryOfMultipartTypesOnly();
};

void TestMultipartFile::findsThePartNamedFile_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray programType = "multipart/form-data; boundary=" + programBoundary;
    // Line breaks, dashes and a shortened boundary inside the content belong to the file.
    const QByteArray tricky = QByteArray("\r\n--\r\n\0\xff", 8) + "\r\n--" + programBoundary.left(20) + "\r\n\r\n";
    QTest::newRow("program layout") << programType << programBody("/books/a.pdf", "%PDF-1.4 bytes") << true
                                    << QByteArray("%PDF-1.4 bytes");
    QTest::newRow("program layout, escaped file name")
        << programType << programBody("/books/a%22b%0D%0Ac.pdf", tricky) << true << tricky;
    QTest::newRow("program layout, empty file")
        << programType << programBody("/books/empty.txt", "") << true << QByteArray();

    const QByteArray standardType = "multipart/form-data; boundary=------------------------d74496d66958873e";
    const QByteArray standard = "------------------------d74496d66958873e";
    QTest::newRow("standard, file first")
        << standardType
        << part(standard,
                "Content-Disposition: form-data; name=\"file\"; filename=\"a.epub\"\r\n"
                "Content-Type: application/octet-stream",
                tricky)
            + "--" + standard + "--\r\n"
        << true << tricky;
    QTest::newRow("standard, file after another part")
        << standardType
        << part(standard, "Content-Disposition: form-data; name=\"check\"", "text")
            + part(standard, "content-disposition: form-data; filename=\"x.txt\"; name=file", "second") + "--"
            + standard + "--\r\n"
        << true << QByteArray("second");
    QTest::newRow("standard, preamble and quoted boundary")
        << QByteArray("multipart/form-data; charset=utf-8; boundary=\"a b;c\"")
        << "ignored preamble\r\n" + part("a b;c", "Content-Disposition: form-data; name=\"file\"", "quoted")
            + "--a b;c--\r\n"
        << true << QByteArray("quoted");
    QTest::newRow("part without headers is skipped") << QByteArray("multipart/form-data; boundary=b")
                                                     << "--b\r\n\r\nanonymous\r\n"
            + part("b", "Content-Disposition: form-data; name=\"file\"", "named") + "--b--\r\n"
                                                     << true << QByteArray("named");

    QTest::newRow("no part named file")
        << standardType
        << part(standard, "Content-Disposition: form-data; filename=\"a; name=\\\"file\\\"\"; name=\"other\"", "other")
            + "--" + standard + "--\r\n"
        << false << QByteArray();
    QTest::newRow("unterminated part") << standardType
                                       << "--" + standard
            + "\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\ncut off"
                                       << false << QByteArray();
    QTest::newRow("not multipart") << QByteArray("application/json; boundary=x")
                                   << part("x", "Content-Disposition: form-data; name=\"file\"", "json") << false
                                   << QByteArray();
    QTest::newRow("other boundary") << QByteArray("multipart/form-data; boundary=y")
                                    << part("x", "Content-Disposition: form-data; name=\"file\"", "x") + "--x--\r\n"
                                    << false << QByteArray();
}

void TestMultipartFile::findsThePartNamedFile()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(bool, found);
    QFETCH(QByteArray, bytes);

    // Whole, and in pieces that cut every delimiter and header somewhere.
    for (const qsizetype pieceSize : {body.size() + 1, qsizetype(1), qsizetype(7)}) {
        QByteArray received;
        MultipartFile file(contentType, [&received](QByteArrayView bytes) {
            received.append(bytes);
            return true;
        });
        for (qsizetype at = 0; at < body.size(); at += pieceSize)
            file.feed(QByteArrayView(body).sliced(at, qMin(pieceSize, body.size() - at)));
        QCOMPARE(file.isComplete(), found);
        if (found)
            QCOMPARE(received, bytes);
    }
}

void TestMultipartFile::aRefusingSinkStopsTheParse()
{
    const QByteArray type = "multipart/form-data; boundary=" + programBoundary;
    MultipartFile file(type, [](QByteArrayView) { return false; });
    QVERIFY(!file.feed(programBody("/a.pdf", QByteArray(100, 'x'))));
    QVERIFY(!file.isComplete());
    // A part head that never ends is not held without bound.
    MultipartFile endless(type, [](QByteArrayView) { return true; });
    QVERIFY(endless.feed("--" + programBoundary + "\r\nContent-Disposition: form-data; name=\"file\"\r\n"));
    QVERIFY(!endless.feed(QByteArray(64 * 1024, 'h')));
}

void TestMultipartFile::readsTheBoundaryOfMultipartTypesOnly_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("boundary");

    QTest::newRow("program") << "multipart/form-data; boundary=" + programBoundary << programBoundary;
    QTest::newRow("upper-case type") << QByteArray("Multipart/Form-Data; BOUNDARY=abc") << QByteArray("abc");
    QTest::newRow("quoted") << QByteArray("multipart/form-data; boundary=\"a\\\"b\"") << QByteArray("a\"b");
    QTest::newRow("missing") << QByteArray("multipart/form-data") << QByteArray();
    QTest::newRow("other type") << QByteArray("text/plain; boundary=abc") << QByteArray();
    QTest::newRow("too long") << "multipart/form-data; boundary=" + QByteArray(71, 'x') << QByteArray();
}

void TestMultipartFile::readsTheBoundaryOfMultipartTypesOnly()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, boundary);

    QCOMPARE(MultipartFile::boundary(contentType), boundary);
}

SHELVIO_BASE_TEST_MAIN(TestMultipartFile)

#include "tst_multipartfile.moc"
