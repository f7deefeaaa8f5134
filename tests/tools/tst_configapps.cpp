#include "core/logger.h"
#include "core/settings.h"
#include "tests/support/dialogtesting.h"
#include "tests/support/filetesting.h"
#include "tests/support/testmain.h"
#include "tests/tools/modaldriver.h"
#include "tools/configapps.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include <memory>

namespace {

const QString CalibreNotFound
    = QStringLiteral("Sorry, Calibre was not found at this location, click Browse and try again...");
const QString SigilNotFound
    = QStringLiteral("Sorry, Sigil was not found at this location, click Browse and try again...");

QString sep()
{
    return QDir::separator();
}

// Every settings key of the page with its value; a missing key is left out.
QMap<QString, QString> storedKeys()
{
    Settings settings;
    QMap<QString, QString> stored;
    for (const QLatin1StringView key :
         {Settings::CalibreDirPath, Settings::CalibreConvertorExe, Settings::CalibreExePath,
          Settings::CalibreConvertorPath, Settings::SigilDirPath, Settings::SigilExePath}) {
        if (settings.contains(key))
            stored.insert(key.toString(), settings.value(key).toString());
    }
    return stored;
}

QMap<QString, QString> calibreKeys(const QString &dir)
{
    return {{QStringLiteral("calibreDirPath"), dir},
            {QStringLiteral("calibreConvertorExe"), ConfigApps::converterFileName()},
            {QStringLiteral("calibreExePath"), dir + sep() + ConfigApps::calibreFileName()},
            {QStringLiteral("calibreConvertorPath"), dir + sep() + ConfigApps::converterFileName()}};
}

QMap<QString, QString> sigilKeys(const QString &dir)
{
    return {{QStringLiteral("sigilDirPath"), dir},
            {QStringLiteral("sigilExePath"), dir + sep() + ConfigApps::sigilFileName()}};
}

QMap<QString, QString> merged(QMap<QString, QString> first, const QMap<QString, QString> &second)
{
    first.insert(second);
    return first;
}

QString lineText(const QWidget &page, const char *name)
{
    return DialogTesting::child<QLineEdit>(page, name)->text();
}

} // namespace

