#ifndef FILE_H
#define FILE_H

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

class QSqlQuery;

// One file of an item, identified by its size, its first bytes and its MD5 digest. The digest reads the
// whole file, so it is computed only when something asks for it.
class File
{
public:
    // What the disk says of a file now; read without touching any record, so that a worker may read it.
    struct DiskState
    {
        bool readable = false;
        QString firstBytes;
        QString fileName;
        qint64 size = 0;
        QDateTime modified;
        QString absolutePath;
    };

    explicit File(const QString &path);
    explicit File(int fid);
    // From the files row of a bulk read (see ItemRows), as stored: what the disk says now is read when a
    // worker brings it (refreshWith) or, at the latest, when something asks for it.
    explicit File(const QVariantList &row);

    bool setPath(const QString &path);
    void setIid(int iid);

    int getFid() const { return fid; }
    QString getFilePath() const { return filePath; }
    QString getFileName() const { return refreshed().fileName; }
    QString getFileType() const { return refreshed().fileType; }
    QString getFileExtension() const { return refreshed().fileExtension; }
    QString getAbsolutePath() const { return refreshed().absolutePath; }
    QString getFirstBytes() const { return refreshed().firstBytes; }
    qint64 getFileSize() const { return refreshed().fileSize; }
    // The size as last known, stored or read, without reading the disk for it.
    qint64 knownSize() const { return fileSize; }
    // Whether what the disk says has yet to be read.
    bool isRefreshPending() const { return refreshPending; }
    static DiskState diskState(const QString &path);
    // Takes what the disk said of this file; the stored digest stays only while it still holds.
    void refreshWith(const DiskState &state) const;
    int getIid() const { return iid; }
    quint32 getCreated() const { return created; }
    quint32 getUpdated() const { return updated; }
    QString md5();
    // Whether md5() answers without reading the file.
    bool hasDigest() const;
    // A digest made elsewhere (off the UI thread) for this file's content.
    void setDigest(const QString &md5);
    // Writes the digest to the stored row, and when it was made.
    bool storeDigest();
    // The MD5 digest of the file at the path, in hex; empty when it cannot be read or stop() said so.
    static QString digestOf(const QString &path, const std::function<bool()> &stop = {});

    bool save();
    // Deletes the stored row; the file on disk is not touched.
    bool dbRemove();
    // The record no longer stands for a stored row; the next save inserts it again.
    void forgetRow();
    bool isDuplicate() const;
    // The item that holds the file at this path; 0 when none does.
    static int itemOf(const QString &path);
    QVariant toVariant();

private:
    void dbRead();
    void fill(const QVariantList &row);
    void apply(const DiskState &state) const;
    // This file with what the disk says read, if it was still pending.
    const File &refreshed() const;
    void bindColumns(QSqlQuery &query, const QString &md5Placeholder) const;
    bool dbInsert();
    bool dbUpdate();

    int fid = -1;
    QString filePath;
    // What the disk says is read late for a bulk-read file, when a const reader first asks; hence mutable.
    mutable QString fileMd5;
    mutable qint64 fileSize = 0;
    mutable QString firstBytes;
    mutable QString fileName;
    mutable QString fileType;
    mutable QString fileExtension;
    mutable QString absolutePath;
    mutable QDateTime modified;
    mutable bool refreshPending = false;
    int iid = 0;
    quint32 created = 0;
    quint32 updated = 0;
};

#endif // FILE_H
