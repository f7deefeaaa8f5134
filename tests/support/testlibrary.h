#ifndef TESTLIBRARY_H
#define TESTLIBRARY_H

#include "tests/support/testdatabase.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

class TestEnvironment;

// A fresh, empty library for one test: a new HOME tree, the data directory named in the settings as
// the program names it (with a trailing separator), and the database with the program's schema.
class TestLibrary
{
public:
    explicit TestLibrary(TestEnvironment &environment);

    QString dataDir() const;
    // Writes a file below HOME, creating its folders, and returns its path.
    QString writeFile(const QString &relativePath, const QByteArray &content) const;

    // Every row of a statement, each as its list of column values.
    static QList<QVariantList> rows(const QString &statement);
    static bool exec(const QString &statement);
    // Stores a book with this title and these files as the program does; its item id, or 0 on failure.
    static int storeBook(const QString &title, const QStringList &files);

private:
    Q_DISABLE_COPY_MOVE(TestLibrary)

    static QString prepareDataDir(TestEnvironment &environment);

    QString libraryDataDir;
    QString home;
    TestDatabase database;
};

#endif // TESTLIBRARY_H
