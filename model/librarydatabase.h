#ifndef LIBRARYDATABASE_H
#define LIBRARYDATABASE_H

#include <QString>

class QSqlDatabase;

// Opens the library database "data.db" of a data directory on the given connection, and creates
// the schema when the file is new.
class LibraryDatabase
{
public:
    struct OpenResult
    {
        bool opened = false;
        QString path;
        QString errorText; // the driver's reason when not opened
    };

    static OpenResult open(QSqlDatabase &db, const QString &dataDir);

    // The directory of the library opened last, where its covers live; the records save into it.
    static QString dataDirectory() { return openedDataDir; }

private:
    static inline QString openedDataDir;
};

#endif // LIBRARYDATABASE_H
