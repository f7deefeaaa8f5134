#include "app/startup.h"

#include "core/logger.h"
#include "core/serviceaddresses.h"
#include "core/settings.h"
#include "model/librarydatabase.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QStandardPaths>
#include <QUuid>

bool Startup::prepare()
{
    setupLogging();
    return openLibrary(prepareDirectories());
}

void Startup::setupLogging()
{
    // Both engines start with every level disabled; a tool that wants the log turns levels on. An engine
    // registered earlier under the same name is kept, together with its levels.
    Logger &logger = Logger::instance();
    logger.addFileEngine(QStringLiteral("dbg"), QStringLiteral("debug.log"));
    logger.addFileEngine(QStringLiteral("app"), QStringLiteral("info.log"));
}

QString Startup::prepareDirectories()
{
    Settings settings;
    QString dataDir = settings.value(Settings::DataDir).toString();
    QString libraryDir = settings.value(Settings::LibraryDir).toString();
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
    return dataDir;
}

bool Startup::openLibrary(const QString &dataDir)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    const LibraryDatabase::OpenResult result = LibraryDatabase::open(db, dataDir);
    if (result.opened)
        return true;
    logDebug(QStringLiteral("Unable to open database.") + result.errorText);
    qCritical("Failed to connect.");
    QMessageBox::critical(nullptr, QApplication::translate("MainWindow", "Shelvio"),
                          QApplication::translate("MainWindow", "Shelvio cannot open its library database\n%1\n\n%2")
                              .arg(QDir::toNativeSeparators(result.path), result.errorText));
    return false;
}
