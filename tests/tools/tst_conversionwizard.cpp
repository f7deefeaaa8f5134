#include "core/settings.h"
#include "model/book.h"
#include "model/file.h"
#include "model/filelist.h"
#include "tests/support/dialogtesting.h"
#include "tests/support/filetesting.h"
#include "tests/support/libraryrows.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tests/tools/modaldriver.h"
#include "tools/configapps.h"
#include "tools/conversionwizard.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWizardPage>

#include <memory>
#include <optional>

namespace {

const QString RealConverter = QStringLiteral("/usr/bin/ebook-convert");
const QString LocatePreferences = QStringLiteral("Calibre can be located in Preferences, on the Apps page.");

// Stands in for Calibre's converter: notes how it was run, writes the output file named by its second
// argument, and writes to both channels; the text after a NUL byte is not meant to be shown.
const QByteArray StandInConverter = R"(#!/bin/sh
dir=$(dirname "$0")
printf '%s\n' "$@" > "$dir/arguments"
pwd > "$dir/workdir"
echo "Converting $1"
echo "stand-in warning" >&2
printf 'EPUB made from %s' "$1" > "$2"
printf 'Output saved to %s\000hidden after NUL\n' "$2"
)";

// Notes how it was run, writes part of a book and then ends as the given line makes it.
QByteArray failingConverter(const QByteArray &ending)
{
    return R"(#!/bin/sh
dir=$(dirname "$0")
printf '%s\n' "$@" > "$dir/arguments"
echo "Converting $1"
printf 'PK partial' > "$2"
echo "Conversion error: the input is damaged" >&2
)" + ending
        + "\n";
}

// Runs until it is ended, after noting that it was started.
const QByteArray EndlessConverter = R"(#!/bin/sh
dir=$(dirname "$0")
printf '%s\n' "$@" > "$dir/arguments"
exec sleep 600
)";

QAbstractButton *buttonOf(const QWizard &wizard, QWizard::WizardButton which)
{
    return wizard.button(which);
}

void press(QWizard &wizard, QWizard::WizardButton which)
{
    QAbstractButton *button = buttonOf(wizard, which);
    QVERIFY(button->isVisible());
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

// The wizard is the window in front, shown modally by convert() or by itself from the tool bar.
ModalDriver::Ready onPage(QWizard &wizard, int id)
{
    return [&wizard, id](QWidget *widget) {
        return (widget == &wizard || (!widget && wizard.isVisible())) && wizard.currentId() == id;
    };
}

// On the output page, with Next enabled again: the converter has ended.
ModalDriver::Ready runEnded(QWizard &wizard)
{
    return [&wizard](QWidget *widget) {
        return onPage(wizard, ConversionWizard::OutputPage)(widget)
            && buttonOf(wizard, QWizard::NextButton)->isEnabled();
    };
}

QString outputShown(const QWizard &wizard)
{
    return DialogTesting::child<QPlainTextEdit>(wizard, "plainTextEdit")->toPlainText();
}

struct Buttons
{
    bool next = false;
    bool back = false;
};

Buttons buttonsOf(const QWizard &wizard)
{
    return {buttonOf(wizard, QWizard::NextButton)->isEnabled(), buttonOf(wizard, QWizard::BackButton)->isEnabled()};
}

QList<QStringList> fileRows()
{
    return LibraryRows::asText(QStringLiteral("SELECT fileName, filePath, fileType, iid FROM files ORDER BY fid"));
}

QStringList fileRow(const QString &path, int iid)
{
    const QFileInfo info(path);
    return {info.fileName(), path, info.suffix().toLower(), QString::number(iid)};
}

} // namespace

