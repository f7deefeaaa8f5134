#include "model/filelist.h"

#include "model/file.h"

#include <QDebug>

FileList::FileList(int iid)
    : iid(iid)
{
}

FileList::~FileList() = default;

void FileList::setIid(int iid)
{
    this->iid = iid;
}

int FileList::count() const
{
    return static_cast<int>(files.size());
}

File *FileList::at(int index) const
{
    return index >= 0 && index < count() ? files[index].get() : nullptr;
}

File *FileList::add(const QString &path)
{
    return append(std::make_unique<File>(path));
}

File *FileList::addById(int fid)
{
    return append(std::make_unique<File>(fid));
}

File *FileList::addRow(const QVariantList &row)
{
    return append(std::make_unique<File>(row));
}

File *FileList::append(std::unique_ptr<File> file)
{
    file->setIid(iid);
    files.push_back(std::move(file));
    return files.back().get();
}

void FileList::removeAt(int index)
{
    if (index < 0 || index >= count())
        return;
    auto file = std::move(files[index]);
    files.erase(files.begin() + index);
    if (file->getFid() >= 1)
        removed.push_back(std::move(file));
}

bool FileList::saveAll()
{
    bool allSaved = true;
    // A row that could not be deleted stays pending, so the next save tries again.
    std::erase_if(removed, [&allSaved](const std::unique_ptr<File> &file) {
        const bool deleted = file->dbRemove();
        allSaved = deleted && allSaved;
        return deleted;
    });
    for (const auto &file : files) {
        file->setIid(iid);
        allSaved = file->save() && allSaved;
    }
    return allSaved;
}

void FileList::forgetRows()
{
    for (const auto &file : files)
        file->forgetRow();
    removed.clear();
}

File *FileList::first() const
{
    if (files.empty()) {
        qDebug() << "file list is empty!";
        return nullptr;
    }
    return files.front().get();
}

QString FileList::firstPath() const
{
    const File *file = first();
    return file ? file->getFilePath() : QString();
}

QStringList FileList::paths() const
{
    QStringList list;
    list.reserve(count());
    for (const auto &file : files)
        list.append(file->getFilePath());
    return list;
}

QString FileList::totalSizeText() const
{
    qint64 total = 0;
    for (const auto &file : files)
        total += file->knownSize();
    return QString::number(static_cast<double>(total) / 1000000.0, 'f', 2);
}

QVariant FileList::toVariant() const
{
    QVariantList list;
    list.reserve(count());
    for (const auto &file : files)
        list.append(file->toVariant());
    return list;
}
