#ifndef LIBRARYROWS_H
#define LIBRARYROWS_H

#include <QList>
#include <QString>
#include <QStringList>

// The library's rows as text, to compare with what a dialog showed or a test stored.
class LibraryRows
{
public:
    // Every row of a statement, each value as text.
    static QList<QStringList> asText(const QString &statement);
};

#endif // LIBRARYROWS_H
