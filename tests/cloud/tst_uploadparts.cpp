#include "cloud/cloudrequest.h"
#include "cloud/multipartfilebody.h"
#include "cloud/transferspeed.h"
#include "tests/support/testmain.h"

#include <QFile>
#include <QTest>
#include <QUrlQuery>

// The pieces of an upload that need no service: addresses, the streamed body and the speed text.
class TestUploadParts : public QObject
{
    Q_OBJECT

public:
    explicit TestUploadParts(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void speedTextThresholds_data()
    {
        QTest::addColumn<qint64>("speed");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << qint64(1023) << QStringLiteral("1023bytes/sec");
        QTest::newRow("kilobytes") << qint64(1024) << QStringLiteral("1kB/s");
        QTest::newRow("below a megabyte") << qint64(1048575) << QStringLiteral("1023kB/s");
        QTest::newRow("megabytes") << qint64(1048576) << QStringLiteral("1MB/s");
        QTest::newRow("nothing yet") << qint64(0) << QStringLiteral("0bytes/sec");
    }

    void speedTextThresholds()
    {
        QFETCH(qint64, speed);
        QFETCH(QString, text);
        QCOMPARE(TransferSpeed::text(speed), text);
    }

    void speedIsBytesPerSecondTruncated()
    {
        QCOMPARE(TransferSpeed::bytesPerSecond(1500, 1000), 1500);
        QCOMPARE(TransferSpeed::bytesPerSecond(999, 2000), 499);
        // No time has passed yet: the bytes count as sent within a millisecond.
        QCOMPARE(TransferSpeed::bytesPerSecond(10, 0), 10000);
    }

    void queryValuesAreEncoded()
    {
        const QUrl url = CloudRequest::url(QStringLiteral("http://127.0.0.1:8470/"), QStringLiteral("upload/token/"),
                                           {{QStringLiteral("username"), QStringLiteral("ann")},
                                            {QStringLiteral("password"), QStringLiteral("a&b+c #d=e")}});
        QCOMPARE(url.path(), QStringLiteral("/upload/token/"));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(query.queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded), QStringLiteral("a&b+c #d=e"));
        QVERIFY(url.fragment().isEmpty());
    }

    void bodyStreamsTheFileBetweenItsParts()
    {
        const QString path = environment.home() + QStringLiteral("/my \"best\"\nbook.pdf");
        QByteArray content;
        for (int index = 0; index < 70000; ++index)
            content.append(char(index * 7));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        MultipartFileBody body(path, nullptr);
        QVERIFY(body.open());
        QVERIFY(body.isSequential());
        const QByteArray boundary = "-----------------------------7d935033608e2";
        QCOMPARE(MultipartFileBody::Boundary, boundary);
        QCOMPARE(MultipartFileBody::contentType(), "multipart/form-data; boundary=" + boundary);
        const QByteArray expected = "\r\n--" + boundary + "\r\n"
            + "Content-Disposition: form-data; name=\"file\"; filename=\"" + environment.home().toUtf8()
            + "/my %22best%22%0Abook.pdf\"\r\n" + "Content-Type: application/binary\r\n\r\n" + content + "\r\n--"
            + boundary + "--\r\n" + "Content-Disposition: form-data; name=\"check\"\r\n \r\nSome text\r\n--" + boundary
            + "--\r\n";
        QCOMPARE(body.size(), qint64(expected.size()));
        QCOMPARE(body.bytesAvailable(), qint64(expected.size()));

        // Read in odd pieces, as a network stack would.
        QByteArray streamed;
        while (!body.atEnd()) {
            const QByteArray piece = body.read(4093);
            QVERIFY(!piece.isEmpty());
            streamed += piece;
        }
        QCOMPARE(streamed.size(), expected.size());
        QVERIFY(streamed == expected);
        QCOMPARE(body.bytesAvailable(), 0);

        QVERIFY(!MultipartFileBody(environment.home() + QStringLiteral("/missing.pdf"), nullptr).open());
    }

    void fileThatGrowsWhileSentBreaksTheBodyOff()
    {
        const QString path = environment.home() + QStringLiteral("/growing.pdf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Larger than what a read takes in ahead.
        QVERIFY(file.write(QByteArray(1 << 20, 'a')) == 1 << 20);
        file.flush();

        MultipartFileBody body(path, nullptr);
        QVERIFY(body.open());
        const qint64 announced = body.size();
        QVERIFY(!body.read(5000).isEmpty());
        // Grown after the size was announced: the body must not send more, nor pass the rest off as whole.
        QVERIFY(file.write(QByteArray(500, 'b')) == 500);
        file.close();
        QByteArray rest;
        while (!body.atEnd()) {
            const QByteArray piece = body.read(4096);
            if (piece.isEmpty())
                break;
            rest += piece;
        }
        QVERIFY(body.changedWhileRead());
        QVERIFY(5000 + rest.size() < announced);
    }

private:
    TestEnvironment &environment;
};

SHELVIO_TEST_MAIN(TestUploadParts)
#include "tst_uploadparts.moc"