// Converting a book's PDF to EPUB with a stand-in for Calibre's converter (and with Debian's Calibre when
// it is installed), the EPUB then added to the book; and what the wizard says when it cannot convert.
class TestConversionWizard : public QObject
{
    Q_OBJECT

public:
    explicit TestConversionWizard(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void formShowsThreePages();
    void outputPathReplacesOnlyThePdfSuffix_data();
    void outputPathReplacesOnlyThePdfSuffix();
    void convertsAPdfAndAddsTheEpub_data();
    void convertsAPdfAndAddsTheEpub();
    void onlyStandardOutputIsShown();
    void onlyPdfFilesAreConverted_data();
    void onlyPdfFilesAreConverted();
    void converterThatCannotStartIsReported_data();
    void converterThatCannotStartIsReported();
    void calibreLocatedLaterIsUsedByTheSameWizard();
    void itemWithoutFilesIsReported();
    void unreadableFileIsReported();
    void noBookChosenConvertsNothing();
    void existingEpubIsReplacedOnlyWhenAllowed_data();
    void existingEpubIsReplacedOnlyWhenAllowed();
    void failedRunAttachesNothing_data();
    void failedRunAttachesNothing();
    void secondConversionKeepsOneRowForTheEpub();
    void cancelEndsTheConverter();
    void realCalibreConvertsAPdf();

private:
    QString calibreDir() const { return environment.home() + QStringLiteral("/calibre"); }
    ConfigApps::Locations locations() const;
    // The converter and Calibre's main program, as ConfigApps looks for them.
    void installConverter(const QByteArray &script, bool executable = true) const;
    // A stored book with the given files below HOME; the file contents are their names.
    std::shared_ptr<Book> storeBook(const QStringList &files);
    QString bookPath(const QString &relative) const { return environment.home() + u'/' + relative; }
    // The whole conversion as a user clicks through it: Next, wait for the converter, Next, Finish; with an
    // answer, the question about an existing EPUB is answered with it on the way.
    void clickThrough(ConversionWizard &wizard, ModalDriver &driver,
                      std::optional<QMessageBox::StandardButton> answer = std::nullopt);
    // A conversion the wizard refuses: Next, the messages answered in turn, then the output page is looked at
    // and left, by Back and Cancel on the format page or by Cancel alone.
    enum class Leave { Back, Cancel };
    void refuse(ConversionWizard &wizard, ModalDriver &driver, Leave leave,
                const QList<QMessageBox::StandardButton> &answers = {QMessageBox::Ok});
    // What every refusal comes to, once the driver took every step: one message and nothing else, Back but not Next, no
    // converter run and no change to the book.
    void verifyRefused(const ModalDriver &driver, const QSignalSpy &changed) const;
    bool converterRan() const { return QFileInfo::exists(calibreDir() + QStringLiteral("/arguments")); }

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    // What clickThrough saw.
    Buttons whileRunning;
    Buttons afterRun;
    QString shownAfterRun;
    QString doneText;
    // What refuse saw on the output page.
    Buttons refused;
    QString shownRefused;
};

void TestConversionWizard::init()
{
    library = std::make_unique<TestLibrary>(environment);
    QVERIFY(QDir().mkpath(calibreDir()));
    whileRunning = {};
    afterRun = {};
    shownAfterRun.clear();
    doneText.clear();
    refused = {};
    shownRefused.clear();
}

void TestConversionWizard::cleanup()
{
    DialogTesting::closeModalWindows();
    library.reset();
}

ConfigApps::Locations TestConversionWizard::locations() const
{
    return {{calibreDir()}, calibreDir(), {}, calibreDir()};
}

void TestConversionWizard::installConverter(const QByteArray &script, bool executable) const
{
    const QString dir = calibreDir();
    for (const QString &name : {ConfigApps::converterFileName(), ConfigApps::calibreFileName()}) {
        QFile file(dir + u'/' + name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(script) != script.size())
            qFatal("Cannot write %s", qPrintable(file.fileName()));
        file.close();
        QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        if (executable)
            permissions |= QFileDevice::ExeOwner;
        if (!file.setPermissions(permissions))
            qFatal("Cannot make %s executable", qPrintable(file.fileName()));
    }
}

std::shared_ptr<Book> TestConversionWizard::storeBook(const QStringList &files)
{
    auto book = std::make_unique<Book>(nullptr, -1);
    book->setTitle(QStringLiteral("Dune"));
    for (const QString &file : files)
        book->addFile(library->writeFile(file, file.toUtf8()));
    if (!book->save())
        qFatal("The book could not be stored");
    return book;
}

void TestConversionWizard::clickThrough(ConversionWizard &wizard, ModalDriver &driver,
                                        std::optional<QMessageBox::StandardButton> answer)
{
    driver.when(onPage(wizard, ConversionWizard::FormatPage), [this, &wizard](QWidget *) {
        press(wizard, QWizard::NextButton);
        whileRunning = buttonsOf(wizard);
    });
    if (answer)
        driver.answerBox(*answer);
    driver.when(runEnded(wizard), [this, &wizard](QWidget *) {
        afterRun = buttonsOf(wizard);
        shownAfterRun = outputShown(wizard);
        press(wizard, QWizard::NextButton);
    });
    driver.when(onPage(wizard, ConversionWizard::DonePage), [this, &wizard](QWidget *) {
        doneText = DialogTesting::child<QLabel>(*wizard.page(ConversionWizard::DonePage), "label_3")->text();
        afterRun.back = afterRun.back || buttonOf(wizard, QWizard::BackButton)->isEnabled();
        press(wizard, QWizard::FinishButton);
    });
}

void TestConversionWizard::refuse(ConversionWizard &wizard, ModalDriver &driver, Leave leave,
                                  const QList<QMessageBox::StandardButton> &answers)
{
    driver.when(onPage(wizard, ConversionWizard::FormatPage),
                [&wizard](QWidget *) { press(wizard, QWizard::NextButton); });
    for (QMessageBox::StandardButton answer : answers)
        driver.answerBox(answer);
    driver.when(onPage(wizard, ConversionWizard::OutputPage), [this, &wizard, leave](QWidget *) {
        refused = buttonsOf(wizard);
        shownRefused = outputShown(wizard);
        press(wizard, leave == Leave::Back ? QWizard::BackButton : QWizard::CancelButton);
    });
    if (leave == Leave::Back) {
        driver.when(onPage(wizard, ConversionWizard::FormatPage),
                    [&wizard](QWidget *) { press(wizard, QWizard::CancelButton); });
    }
}

void TestConversionWizard::verifyRefused(const ModalDriver &driver, const QSignalSpy &changed) const
{
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, QStringList());
    QCOMPARE(driver.boxes.size(), 1);
    QCOMPARE(refused.next, false);
    QCOMPARE(refused.back, true);
    QVERIFY(!converterRan());
    QCOMPARE(changed.count(), 0);
}

