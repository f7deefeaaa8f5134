#ifndef FILE_H
#define FILE_H

#include <QString>
#include <QVariant>

class QSqlQuery;

// One file of an item, identified by its size, its first bytes and its MD5 digest. The digest reads the
// whole file, so it is computed only when something asks for it.
class File
{
public:
    explicit File(const QString &path);
    explicit File(int fid);

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
    int iid = 0;
    quint32 created = 0;
    quint32 updated = 0;
};

#endif // FILE_H
