#include "tests/support/testdatabase.h"

#include "model/librarydatabase.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QStringList schemaNames(const QString &type)
{
    QStringList names;
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = :type AND name NOT LIKE 'sqlite%' "
                                 "ORDER BY name"));
    query.bindValue(QStringLiteral(":type"), type);
    if (!query.exec())
        qWarning("Cannot list %s: %s", qPrintable(type), qPrintable(query.lastError().text()));
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

} // namespace

TestDatabase::TestDatabase(const QString &dataDir)
{
    QDir().mkpath(dataDir);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    const QString directory = dataDir.endsWith(QLatin1Char('/')) ? dataDir : dataDir + QLatin1Char('/');
    const LibraryDatabase::OpenResult result = LibraryDatabase::open(db, directory);
    databasePath = result.path;
    opened = result.opened;
    if (!opened)
        qWarning("Cannot open the test database %s: %s", qPrintable(databasePath), qPrintable(result.errorText));
}

TestDatabase::~TestDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::defaultConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

bool TestDatabase::isOpen() const
{
    return opened;
}

QString TestDatabase::path() const
{
    return databasePath;
}

QStringList TestDatabase::tableNames()
{
    return schemaNames(QStringLiteral("table"));
}

QStringList TestDatabase::indexNames()
{
    return schemaNames(QStringLiteral("index"));
}

int TestDatabase::rowCount(const QString &table)
{
    // Table names cannot be bound; tests pass fixed names.
    QSqlQuery query;
    if (!query.exec(QStringLiteral("SELECT count(*) FROM ") + table) || !query.next())
        return -1;
    return query.value(0).toInt();
}
