#include "bench/libraryconnection.h"

#include "model/librarydatabase.h"

#include <QDir>
#include <QSqlDatabase>

LibraryConnection::LibraryConnection(const QString &dataDir)
{
    if (!QDir().mkpath(dataDir)) {
        error = QStringLiteral("Cannot create %1").arg(dataDir);
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    const LibraryDatabase::OpenResult result = LibraryDatabase::open(db, dataDir);
    if (!result.opened)
        error = QStringLiteral("Cannot open %1: %2").arg(result.path, result.errorText);
}

LibraryConnection::~LibraryConnection()
{
    removeDefault();
}

void LibraryConnection::removeDefault()
{
    if (!QSqlDatabase::contains(QSqlDatabase::defaultConnection))
        return;
    {
        // No handle may be left when the connection is removed.
        QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::defaultConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}
