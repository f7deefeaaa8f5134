#ifndef FILELIST_H
#define FILELIST_H

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

class File;

// The files of one item, in the order they were added. The list owns its files.
class FileList
{
public:
    explicit FileList(int iid);
    ~FileList();

    void setIid(int iid);
    int getIid() const { return iid; }
    int count() const;
    File *at(int index) const;

    File *add(const QString &path);
    File *addById(int fid);
    // The same, from the files row of a bulk read.
    File *addRow(const QVariantList &row);
    // Takes the file out of the list; a stored file's row goes at the next saveAll().
    void removeAt(int index);
    bool saveAll();
    // After the item's rows were taken out again: every file is new once more.
    void forgetRows();

    File *first() const;
    QString firstPath() const;
    QStringList paths() const;
    QString totalSizeText() const;
    QVariant toVariant() const;

private:
    Q_DISABLE_COPY_MOVE(FileList)

    File *append(std::unique_ptr<File> file);

    std::vector<std::unique_ptr<File>> files;
    std::vector<std::unique_ptr<File>> removed;
    int iid;
};

#endif // FILELIST_H
