#include "model/readingpositions.h"

#include "model/file.h"
#include "model/preparedquery.h"

#include <QDateTime>
#include <QDebug>
#include <QSqlError>
#include <QVariant>

QString ReadingPositions::keyOfFile(int fid)
{
    return QStringLiteral("file:%1").arg(fid);
}

QString ReadingPositions::keyOfDigest(const QString &md5)
{
    return QStringLiteral("md5:") + md5.toLower();
}

QString ReadingPositions::keyOfPath(const QString &path, const QString &knownDigest)
{
    PreparedQuery query(QStringLiteral("SELECT fid FROM files WHERE filePath = :filePath LIMIT 1"));
    query->bindValue(QStringLiteral(":filePath"), path);
    if (query.exec() && query->next())
        return keyOfFile(query->value(0).toInt());
    const QString md5 = knownDigest.isEmpty() ? File::digestOf(path) : knownDigest;
    return md5.isEmpty() ? QString() : keyOfDigest(md5);
}

namespace {

// The row's columns in the order "page, pages, zoom, chapter".
ReadingPositions::Position positionOf(const QSqlQuery &row)
{
    return {row.value(0).toInt(), row.value(2).toDouble(), row.value(3).toInt(), row.value(1).toInt()};
}

} // namespace

std::optional<ReadingPositions::Position> ReadingPositions::load(const QString &key)
{
    PreparedQuery query(
        QStringLiteral("SELECT page, pages, zoom, chapter FROM reading_positions WHERE fileKey = :fileKey"));
    query->bindValue(QStringLiteral(":fileKey"), key);
    if (!query.exec() || !query->next())
        return std::nullopt;
    return positionOf(*query);
}

std::optional<ReadingPositions::Position> ReadingPositions::lastPageRead(int iid)
{
    PreparedQuery query(QStringLiteral(
        "SELECT page, pages, zoom, chapter FROM reading_positions JOIN files ON fileKey = 'file:' || files.fid "
        "WHERE files.iid = :iid AND pages > 0 ORDER BY reading_positions.updated DESC LIMIT 1"));
    query->bindValue(QStringLiteral(":iid"), iid);
    if (!query.exec() || !query->next())
        return std::nullopt;
    return positionOf(*query);
}

bool ReadingPositions::save(const QString &key, const Position &position)
{
    PreparedQuery query(QStringLiteral("INSERT OR REPLACE INTO reading_positions (fileKey, page, pages, zoom, "
                                       "chapter, updated) VALUES (:fileKey, :page, :pages, :zoom, :chapter, :updated)"));
    query->bindValue(QStringLiteral(":fileKey"), key);
    query->bindValue(QStringLiteral(":page"), position.page);
    query->bindValue(QStringLiteral(":pages"), position.pages);
    query->bindValue(QStringLiteral(":zoom"), position.zoom);
    query->bindValue(QStringLiteral(":chapter"), position.chapter);
    query->bindValue(QStringLiteral(":updated"), QDateTime::currentSecsSinceEpoch());
    if (!query.exec()) {
        qDebug() << "reading position not stored:" << query->lastError().text();
        return false;
    }
    return true;
}
