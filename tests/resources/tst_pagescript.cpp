#include "tests/support/testmain.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>

#include <memory>
#include <optional>

namespace {

const char Page[] = R"(<html><body>
<div id="outer"><p id="first">one</p><p id="second">two <span id="inner">x</span></p></div>
<a id="link" href="#elsewhere">a link</a>
<script>window.pageClicks = 0; document.getElementById('outer').onclick = function () { window.pageClicks++; };</script>
</body></html>)";

QString pageScript()
{
    QFile file(QStringLiteral(":/javascript/hilight.js"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestPageScript : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void elementUnderTheMouseAloneIsOutlined();
    void clickKeepsOnlyTheClickedElement();
    void runningTwiceInstallsOneSetOfHandlers();

private:
    // Runs JavaScript in the page and waits for its result.
    QVariant evaluate(const QString &script);
    QString border(const char *id);
    void hover(const char *id);
    void leave(const char *id);
    void click(const char *id);

    std::unique_ptr<QWebEnginePage> page;
};

void TestPageScript::init()
{
    page = std::make_unique<QWebEnginePage>();
    QSignalSpy loaded(page.get(), &QWebEnginePage::loadFinished);
    page->setHtml(QString::fromUtf8(Page), QUrl(QStringLiteral("http://127.0.0.1/")));
    QVERIFY(loaded.wait(20000));
    QCOMPARE(loaded.first().first().toBool(), true);
    const QString script = pageScript();
    QVERIFY(!script.isEmpty());
    evaluate(script);
}

void TestPageScript::cleanup()
{
    page.reset();
}

QVariant TestPageScript::evaluate(const QString &script)
{
    std::optional<QVariant> result;
    page->runJavaScript(script, [&result](const QVariant &value) { result = value; });
    if (!QTest::qWaitFor([&result] { return result.has_value(); }, 10000))
        qWarning("JavaScript did not answer: %s", qPrintable(script.left(80)));
    return result.value_or(QVariant());
}

QString TestPageScript::border(const char *id)
{
    return evaluate(QStringLiteral("document.getElementById('%1').style.border").arg(QLatin1String(id))).toString();
}

void TestPageScript::hover(const char *id)
{
    evaluate(QStringLiteral("document.getElementById('%1').dispatchEvent(new MouseEvent('mouseover', "
                            "{bubbles: true}))")
                 .arg(QLatin1String(id)));
}

void TestPageScript::leave(const char *id)
{
    evaluate(QStringLiteral("document.getElementById('%1').dispatchEvent(new MouseEvent('mouseout', "
                            "{bubbles: true}))")
                 .arg(QLatin1String(id)));
}

void TestPageScript::click(const char *id)
{
    evaluate(QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(id)));
}

void TestPageScript::elementUnderTheMouseAloneIsOutlined()
{
    hover("outer");
    QCOMPARE(border("outer"), QStringLiteral("2px solid red"));

    hover("second");
    QCOMPARE(border("second"), QStringLiteral("2px solid red"));
    QCOMPARE(border("outer"), QStringLiteral("none"));
    QCOMPARE(border("first"), QStringLiteral("none"));

    hover("inner");
    QCOMPARE(border("inner"), QStringLiteral("2px solid red"));
    QCOMPARE(border("second"), QStringLiteral("none"));

    leave("inner");
    QCOMPARE(border("inner"), QStringLiteral("none"));
}

void TestPageScript::clickKeepsOnlyTheClickedElement()
{
    hover("second");
    click("second");
    QCOMPARE(evaluate(QStringLiteral("document.body.children.length")).toInt(), 1);
    QCOMPARE(evaluate(QStringLiteral("document.body.firstElementChild.id")).toString(), QStringLiteral("second"));
    QCOMPARE(border("second"), QStringLiteral("none"));
    QCOMPARE(evaluate(QStringLiteral("window.pageClicks")).toInt(), 0);

    // Once an element is chosen the page is left alone.
    hover("inner");
    QVERIFY(border("inner") != QLatin1String("2px solid red"));
    click("inner");
    QCOMPARE(evaluate(QStringLiteral("document.body.firstElementChild.id")).toString(), QStringLiteral("second"));
}

void TestPageScript::runningTwiceInstallsOneSetOfHandlers()
{
    evaluate(pageScript());
    click("link");
    QCOMPARE(evaluate(QStringLiteral("document.body.children.length")).toInt(), 1);
    QCOMPARE(evaluate(QStringLiteral("location.hash")).toString(), QString());
}

SHELVIO_TEST_MAIN(TestPageScript)
#include "tst_pagescript.moc"
