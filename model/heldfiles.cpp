#include "model/heldfiles.h"

#include "model/file.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

HeldFiles HeldFiles::read()
{
    HeldFiles held;
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT filePath, fileSize, firstBytes FROM files"))) {
        qWarning().noquote() << "Cannot read the stored files:" << query.lastError().text();
        return held;
    }
    while (query.next()) {
        // NULL matches nothing in the statement's comparisons, so it is left out here too.
        if (!query.isNull(0))
            held.paths.insert(folded(query.value(0).toString()));
        if (!query.isNull(1) && !query.isNull(2))
            held.contents.insert({query.value(1).toLongLong(), query.value(2).toString()});
    }
    return held;
}

bool HeldFiles::holds(const File &file) const
{
    if (!file.getFilePath().isNull() && paths.contains(folded(file.getFilePath())))
        return true;
    return !file.getFirstBytes().isNull() && contents.contains({file.getFileSize(), file.getFirstBytes()});
}

QString HeldFiles::folded(const QString &path)
{
    // SQLite's LIKE folds the case of ASCII letters only.
    QString result = path;
    for (QChar &c : result) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return result;
}