void TestConversionWizard::formShowsThreePages()
{
    ConversionWizard wizard(nullptr, locations());
    QCOMPARE(wizard.windowTitle(), QStringLiteral("Conversion Wizard"));
    QCOMPARE(wizard.pageIds(), (QList<int>{0, 1, 2}));
    QCOMPARE(wizard.page(0)->objectName(), QStringLiteral("wizardPage1"));
    QCOMPARE(wizard.page(1)->objectName(), QStringLiteral("wizardPage"));
    QCOMPARE(wizard.page(2)->objectName(), QStringLiteral("wizardPage2"));
    QCOMPARE(wizard.page(0)->title(), QStringLiteral("Book Conversion"));
    QCOMPARE(wizard.page(0)->subTitle(), QStringLiteral("Automated conversion from one format into another."));
    QCOMPARE(DialogTesting::child<QLabel>(*wizard.page(0), "label")->text(), QStringLiteral("Input Format"));
    QCOMPARE(DialogTesting::child<QLabel>(*wizard.page(0), "label_2")->text(), QStringLiteral("Output Format"));
    const auto *input = DialogTesting::child<QComboBox>(*wizard.page(0), "comboBox");
    QCOMPARE(input->count(), 1);
    QCOMPARE(input->itemText(0), QStringLiteral("PDF"));
    const auto *output = DialogTesting::child<QComboBox>(*wizard.page(0), "comboBox_2");
    QCOMPARE(output->count(), 1);
    QCOMPARE(output->itemText(0), QStringLiteral("EPub"));
    QVERIFY(wizard.page(1)->isAncestorOf(DialogTesting::child<QPlainTextEdit>(wizard, "plainTextEdit")));
    QCOMPARE(wizard.page(2)->title(), QStringLiteral("Conversion Successful"));
    QCOMPARE(DialogTesting::child<QLabel>(*wizard.page(2), "label_3")->text(),
             QStringLiteral("File was successfully converted to the target format."));
}

