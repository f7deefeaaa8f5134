#include "app/mainwindow.h"

#include "app/librarydatabase.h"
#include "app/logger.h"
#include "app/serviceaddresses.h"
#include "app/settings.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>
#include <QToolButton>
#include <QUuid>

#include <cstdlib>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    setupLogging();
    loadSettings();
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    dbOpen();
    arrangeSplitters();
    createNotesEditor();
    createSearchBox();
    openBooksTab();
    loadAuthorsIntoTree();
    readCloudToken();
    createConversionWizard();
    buildAddMenu();
    ui->mainToolbox->setCurrentIndex(0);
    logDebug(QStringLiteral("Finished initial loading."));
    createUpdateManager();
}

MainWindow::~MainWindow() = default;

void MainWindow::on_actionQuit_triggered()
{
    close();
}

void MainWindow::setupLogging()
{
    // Both engines start with every level disabled; a tool that wants the log turns levels on. An engine
    // registered earlier under the same name is kept, together with its levels.
    Logger &logger = Logger::instance();
    logger.addFileEngine(QStringLiteral("dbg"), QStringLiteral("debug.log"));
    logger.addFileEngine(QStringLiteral("app"), QStringLiteral("info.log"));
}

void MainWindow::loadSettings()
{
    Settings settings;
    dataDir = settings.value(Settings::DataDir).toString();
    libraryDir = settings.value(Settings::LibraryDir).toString();
    qDebug() << dataDir;

    settings.setValue(Settings::BaseUrl, ServiceAddresses::cloudUrl());
    if (settings.value(Settings::Guid).toString().isEmpty())
        settings.setValue(Settings::Guid, QUuid::createUuid().toString(QUuid::WithBraces));

    // A directory that cannot be made is not reported here: whatever needs it later reports the failure.
    QDir dir;
    const QString separator = QDir::separator();
    if (libraryDir.isEmpty()) {
        libraryDir = QDir::homePath() + separator + QStringLiteral("Shelvio Library") + separator;
        if (!dir.exists(libraryDir))
            dir.mkpath(libraryDir);
        settings.setValue(Settings::LibraryDir, libraryDir);
    } else if (!dir.exists(libraryDir)) {
        dir.mkpath(libraryDir);
    }

    if (!dataDir.isEmpty()) {
        if (!dir.exists(dataDir)) {
            dir.mkpath(dataDir);
            logDebug(QStringLiteral("New datadir:") + dataDir);
        }
        logDebug(QStringLiteral("Existing Datadir:") + dataDir);
    } else {
        dataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + separator
            + QStringLiteral("Shelvio") + separator;
        if (!dir.exists(dataDir)) {
            dir.mkpath(dataDir);
            logDebug(QStringLiteral("New datadir:") + dataDir);
        }
        settings.setValue(Settings::DataDir, dataDir);
    }
}

void MainWindow::dbOpen()
{
    const LibraryDatabase::OpenResult result = LibraryDatabase::open(db, dataDir);
    if (!result.opened)
        failDatabase(result.path, result.errorText);
}

void MainWindow::failDatabase(const QString &path, const QString &errorText)
{
    // Running on without a library would lose everything the user adds, so the program stops here.
    logDebug(QStringLiteral("Unable to open database.") + errorText);
    qCritical("Failed to connect.");
    QMessageBox::critical(
        this, tr("Shelvio"),
        tr("Shelvio cannot open its library database\n%1\n\n%2").arg(QDir::toNativeSeparators(path), errorText));
    std::exit(EXIT_FAILURE);
}

void MainWindow::arrangeSplitters()
{
    ui->vSplitter->setSizes({150, 800});
    ui->splitter->setSizes({700, 100});
}

void MainWindow::createNotesEditor()
{
}

void MainWindow::createSearchBox()
{
}

void MainWindow::openBooksTab()
{
}

void MainWindow::loadAuthorsIntoTree()
{
}

void MainWindow::readCloudToken()
{
    Settings settings;
    cloudToken = settings.value(Settings::CloudToken).toString();
}

void MainWindow::createConversionWizard()
{
}

void MainWindow::buildAddMenu()
{
    auto *addMenu = new QMenu(this);
    for (QAction *action : {ui->actionAddEbook, ui->actionAdd_Mutiple, ui->actionAdd_Mutiple_Recusive}) {
        action->setIconVisibleInMenu(true);
        addMenu->addAction(action);
    }
    addMenu->setStyleSheet(QStringLiteral("QMenu {    } "));
    auto *addButton = qobject_cast<QToolButton *>(ui->toolbar->widgetForAction(ui->actionAdd));
    if (addButton) {
        addButton->setMenu(addMenu);
        addButton->setPopupMode(QToolButton::InstantPopup);
    }
}

void MainWindow::createUpdateManager()
{
}
