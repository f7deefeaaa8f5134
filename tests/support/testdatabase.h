#ifndef TESTDATABASE_H
#define TESTDATABASE_H

#include <QString>
#include <QStringList>

// A fresh library database with the program's own schema on the default connection, in a directory
// of the caller's choosing. The connection is removed again on destruction.
class TestDatabase
{
public:
    explicit TestDatabase(const QString &dataDir);
    ~TestDatabase();

    bool isOpen() const;
    QString path() const;

    // Names of the tables and indexes in the file, without SQLite's internal ones.
    static QStringList tableNames();
    static QStringList indexNames();
    static int rowCount(const QString &table);

private:
    Q_DISABLE_COPY_MOVE(TestDatabase)

    QString databasePath;
    bool opened = false;
};

#endif // TESTDATABASE_H