void TestConversionWizard::outputPathReplacesOnlyThePdfSuffix_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("lower case") << "/books/a.pdf"
                                << "/books/a.epub";
    QTest::newRow("upper case") << "/books/A.PDF"
                                << "/books/A.epub";
    QTest::newRow("mixed case") << "/books/a.Pdf"
                                << "/books/a.epub";
    QTest::newRow(".pdf in a folder name") << "/books/my.pdfs/a.pdf"
                                           << "/books/my.pdfs/a.epub";
    QTest::newRow(".pdf twice") << "/books/a.pdf.pdf"
                                << "/books/a.pdf.epub";
    QTest::newRow("EPUB") << "/books/a.epub" << QString();
    QTest::newRow(".pdf inside the name") << "/books/a.pdf.txt" << QString();
    QTest::newRow("no suffix") << "/books/pdf" << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestConversionWizard::outputPathReplacesOnlyThePdfSuffix()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QCOMPARE(ConversionWizard::outputPathFor(input), output);
}

void TestConversionWizard::convertsAPdfAndAddsTheEpub_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("lower-case suffix") << "books/Dune.pdf"
                                       << "books/Dune.epub";
    QTest::newRow("upper-case suffix") << "books/Dune.PDF"
                                       << "books/Dune.epub";
    QTest::newRow(".pdf in a folder name") << "books/my.pdfs/Dune.pdf"
                                           << "books/my.pdfs/Dune.epub";
}

void TestConversionWizard::convertsAPdfAndAddsTheEpub()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    installConverter(StandInConverter);
    std::shared_ptr<Book> book = storeBook({input});
    const QString inputPath = bookPath(input);
    const QString outputPath = bookPath(output);
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);

    ModalDriver driver;
    clickThrough(wizard, driver);
    wizard.convert({book});
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, QStringList());
    QCOMPARE(wizard.result(), int(QDialog::Accepted));

    // The converter ran once, in Calibre's directory, with the input and the output path.
    QCOMPARE(FileTesting::readFile(calibreDir() + QStringLiteral("/arguments")),
             (inputPath + u'\n' + outputPath + u'\n').toUtf8());
    QCOMPARE(FileTesting::canonical(
                 QString::fromUtf8(FileTesting::readFile(calibreDir() + QStringLiteral("/workdir"))).trimmed()),
             FileTesting::canonical(calibreDir()));
    QCOMPARE(FileTesting::readFile(outputPath), QByteArray("EPUB made from ") + inputPath.toUtf8());
    QCOMPARE(FileTesting::readFile(inputPath), input.toUtf8());
    QVERIFY(!QFileInfo::exists(environment.home() + QStringLiteral("/books/my.epubs")));

    // Next and Back while the converter ran; Next only after it had ended, and Back never again.
    QCOMPARE(whileRunning.next, false);
    QCOMPARE(whileRunning.back, false);
    QCOMPARE(afterRun.next, true);
    QCOMPARE(afterRun.back, false);
    QCOMPARE(doneText, QStringLiteral("File was successfully converted to the target format."));

    const int iid = book->getIid();
    QCOMPARE(fileRows(), (QList<QStringList>{fileRow(inputPath, iid), fileRow(outputPath, iid)}));
    QCOMPARE(Book(nullptr, iid).getFiles()->paths(), (QStringList{inputPath, outputPath}));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(qvariant_cast<Item *>(changed.first().first()), static_cast<Item *>(book.get()));
    QCOMPARE(wizard.currentId(), int(ConversionWizard::FormatPage));
}

