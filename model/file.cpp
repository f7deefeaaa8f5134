#include "model/file.h"

#include "model/fulltextrows.h"
#include "model/itemrows.h"
#include "model/likepattern.h"
#include "model/preparedquery.h"
#include "model/timestamp.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const qint64 FirstBytesLength = 50;

// The text after the last "." of the name; empty when the name has none.
QString suffixOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

} // namespace

File::File(const QString &path)
{
    setPath(path);
}

File::File(int fid)
    : fid(fid)
{
    if (fid >= 1)
        dbRead();
    refreshWith(filePath.isEmpty() ? DiskState() : diskState(filePath));
}

File::File(const QVariantList &row)
{
    fill(row);
    refreshPending = true;
}

const File &File::refreshed() const
{
    if (refreshPending)
        refreshWith(filePath.isEmpty() ? DiskState() : diskState(filePath));
    return *this;
}

void File::refreshWith(const DiskState &state) const
{
    refreshPending = false;
    const QString storedMd5 = fileMd5;
    const qint64 storedSize = fileSize;
    if (!filePath.isEmpty())
        apply(state);
    // The stored digest holds while the file has its size and was not modified after the row was written,
    // which happens when the digest is made; otherwise it is made again when asked for.
    const bool unchanged
        = storedSize == fileSize && modified.isValid() && updated > 0 && modified.toSecsSinceEpoch() < qint64(updated);
    fileMd5 = unchanged ? storedMd5 : QString();
}

File::DiskState File::diskState(const QString &path)
{
    DiskState state;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return state;
    state.readable = true;
    state.firstBytes = QString::fromLatin1(file.read(FirstBytesLength).toHex());
    const QFileInfo info(file);
    state.fileName = info.fileName();
    state.size = info.size();
    state.modified = info.lastModified();
    state.absolutePath = info.absoluteFilePath();
    return state;
}

void File::apply(const DiskState &state) const
{
    if (!state.readable)
        return;
    firstBytes = state.firstBytes;
    fileName = state.fileName;
    fileExtension = suffixOf(fileName);
    fileType = fileExtension.toLower();
    fileSize = state.size;
    modified = state.modified;
    absolutePath = state.absolutePath;
}

bool File::setPath(const QString &path)
{
    filePath = path;
    fileMd5.clear();
    refreshPending = false;
    const DiskState state = diskState(path);
    apply(state);
    return state.readable;
}

void File::setIid(int iid)
{
    this->iid = iid;
}

QString File::md5()
{
    refreshed();
    if (fileMd5.isEmpty())
        fileMd5 = digestOf(filePath);
    return fileMd5;
}

QString File::digestOf(const QString &path, const std::function<bool()> &stop)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Md5);
    constexpr qint64 Chunk = 1 << 20;
    QByteArray buffer(Chunk, Qt::Uninitialized);
    qint64 read = 0;
    while ((read = file.read(buffer.data(), Chunk)) > 0) {
        if (stop && stop())
            return {};
        hash.addData(QByteArrayView(buffer.constData(), read));
    }
    return read < 0 ? QString() : QString::fromLatin1(hash.result().toHex());
}

bool File::hasDigest() const
{
    return !refreshed().fileMd5.isEmpty();
}

void File::setDigest(const QString &md5)
{
    refreshed();
    fileMd5 = md5;
}

bool File::storeDigest()
{
    if (fid < 1 || fileMd5.isEmpty())
        return false;
    PreparedQuery query(QStringLiteral("UPDATE files SET fileMd5 = :fileMd5, updated = :updated WHERE fid = :fid"));
    query->bindValue(QStringLiteral(":fileMd5"), fileMd5);
    query->bindValue(QStringLiteral(":updated"), Timestamp::now());
    query->bindValue(QStringLiteral(":fid"), fid);
    return query.exec();
}

bool File::save()
{
    qDebug() << "save file called";
    refreshed();
    return fid < 1 ? dbInsert() : dbUpdate();
}

bool File::dbRemove()
{
    PreparedQuery query(QStringLiteral("DELETE FROM files WHERE fid = :fid"));
    query->bindValue(QStringLiteral(":fid"), fid);
    if (!query.exec()) {
        qDebug() << query->lastError();
        return false;
    }
    // Its text leaves the index with it.
    return FullTextRows::forget(QSqlDatabase::database(), fid);
}

void File::forgetRow()
{
    fid = -1;
}

void File::dbRead()
{
    PreparedQuery query(QStringLiteral("SELECT * FROM files WHERE fid = :fid LIMIT 1"));
    query->bindValue(QStringLiteral(":fid"), fid);
    if (!query.exec() || !query->next())
        return;
    fill(ItemRows::values(*query, 11));
}

