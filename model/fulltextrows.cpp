#include "model/fulltextrows.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

bool FullTextRows::forget(const QSqlDatabase &db, int fid)
{
    QSqlQuery parts(db);
    parts.prepare(QStringLiteral("DELETE FROM fulltext WHERE rowid BETWEEN :first AND :last"));
    parts.bindValue(QStringLiteral(":first"), row(fid, 0));
    parts.bindValue(QStringLiteral(":last"), row(fid, PartsPerFile - 1));
    QSqlQuery entry(db);
    entry.prepare(QStringLiteral("DELETE FROM fulltextfiles WHERE fid = :fid"));
    entry.bindValue(QStringLiteral(":fid"), fid);
    if (parts.exec() && entry.exec())
        return true;
    qDebug() << "full-text rows not removed:" << parts.lastError().text() << entry.lastError().text();
    return false;
}