void TestConversionWizard::onlyStandardOutputIsShown()
{
    installConverter(StandInConverter);
    std::shared_ptr<Book> book = storeBook({QStringLiteral("books/Dune.pdf")});
    ConversionWizard wizard(nullptr, locations());

    ModalDriver driver;
    clickThrough(wizard, driver);
    wizard.convert({book});
    QVERIFY(driver.finished());
    QCOMPARE(shownAfterRun,
             QStringLiteral("Converting %1\nOutput saved to %2")
                 .arg(bookPath(QStringLiteral("books/Dune.pdf")), bookPath(QStringLiteral("books/Dune.epub"))));
}

void TestConversionWizard::onlyPdfFilesAreConverted_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("EPUB") << "books/Dune.epub";
    QTest::newRow(".pdf inside the name") << "books/Dune.pdf.txt";
    QTest::newRow("no suffix") << "books/Dune";
}

void TestConversionWizard::onlyPdfFilesAreConverted()
{
    QFETCH(QString, file);
    installConverter(StandInConverter);
    std::shared_ptr<Book> book = storeBook({file, QStringLiteral("books/Other.pdf")});
    const QList<QStringList> rowsBefore = fileRows();
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);

    ModalDriver driver;
    refuse(wizard, driver, Leave::Back);
    wizard.convert({book});
    verifyRefused(driver, changed);
    if (QTest::currentTestFailed())
        return;

    const QString message = QStringLiteral("Only PDF files can be converted; %1 is not one.")
                                .arg(QDir::toNativeSeparators(bookPath(file)));
    QCOMPARE(driver.boxes.first().title, QStringLiteral("Not converted"));
    QCOMPARE(driver.boxes.first().text, message);
    QCOMPARE(shownRefused, message);
    QCOMPARE(FileTesting::readFile(bookPath(file)), file.toUtf8());
    QCOMPARE(fileRows(), rowsBefore);
    QCOMPARE(wizard.result(), int(QDialog::Rejected));
}

void TestConversionWizard::converterThatCannotStartIsReported_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("no Calibre") << "none";
    QTest::newRow("wrong path") << "wrong";
    QTest::newRow("not executable") << "noexec";
}

void TestConversionWizard::converterThatCannotStartIsReported()
{
    QFETCH(QString, situation);
    const QString dir = calibreDir();
    QString converter;
    if (situation == QLatin1String("wrong")) {
        converter = dir + QStringLiteral("/missing/ebook-convert");
        Settings settings;
        settings.setValue(Settings::CalibreDirPath, dir);
        settings.setValue(Settings::CalibreConvertorPath, converter);
    } else if (situation == QLatin1String("noexec")) {
        installConverter(StandInConverter, false);
        converter = dir + u'/' + ConfigApps::converterFileName();
    }
    std::shared_ptr<Book> book = storeBook({QStringLiteral("books/Dune.pdf")});
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);

    ModalDriver driver;
    refuse(wizard, driver, Leave::Back);
    wizard.convert({book});
    verifyRefused(driver, changed);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(driver.boxes.first().title, QStringLiteral("Not converted"));
    const QStringList lines = driver.boxes.first().text.split(u'\n');
    QCOMPARE(lines.size(), 2);
    if (converter.isEmpty()) {
        QCOMPARE(lines.first(),
                 QStringLiteral("Calibre's converter was not found, so the book could not be converted."));
    } else {
        const QString prefix
            = QStringLiteral("The converter %1 could not be started: ").arg(QDir::toNativeSeparators(converter));
        QVERIFY2(lines.first().startsWith(prefix), qPrintable(lines.first()));
        // The reason the system gave follows.
        QVERIFY2(lines.first().size() > prefix.size(), qPrintable(lines.first()));
    }
    QCOMPARE(lines.last(), LocatePreferences);
    QCOMPARE(fileRows().size(), 1);
    QVERIFY(!QFileInfo::exists(bookPath(QStringLiteral("books/Dune.epub"))));
}