void File::fill(const QVariantList &row)
{
    fid = row.value(0).toInt();
    fileName = row.value(1).toString();
    filePath = row.value(2).toString();
    fileType = row.value(3).toString();
    fileExtension = row.value(4).toString();
    fileMd5 = row.value(5).toString();
    fileSize = row.value(6).toLongLong();
    firstBytes = row.value(7).toString();
    created = row.value(9).toUInt();
    updated = row.value(10).toUInt();
}

// The insert and the update spell the digest's placeholder differently.
void File::bindColumns(QSqlQuery &query, const QString &md5Placeholder) const
{
    query.bindValue(QStringLiteral(":fileName"), fileName);
    query.bindValue(QStringLiteral(":filePath"), filePath);
    query.bindValue(QStringLiteral(":fileType"), fileType);
    query.bindValue(QStringLiteral(":fileExtension"), fileExtension);
    query.bindValue(md5Placeholder, fileMd5);
    query.bindValue(QStringLiteral(":fileSize"), fileSize);
    query.bindValue(QStringLiteral(":firstBytes"), firstBytes);
    query.bindValue(QStringLiteral(":iid"), iid);
}

bool File::dbInsert()
{
    md5();
    const quint32 now = Timestamp::now();

    PreparedQuery query(QStringLiteral(
        "INSERT INTO files                  (fileName, filePath, fileType, fileExtension, fileMd5, fileSize, "
        "firstBytes, iid, created, updated)                  VALUES                  (:fileName, :filePath, "
        ":fileType, :fileExtension, :fileMd5, :fileSize, :firstBytes, :iid, :created, :updated)"));
    bindColumns(*query, QStringLiteral(":fileMd5"));
    query->bindValue(QStringLiteral(":created"), now);
    query->bindValue(QStringLiteral(":updated"), now);
    if (!query.exec()) {
        qDebug() << query->lastError();
        return false;
    }
    fid = query->lastInsertId().toInt();
    return true;
}

bool File::dbUpdate()
{
    const quint32 now = Timestamp::now();
    md5();

    PreparedQuery query(
        QStringLiteral("UPDATE files SET                     fileName = :fileName,                    "
                       "filePath = :filePath,                    fileType = :fileType,                    "
                       "fileExtension = :fileExtension,                    fileMD5 = :fileMD5,           "
                       "         fileSize = :fileSize,                    firstBytes = :firstBytes,      "
                       "              updated = :updated,                    iid = :iid WHERE fid = :fid"));
    bindColumns(*query, QStringLiteral(":fileMD5"));
    query->bindValue(QStringLiteral(":fid"), fid);
    query->bindValue(QStringLiteral(":updated"), now);
    if (!query.exec()) {
        qDebug() << query->lastError();
        return false;
    }
    return true;
}

bool File::isDuplicate() const
{
    refreshed();
    PreparedQuery query(QStringLiteral("SELECT filePath FROM files WHERE filePath LIKE :filePath ESCAPE '\\' OR "
                                       "(firstBytes = :firstBytes AND fileSize = :fileSize) LIMIT 1"));
    query->bindValue(QStringLiteral(":firstBytes"), firstBytes);
    query->bindValue(QStringLiteral(":fileSize"), fileSize);
    query->bindValue(QStringLiteral(":filePath"), LikePattern::exact(filePath));
    if (!query.exec()) {
        qDebug() << query->lastError();
        return false;
    }
    return query->next();
}

int File::itemOf(const QString &path)
{
    PreparedQuery query(QStringLiteral("SELECT iid FROM files WHERE filePath = :filePath LIMIT 1"));
    query->bindValue(QStringLiteral(":filePath"), path);
    return query.exec() && query->next() ? query->value(0).toInt() : 0;
}

QVariant File::toVariant()
{
    refreshed();
    const QVariantMap map{
        {QStringLiteral("fileName"), fileName},
        {QStringLiteral("filePath"), filePath},
        {QStringLiteral("fileType"), fileType},
        {QStringLiteral("fileExtension"), fileExtension},
        {QStringLiteral("firstBytes"), firstBytes},
        {QStringLiteral("fileMd5"), md5()},
        {QStringLiteral("fileSize"), QString::number(fileSize)},
        {QStringLiteral("iid"), QString::number(iid)},
        {QStringLiteral("created"), QString::number(created)},
        {QStringLiteral("updated"), QString::number(updated)},
    };
    return map;
}
