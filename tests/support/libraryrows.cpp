#include "tests/support/libraryrows.h"

#include "tests/support/testlibrary.h"

#include <QVariantList>

QList<QStringList> LibraryRows::asText(const QString &statement)
{
    QList<QStringList> result;
    const QList<QVariantList> rows = TestLibrary::rows(statement);
    for (const QVariantList &row : rows) {
        QStringList texts;
        for (const QVariant &value : row)
            texts.append(value.toString());
        result.append(texts);
    }
    return result;
}