void TestConversionWizard::calibreLocatedLaterIsUsedByTheSameWizard()
{
    std::shared_ptr<Book> book = storeBook({QStringLiteral("books/Dune.pdf")});
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);

    ModalDriver driver;
    driver.when(onPage(wizard, ConversionWizard::FormatPage),
                [&wizard](QWidget *) { press(wizard, QWizard::NextButton); });
    driver.answerBox();
    // Calibre is installed while the wizard waits; going back and on again runs it.
    driver.when(onPage(wizard, ConversionWizard::OutputPage), [this, &wizard](QWidget *) {
        installConverter(StandInConverter);
        press(wizard, QWizard::BackButton);
    });
    clickThrough(wizard, driver);
    wizard.convert({book});
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, QStringList());
    QCOMPARE(driver.boxes.size(), 1);
    QVERIFY(driver.boxes.first().text.endsWith(LocatePreferences));
    QVERIFY(converterRan());
    QCOMPARE(Settings().value(Settings::CalibreConvertorPath).toString(),
             calibreDir() + QDir::separator() + ConfigApps::converterFileName());
    QCOMPARE(fileRows().size(), 2);
    QCOMPARE(changed.count(), 1);
}

void TestConversionWizard::itemWithoutFilesIsReported()
{
    installConverter(StandInConverter);
    std::shared_ptr<Book> book = storeBook({});
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);

    ModalDriver driver;
    refuse(wizard, driver, Leave::Cancel);
    wizard.convert({book});
    verifyRefused(driver, changed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(driver.boxes.first().text, QStringLiteral("This book has no file to convert."));
    QCOMPARE(fileRows().size(), 0);
}

void TestConversionWizard::unreadableFileIsReported()
{
    installConverter(StandInConverter);
    const int iid = storeBook({QStringLiteral("books/Dune.pdf")})->getIid();
    QVERIFY(QFile::remove(bookPath(QStringLiteral("books/Dune.pdf"))));
    // As the views load it after the file went.
    const auto book = std::make_shared<Book>(nullptr, iid);
    ConversionWizard wizard(nullptr, locations());

    ModalDriver driver;
    refuse(wizard, driver, Leave::Cancel);
    wizard.convert({book});
    QVERIFY(driver.finished());
    QCOMPARE(driver.boxes.size(), 1);
    QCOMPARE(driver.boxes.first().text,
             QStringLiteral("The book's file %1 cannot be read.")
                 .arg(QDir::toNativeSeparators(bookPath(QStringLiteral("books/Dune.pdf")))));
    QVERIFY(!converterRan());
}

void TestConversionWizard::noBookChosenConvertsNothing()
{
    installConverter(StandInConverter);
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);
    // As the tool bar's Convert shows it, before any book was chosen.
    wizard.show();

    ModalDriver driver;
    refuse(wizard, driver, Leave::Cancel);
    QVERIFY(driver.waitUntilDone());
    QVERIFY(!wizard.isVisible());
    verifyRefused(driver, changed);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(driver.boxes.first().text,
             QStringLiteral("No book was chosen. Choose Convert on a book in the library to convert its file."));
}

void TestConversionWizard::existingEpubIsReplacedOnlyWhenAllowed_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("replaced") << true;
    QTest::newRow("kept") << false;
}

