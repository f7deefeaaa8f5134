#include "model/readingpositions.h"

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

std::optional<ReadingPositions::Position> ReadingPositions::load(const QString &key)
{
    PreparedQuery query(
        QStringLiteral("SELECT page, zoom, chapter FROM reading_positions WHERE fileKey = :fileKey"));
    query->bindValue(QStringLiteral(":fileKey"), key);
    if (!query.exec() || !query->next())
        return std::nullopt;
    return Position{query->value(0).toInt(), query->value(1).toDouble(), query->value(2).toInt()};
}

bool ReadingPositions::save(const QString &key, const Position &position)
{
    PreparedQuery query(QStringLiteral("INSERT OR REPLACE INTO reading_positions (fileKey, page, zoom, chapter, "
                                       "updated) VALUES (:fileKey, :page, :zoom, :chapter, :updated)"));
    query->bindValue(QStringLiteral(":fileKey"), key);
    query->bindValue(QStringLiteral(":page"), position.page);
    query->bindValue(QStringLiteral(":zoom"), position.zoom);
    query->bindValue(QStringLiteral(":chapter"), position.chapter);
    query->bindValue(QStringLiteral(":updated"), QDateTime::currentSecsSinceEpoch());
    if (!query.exec()) {
        qDebug() << "reading position not stored:" << query->lastError().text();
        return false;
    }
    return true;
}
