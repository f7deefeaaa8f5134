#include "tests/support/testlibrary.h"

#include "model/book.h"

#include "core/settings.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

TestLibrary::TestLibrary(TestEnvironment &environment)
    : libraryDataDir(prepareDataDir(environment))
    , home(environment.home())
    , database(libraryDataDir)
{
    if (!database.isOpen())
        qFatal("The test library could not be opened");
}

QString TestLibrary::prepareDataDir(TestEnvironment &environment)
{
    environment.reset();
    const QString dataDir = environment.home() + QStringLiteral("/.local/share/Shelvio/");
    QDir().mkpath(dataDir);
    Settings settings;
    settings.setValue(Settings::DataDir, dataDir);
    return dataDir;
}

QString TestLibrary::dataDir() const
{
    return libraryDataDir;
}

QString TestLibrary::writeFile(const QString &relativePath, const QByteArray &content) const
{
    const QString path = home + u'/' + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("Cannot write %s", qPrintable(path));
    return path;
}

QList<QVariantList> TestLibrary::rows(const QString &statement)
{
    QList<QVariantList> result;
    QSqlQuery query;
    if (!query.exec(statement)) {
        qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        return result;
    }
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < query.record().count(); ++column)
            row.append(query.value(column));
        result.append(row);
    }
    return result;
}

bool TestLibrary::exec(const QString &statement)
{
    QSqlQuery query;
    if (query.exec(statement))
        return true;
    qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    return false;
}

int TestLibrary::storeBook(const QString &title, const QStringList &files)
{
    Book book(nullptr, 0);
    book.setTitle(title);
    for (const QString &path : files)
        book.addFile(path);
    return book.save() ? book.getIid() : 0;
}