void TestConversionWizard::existingEpubIsReplacedOnlyWhenAllowed()
{
    QFETCH(bool, replace);
    installConverter(StandInConverter);
    std::shared_ptr<Book> book = storeBook({QStringLiteral("books/Dune.pdf")});
    const QString epub = library->writeFile(QStringLiteral("books/Dune.epub"), "the user's own EPUB");
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);

    ModalDriver driver;
    if (replace)
        clickThrough(wizard, driver, QMessageBox::Yes);
    else
        refuse(wizard, driver, Leave::Cancel, {QMessageBox::No, QMessageBox::Ok});
    wizard.convert({book});
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, QStringList());

    QVERIFY(driver.boxes.size() >= 1);
    QCOMPARE(driver.boxes.first().title, QStringLiteral("Conversion Wizard"));
    QCOMPARE(
        driver.boxes.first().text,
        QStringLiteral("%1 exists already. Replace it with the converted book?").arg(QDir::toNativeSeparators(epub)));
    const int iid = book->getIid();
    if (replace) {
        QCOMPARE(driver.boxes.size(), 1);
        QVERIFY(converterRan());
        QVERIFY(FileTesting::readFile(epub).startsWith("EPUB made from"));
        QCOMPARE(fileRows().size(), 2);
        QCOMPARE(changed.count(), 1);
    } else {
        QCOMPARE(driver.boxes.size(), 2);
        QCOMPARE(driver.boxes.last().text,
                 QStringLiteral("The book was not converted, and %1 was kept.").arg(QDir::toNativeSeparators(epub)));
        QCOMPARE(refused.next, false);
        QCOMPARE(refused.back, true);
        QVERIFY(!converterRan());
        QCOMPARE(FileTesting::readFile(epub), QByteArray("the user's own EPUB"));
        QCOMPARE(fileRows(), (QList<QStringList>{fileRow(bookPath(QStringLiteral("books/Dune.pdf")), iid)}));
        QCOMPARE(changed.count(), 0);
    }
}

void TestConversionWizard::failedRunAttachesNothing_data()
{
    QTest::addColumn<QByteArray>("converter");
    QTest::addColumn<bool>("earlierEpub");
    QTest::newRow("non-zero status") << failingConverter("exit 3") << false;
    QTest::newRow("crash") << failingConverter("kill -SEGV $$") << false;
    QTest::newRow("status 0, empty book") << QByteArray("#!/bin/sh\n: > \"$2\"\necho done\n") << false;
    QTest::newRow("replacing, non-zero status") << failingConverter("exit 1") << true;
}

void TestConversionWizard::failedRunAttachesNothing()
{
    QFETCH(QByteArray, converter);
    QFETCH(bool, earlierEpub);
    installConverter(converter);
    std::shared_ptr<Book> book = storeBook({QStringLiteral("books/Dune.pdf")});
    const QString epub = bookPath(QStringLiteral("books/Dune.epub"));
    if (earlierEpub)
        library->writeFile(QStringLiteral("books/Dune.epub"), "the user's own EPUB");
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);

    ModalDriver driver;
    QList<QMessageBox::StandardButton> answers{QMessageBox::Ok};
    if (earlierEpub)
        answers.prepend(QMessageBox::Yes);
    refuse(wizard, driver, Leave::Cancel, answers);
    wizard.convert({book});
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, QStringList());

    const ModalDriver::Seen &failure = driver.boxes.last();
    QCOMPARE(failure.title, QStringLiteral("Not converted"));
    QVERIFY2(failure.text.startsWith(QStringLiteral("Conversion failed\n")), qPrintable(failure.text));
    if (converter.contains("damaged"))
        QVERIFY2(failure.text.contains(QStringLiteral("the input is damaged")), qPrintable(failure.text));
    QCOMPARE(refused.next, false);
    QCOMPARE(refused.back, true);
    // Nothing partial stays or is attached; an earlier EPUB is back in its place.
    if (earlierEpub)
        QCOMPARE(FileTesting::readFile(epub), QByteArray("the user's own EPUB"));
    QCOMPARE(QDir(QFileInfo(epub).path()).entryList(QDir::Files),
             earlierEpub ? QStringList({QStringLiteral("Dune.epub"), QStringLiteral("Dune.pdf")})
                         : QStringList{QStringLiteral("Dune.pdf")});
    QCOMPARE(fileRows(), (QList<QStringList>{fileRow(bookPath(QStringLiteral("books/Dune.pdf")), book->getIid())}));
    QCOMPARE(changed.count(), 0);
}

