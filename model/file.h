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
    explicit File(const QString &path);
    explicit File(int fid);
    // From the files row of a bulk read (see ItemRows).
    explicit File(const QVariantList &row);

    bool setPath(const QString &path);
    void setIid(int iid);

    int getFid() const { return fid; }
    QString getFilePath() const { return filePath; }
    QString getFileName() const { return fileName; }
    QString getFileType() const { return fileType; }
    QString getFileExtension() const { return fileExtension; }
    QString getAbsolutePath() const { return absolutePath; }
    QString getFirstBytes() const { return firstBytes; }
    qint64 getFileSize() const { return fileSize; }
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
    // Name, size and first bytes as the file on disk has them now; the stored digest only while it still holds.
    void refreshFromDisk();
    void bindColumns(QSqlQuery &query, const QString &md5Placeholder) const;
    bool dbInsert();
    bool dbUpdate();

    int fid = -1;
    QString filePath;
    QString fileMd5;
    qint64 fileSize = 0;
    QString firstBytes;
    QString fileName;
    QString fileType;
    QString fileExtension;
    QString absolutePath;
    QDateTime modified;
    int iid = 0;
    quint32 created = 0;
    quint32 updated = 0;
};

#endif // FILE_H