// The "Apps" page: Calibre and Sigil found in their usual places or chosen by the user, every find stored
// at once. A temporary tree stands in for the installation directories.
class TestConfigApps : public QObject
{
    Q_OBJECT

public:
    explicit TestConfigApps(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void init();
    void cleanup();

    void platformNamesThePrograms();
    void formShowsBothPrograms();
    void constructionStoresProgramsFoundInTheUsualPlaces_data();
    void constructionStoresProgramsFoundInTheUsualPlaces();
    void constructionWithoutProgramsStoresAndShowsNothing();
    void directoryNamedLikeTheProgramIsNoProgram();
    void storedPathsAreNotSearchedAgain();
    void browseStoresTheUsualPlaceWithoutAChooser();
    void browseOpensTheChooserAtTheStartDirectory_data();
    void browseOpensTheChooserAtTheStartDirectory();
    void chosenDirectoryWithoutTheProgramIsRefused_data();
    void chosenDirectoryWithoutTheProgramIsRefused();
    void initializeShowsTheStoredPaths();
    void cleanupOnlyLogs();
    void saveStoresATypedDirectoryWithTheProgram();
    void saveRefusesATypedDirectoryWithoutTheProgram();
    void saveOfAnUntouchedPageKeepsWhatAnotherPageStored();
    void converterPathLocatesCalibreWithoutDialogs();
    void converterPathKeepsAStoredPath();

private:
    QString tree(const QString &relative) const;
    // Makes the directory, with the named program files in it.
    QString install(const QString &relative, const QStringList &programs) const;
    QString installCalibre(const QString &relative) const;
    QString installSigil(const QString &relative) const;
    ConfigApps::Locations locations() const;

    TestEnvironment &environment;
};

void TestConfigApps::init()
{
    environment.reset();
}

void TestConfigApps::cleanup()
{
    DialogTesting::closeModalWindows();
}

QString TestConfigApps::tree(const QString &relative) const
{
    return environment.root() + QStringLiteral("/programs/") + relative;
}

QString TestConfigApps::install(const QString &relative, const QStringList &programs) const
{
    const QString dir = tree(relative);
    if (!QDir().mkpath(dir))
        qFatal("Cannot make %s", qPrintable(dir));
    for (const QString &program : programs) {
        QFile file(dir + u'/' + program);
        if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n") < 0)
            qFatal("Cannot write %s", qPrintable(file.fileName()));
    }
    return dir;
}

QString TestConfigApps::installCalibre(const QString &relative) const
{
    return install(relative, {ConfigApps::calibreFileName(), ConfigApps::converterFileName()});
}

QString TestConfigApps::installSigil(const QString &relative) const
{
    return install(relative, {ConfigApps::sigilFileName()});
}

ConfigApps::Locations TestConfigApps::locations() const
{
    return {{tree(QStringLiteral("usr/bin")), tree(QStringLiteral("opt/calibre"))},
            tree(QStringLiteral("opt")),
            {tree(QStringLiteral("usr/bin"))},
            tree(QStringLiteral("home"))};
}

void TestConfigApps::platformNamesThePrograms()
{
#if defined(Q_OS_WIN)
    QCOMPARE(ConfigApps::calibreFileName(), QStringLiteral("calibre.exe"));
    QCOMPARE(ConfigApps::converterFileName(), QStringLiteral("ebook-convert.exe"));
    QCOMPARE(ConfigApps::sigilFileName(), QStringLiteral("Sigil.exe"));
    QCOMPARE(ConfigApps::defaultLocations().calibreDirs, QStringList{"C:\\Program Files (x86)\\Calibre2"});
    QCOMPARE(ConfigApps::defaultLocations().calibreStartDir, QStringLiteral("C:\\Program Files (x86)"));
    QCOMPARE(ConfigApps::defaultLocations().sigilDirs, QStringList{"C:\\Program Files\\Sigil"});
    QCOMPARE(ConfigApps::defaultLocations().sigilStartDir, QStringLiteral("C:\\Program Files"));
#elif defined(Q_OS_LINUX)
    QCOMPARE(ConfigApps::calibreFileName(), QStringLiteral("calibre"));
    QCOMPARE(ConfigApps::converterFileName(), QStringLiteral("ebook-convert"));
    QCOMPARE(ConfigApps::sigilFileName(), QStringLiteral("sigil"));
    QCOMPARE(ConfigApps::defaultLocations().calibreDirs, (QStringList{"/usr/bin", "/opt/calibre"}));
    QCOMPARE(ConfigApps::defaultLocations().sigilDirs, QStringList{"/usr/bin"});
#else
    QSKIP("The usual places are checked on Windows and Linux");
#endif
}

void TestConfigApps::formShowsBothPrograms()
{
    ConfigApps page(nullptr, locations());
    QCOMPARE(page.windowTitle(), QStringLiteral("Dialog"));
    const auto *calibreText = DialogTesting::child<QTextBrowser>(page, "textBrowser");
    QCOMPARE(calibreText->toPlainText(),
             QStringLiteral("Calibre is a free e-book application. It provides functionality like eBook conversion; "
                            "without it some functionality will not work."));
    QVERIFY(calibreText->toHtml().contains(QStringLiteral("href=\"https://calibre-ebook.com/download\"")));
    QVERIFY(calibreText->openExternalLinks());
    const auto *sigilText = DialogTesting::child<QTextBrowser>(page, "textBrowser_2");
    QCOMPARE(sigilText->toPlainText(),
             QStringLiteral("Sigil is a free eBook editor for ePub eBooks. It will allow you to edit your eBooks."));
    QVERIFY(sigilText->toHtml().contains(QStringLiteral("href=\"https://github.com/Sigil-Ebook/Sigil/releases\"")));

    QVERIFY(DialogTesting::child<QWidget>(page, "groupBox_2")->isAncestorOf(calibreText));
    QVERIFY(DialogTesting::child<QWidget>(page, "groupBox_3")->isAncestorOf(sigilText));
    const auto *calibreLabel = DialogTesting::child<QLabel>(page, "label_2");
    QCOMPARE(calibreLabel->text(), QStringLiteral("&Calibre Location:"));
    QCOMPARE(calibreLabel->buddy(), DialogTesting::child<QLineEdit>(page, "editCalibrePath"));
    QCOMPARE(DialogTesting::child<QLabel>(page, "lblSigilPath")->text(), QStringLiteral("Sigil Location:"));
    QCOMPARE(DialogTesting::child<QLineEdit>(page, "editCalibrePath")->placeholderText(),
             QStringLiteral("Path to your Calibre installation..."));
    QCOMPARE(DialogTesting::child<QLineEdit>(page, "sigilPath")->placeholderText(),
             QStringLiteral("Path to your Sigil installation..."));
    QCOMPARE(DialogTesting::child<QPushButton>(page, "btnBrowse")->text(), QStringLiteral("Browse"));
    QCOMPARE(DialogTesting::child<QPushButton>(page, "btnSigilPathBrowse")->text(), QStringLiteral("Browse"));
}

void TestConfigApps::constructionStoresProgramsFoundInTheUsualPlaces_data()
{
    QTest::addColumn<QString>("calibreDir");
    QTest::addColumn<QString>("sigilDir");
    QTest::newRow("both in the first place") << "usr/bin"
                                             << "usr/bin";
    QTest::newRow("Calibre in the second place") << "opt/calibre"
                                                 << "usr/bin";
    QTest::newRow("Calibre only") << "usr/bin" << QString();
    QTest::newRow("Sigil only") << QString() << "usr/bin";
}

void TestConfigApps::constructionStoresProgramsFoundInTheUsualPlaces()
{
    QFETCH(QString, calibreDir);
    QFETCH(QString, sigilDir);
    QMap<QString, QString> expected;
    if (!calibreDir.isEmpty())
        expected.insert(calibreKeys(installCalibre(calibreDir)));
    if (!sigilDir.isEmpty())
        expected.insert(sigilKeys(installSigil(sigilDir)));

    ModalDriver driver;
    ConfigApps page(nullptr, locations());
    QCOMPARE(storedKeys(), expected);
    QCOMPARE(lineText(page, "editCalibrePath"), expected.value(QStringLiteral("calibreDirPath")));
    QCOMPARE(lineText(page, "sigilPath"), expected.value(QStringLiteral("sigilDirPath")));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::constructionWithoutProgramsStoresAndShowsNothing()
{
    QDir().mkpath(tree(QStringLiteral("usr/bin")));
    ModalDriver driver;
    ConfigApps page(nullptr, locations());
    QCOMPARE(storedKeys(), (QMap<QString, QString>()));
    QCOMPARE(lineText(page, "editCalibrePath"), QString());
    QCOMPARE(lineText(page, "sigilPath"), QString());
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::directoryNamedLikeTheProgramIsNoProgram()
{
    QVERIFY(QDir().mkpath(tree(QStringLiteral("usr/bin/")) + ConfigApps::calibreFileName()));
    QVERIFY(QDir().mkpath(tree(QStringLiteral("usr/bin/")) + ConfigApps::sigilFileName()));
    ConfigApps page(nullptr, locations());
    QCOMPARE(storedKeys(), (QMap<QString, QString>()));
}

void TestConfigApps::storedPathsAreNotSearchedAgain()
{
    installCalibre(QStringLiteral("usr/bin"));
    installSigil(QStringLiteral("usr/bin"));
    {
        Settings settings;
        settings.setValue(Settings::CalibreDirPath, QStringLiteral("/elsewhere/calibre"));
        settings.setValue(Settings::SigilDirPath, QStringLiteral("/elsewhere/sigil"));
    }
    ConfigApps page(nullptr, locations());
    QCOMPARE(storedKeys(),
             (QMap<QString, QString>{{QStringLiteral("calibreDirPath"), QStringLiteral("/elsewhere/calibre")},
                                     {QStringLiteral("sigilDirPath"), QStringLiteral("/elsewhere/sigil")}}));
    QCOMPARE(lineText(page, "editCalibrePath"), QStringLiteral("/elsewhere/calibre"));
    QCOMPARE(lineText(page, "sigilPath"), QStringLiteral("/elsewhere/sigil"));
}

void TestConfigApps::browseStoresTheUsualPlaceWithoutAChooser()
{
    const QString calibre = installCalibre(QStringLiteral("opt/calibre"));
    const QString sigil = installSigil(QStringLiteral("usr/bin"));
    ConfigApps page(nullptr, locations());
    Settings().clear();
    DialogTesting::retype(page, "editCalibrePath", QStringLiteral("typed"));

    ModalDriver driver;
    DialogTesting::click(page, "btnBrowse");
    QCOMPARE(storedKeys(), calibreKeys(calibre));
    DialogTesting::click(page, "btnSigilPathBrowse");
    QCOMPARE(storedKeys(), merged(calibreKeys(calibre), sigilKeys(sigil)));
    QCOMPARE(lineText(page, "editCalibrePath"), calibre);
    QCOMPARE(driver.choosers.size(), 0);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::browseOpensTheChooserAtTheStartDirectory_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("lineEdit");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("startDir");
    QTest::addColumn<bool>("calibre");
    QTest::newRow("Calibre") << "btnBrowse"
                             << "editCalibrePath"
                             << "Select Calibre's program directory..."
                             << "opt" << true;
    QTest::newRow("Sigil") << "btnSigilPathBrowse"
                           << "sigilPath"
                           << "Select Sigil's program directory..."
                           << "home" << false;
}

void TestConfigApps::browseOpensTheChooserAtTheStartDirectory()
{
    QFETCH(QString, button);
    QFETCH(QString, lineEdit);
    QFETCH(QString, caption);
    QFETCH(QString, startDir);
    QFETCH(bool, calibre);
    QDir().mkpath(tree(startDir));
    ConfigApps page(nullptr, locations());
    QCOMPARE(storedKeys(), (QMap<QString, QString>()));
    const QString chosen
        = calibre ? installCalibre(QStringLiteral("mine/Calibre2")) : installSigil(QStringLiteral("mine/Sigil"));

    ModalDriver driver;
    driver.chooseDirectory(chosen);
    DialogTesting::click(page, button.toLatin1().constData());
    QVERIFY(driver.finished());
    QCOMPARE(driver.choosers.size(), 1);
    QCOMPARE(driver.choosers.first().title, caption);
    QCOMPARE(FileTesting::canonical(driver.choosers.first().directory), FileTesting::canonical(tree(startDir)));
    QCOMPARE(storedKeys(), calibre ? calibreKeys(chosen) : sigilKeys(chosen));
    QCOMPARE(lineText(page, lineEdit.toLatin1().constData()), chosen);
    QCOMPARE(driver.boxes.size(), 0);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::chosenDirectoryWithoutTheProgramIsRefused_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("message");
    QTest::newRow("Calibre, empty directory") << "btnBrowse" << false << CalibreNotFound;
    QTest::newRow("Calibre, chooser cancelled") << "btnBrowse" << true << CalibreNotFound;
    QTest::newRow("Sigil, empty directory") << "btnSigilPathBrowse" << false << SigilNotFound;
    QTest::newRow("Sigil, chooser cancelled") << "btnSigilPathBrowse" << true << SigilNotFound;
}

void TestConfigApps::chosenDirectoryWithoutTheProgramIsRefused()
{
    QFETCH(QString, button);
    QFETCH(bool, cancel);
    QFETCH(QString, message);
    const QString empty = install(QStringLiteral("empty"), {});
    ConfigApps page(nullptr, locations());
    {
        Settings settings;
        settings.setValue(Settings::CalibreConvertorPath, QStringLiteral("/before/ebook-convert"));
        settings.setValue(Settings::SigilExePath, QStringLiteral("/before/sigil"));
    }
    const QMap<QString, QString> before = storedKeys();

    ModalDriver driver;
    if (cancel)
        driver.cancelChooser();
    else
        driver.chooseDirectory(empty);
    driver.answerBox(QMessageBox::Ok);
    DialogTesting::click(page, button.toLatin1().constData());
    QVERIFY(driver.waitUntilDone());
    QCOMPARE(driver.boxes.size(), 1);
    QCOMPARE(driver.boxes.first().title, QStringLiteral("Not found"));
    QCOMPARE(driver.boxes.first().text, message);
    QCOMPARE(storedKeys(), before);
    QCOMPARE(lineText(page, "editCalibrePath"), QString());
    QCOMPARE(lineText(page, "sigilPath"), QString());
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::initializeShowsTheStoredPaths()
{
    ConfigApps page(nullptr, locations());
    DialogTesting::retype(page, "editCalibrePath", QStringLiteral("typed by hand"));
    {
        Settings settings;
        settings.setValue(Settings::CalibreDirPath, QStringLiteral("/stored/calibre"));
        settings.setValue(Settings::SigilDirPath, QStringLiteral("/stored/sigil"));
    }
    page.initialize();
    QCOMPARE(lineText(page, "editCalibrePath"), QStringLiteral("/stored/calibre"));
    QCOMPARE(lineText(page, "sigilPath"), QStringLiteral("/stored/sigil"));
}

void TestConfigApps::cleanupOnlyLogs()
{
    Logger &logger = Logger::instance();
    logger.addFileEngine(QStringLiteral("dbg"), QStringLiteral("debug.log"));
    const QString logFile = QDir::current().absoluteFilePath(logger.engineFileName(QStringLiteral("dbg")));
    logger.enableLevels(QStringLiteral("dbg"), Logger::DebugLevel);
    const QString calibre = installCalibre(QStringLiteral("usr/bin"));
    {
        ConfigApps page(nullptr, locations());
        const QMap<QString, QString> before = storedKeys();
        DialogTesting::retype(page, "sigilPath", QStringLiteral("typed"));
        page.cleanup();
        QCOMPARE(storedKeys(), before);
        QCOMPARE(lineText(page, "sigilPath"), QStringLiteral("typed"));
    }
    logger.disableLevels(QStringLiteral("dbg"), Logger::AllLevels);
    QVERIFY2(FileTesting::readFile(logFile).contains("cleanup"), qPrintable(logFile));
    QCOMPARE(storedKeys(), calibreKeys(calibre));
}

void TestConfigApps::saveStoresATypedDirectoryWithTheProgram()
{
    const QString usual = installCalibre(QStringLiteral("usr/bin"));
    ConfigApps page(nullptr, locations());
    const QString calibre = installCalibre(QStringLiteral("typed/calibre"));
    const QString sigil = installSigil(QStringLiteral("typed/sigil"));
    QCOMPARE(storedKeys(), calibreKeys(usual));
    DialogTesting::retype(page, "editCalibrePath", calibre);
    DialogTesting::retype(page, "sigilPath", sigil);
    // Typing alone stores nothing.
    QCOMPARE(storedKeys(), calibreKeys(usual));

    ModalDriver driver;
    QVERIFY(page.save());
    QCOMPARE(storedKeys(), merged(calibreKeys(calibre), sigilKeys(sigil)));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::saveRefusesATypedDirectoryWithoutTheProgram()
{
    const QString usual = installCalibre(QStringLiteral("usr/bin"));
    ConfigApps page(nullptr, locations());
    DialogTesting::retype(page, "editCalibrePath", install(QStringLiteral("empty"), {}));

    ModalDriver driver;
    driver.answerBox(QMessageBox::Ok);
    QVERIFY(!page.save());
    QVERIFY(driver.finished());
    QCOMPARE(driver.boxes.size(), 1);
    QCOMPARE(driver.boxes.first().title, QStringLiteral("Not found"));
    QCOMPARE(driver.boxes.first().text, CalibreNotFound);
    QCOMPARE(storedKeys(), calibreKeys(usual));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::saveOfAnUntouchedPageKeepsWhatAnotherPageStored()
{
    const QString usual = installCalibre(QStringLiteral("usr/bin"));
    // The preferences dialog holds two pages of this kind and saves both.
    ConfigApps apps(nullptr, locations());
    ConfigApps paths(nullptr, locations());
    const QString typed = installCalibre(QStringLiteral("typed/calibre"));
    DialogTesting::retype(apps, "editCalibrePath", typed);

    ModalDriver driver;
    QVERIFY(apps.save());
    QVERIFY(paths.save());
    QCOMPARE(storedKeys(), calibreKeys(typed));
    QCOMPARE(lineText(paths, "editCalibrePath"), usual);
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::converterPathLocatesCalibreWithoutDialogs()
{
    ModalDriver driver;
    QCOMPARE(ConfigApps::converterPath(locations()), QString());
    QCOMPARE(storedKeys(), (QMap<QString, QString>()));

    const QString calibre = installCalibre(QStringLiteral("opt/calibre"));
    installSigil(QStringLiteral("usr/bin"));
    QCOMPARE(ConfigApps::converterPath(locations()), calibre + sep() + ConfigApps::converterFileName());
    // Only Calibre is looked for.
    QCOMPARE(storedKeys(), calibreKeys(calibre));
    QCOMPARE(driver.unexpected, QStringList());
}

void TestConfigApps::converterPathKeepsAStoredPath()
{
    installCalibre(QStringLiteral("usr/bin"));
    {
        Settings settings;
        settings.setValue(Settings::CalibreDirPath, QStringLiteral("/chosen"));
        settings.setValue(Settings::CalibreConvertorPath, QStringLiteral("/chosen/ebook-convert"));
    }
    QCOMPARE(ConfigApps::converterPath(locations()), QStringLiteral("/chosen/ebook-convert"));
    QCOMPARE(Settings().value(Settings::CalibreDirPath).toString(), QStringLiteral("/chosen"));
}

SHELVIO_TEST_MAIN(TestConfigApps)

#include "tst_configapps.moc"