void TestConversionWizard::secondConversionKeepsOneRowForTheEpub()
{
    installConverter(StandInConverter);
    std::shared_ptr<Book> book = storeBook({QStringLiteral("books/Dune.pdf")});
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);
    {
        ModalDriver driver;
        clickThrough(wizard, driver);
        wizard.convert({book});
        QVERIFY(driver.finished());
    }
    {
        ModalDriver driver;
        clickThrough(wizard, driver, QMessageBox::Yes);
        wizard.convert({book});
        QVERIFY(driver.finished());
        QCOMPARE(driver.unexpected, QStringList());
    }
    const int iid = book->getIid();
    QCOMPARE(fileRows(),
             (QList<QStringList>{fileRow(bookPath(QStringLiteral("books/Dune.pdf")), iid),
                                 fileRow(bookPath(QStringLiteral("books/Dune.epub")), iid)}));
    QCOMPARE(book->getFiles()->count(), 2);
    QCOMPARE(changed.count(), 2);
}

void TestConversionWizard::cancelEndsTheConverter()
{
    installConverter(EndlessConverter);
    std::shared_ptr<Book> book = storeBook({QStringLiteral("books/Dune.pdf")});
    ConversionWizard wizard(nullptr, locations());
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);
    {
        ModalDriver driver;
        driver.when(onPage(wizard, ConversionWizard::FormatPage),
                    [&wizard](QWidget *) { press(wizard, QWizard::NextButton); });
        driver.when([this](QWidget *) { return converterRan(); },
                    [&wizard](QWidget *) { press(wizard, QWizard::CancelButton); });
        wizard.convert({book});
        QVERIFY(driver.finished());
        QCOMPARE(driver.unexpected, QStringList());
    }
    QCOMPARE(wizard.result(), int(QDialog::Rejected));
    QCOMPARE(changed.count(), 0);

    // The ended converter leaves the wizard free for the next run.
    installConverter(StandInConverter);
    ModalDriver driver;
    clickThrough(wizard, driver);
    wizard.convert({book});
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, QStringList());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(fileRows().size(), 2);
}

void TestConversionWizard::realCalibreConvertsAPdf()
{
    if (!QFileInfo(RealConverter).isFile())
        QSKIP("Debian's calibre is not installed");
    const QString pdf = bookPath(QStringLiteral("books/Dune.pdf"));
    QVERIFY(QDir().mkpath(QFileInfo(pdf).absolutePath()));
    {
        QPdfWriter writer(pdf);
        writer.setTitle(QStringLiteral("Dune"));
        QPainter painter(&writer);
        QFont font = painter.font();
        font.setPointSize(24);
        painter.setFont(font);
        painter.drawText(QRect(0, 0, writer.width(), writer.height() / 4), Qt::AlignCenter, QStringLiteral("Dune"));
        QVERIFY(writer.newPage());
        painter.drawText(QRect(0, 0, writer.width(), writer.height() / 4), Qt::AlignCenter,
                         QStringLiteral("Chapter one"));
    }
    auto book = std::make_shared<Book>(nullptr, -1);
    book->setTitle(QStringLiteral("Dune"));
    book->addFile(pdf);
    QVERIFY(book->save());
    // Calibre found where Debian puts it, as the program does it.
    ConversionWizard wizard(nullptr);
    QSignalSpy changed(&wizard, &ConversionWizard::itemChanged);

    ModalDriver driver(240000);
    clickThrough(wizard, driver);
    wizard.convert({book});
    QVERIFY(driver.finished());
    QCOMPARE(driver.unexpected, QStringList());

    QCOMPARE(Settings().value(Settings::CalibreConvertorPath).toString(), RealConverter);
    const QString epub = bookPath(QStringLiteral("books/Dune.epub"));
    QVERIFY2(FileTesting::readFile(epub).startsWith("PK"), qPrintable(shownAfterRun));
    QVERIFY(!shownAfterRun.isEmpty());
    QCOMPARE(fileRows(), (QList<QStringList>{fileRow(pdf, book->getIid()), fileRow(epub, book->getIid())}));
    QCOMPARE(changed.count(), 1);
}

SHELVIO_TEST_MAIN(TestConversionWizard)

#include "tst_conversionwizard.moc"
