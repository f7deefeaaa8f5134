#include "editing/itemfiletable.h"

#include "core/settings.h"
#include "model/file.h"
#include "model/filelist.h"
#include "model/item.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>

ItemFileTable::ItemFileTable(QTableWidget *table, QPushButton *viewButton, const QString &startLocation)
    : table(table)
    , viewButton(viewButton)
    , startLocation(startLocation)
{
    setCurrentFilePath(QString());
}

void ItemFileTable::fill(const Item &item)
{
    const FileList *files = item.getFiles();
    for (int index = 0; index < files->count(); ++index)
        append(*files->at(index));
    if (files->count() > 0)
        setCurrentFilePath(item.getMainFilePath());
}

void ItemFileTable::append(File &file)
{
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, new QTableWidgetItem(file.getFileName()));
    table->setItem(row, 1, new QTableWidgetItem(QString::number(file.getFileSize())));
    table->setItem(row, 2, new QTableWidgetItem(file.md5()));
    table->setItem(row, 3, new QTableWidgetItem(file.getFilePath()));
}

void ItemFileTable::clear()
{
    table->setRowCount(0);
    setCurrentFilePath(QString());
}

void ItemFileTable::setCurrentFilePath(const QString &path)
{
    filePath = path;
    viewButton->setEnabled(!path.isEmpty());
}

void ItemFileTable::openCurrentFile() const
{
    if (!filePath.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}

QString ItemFileTable::askForFile(const QString &filter) const
{
    return QFileDialog::getOpenFileName(table->window(), tr("Select Book"), startLocation, filter);
}

File *ItemFileTable::addFile(Item &item)
{
    const QString path = askForFile(tr("Book Files (*.pdf *.chm *.epub *.mobi)"));
    if (path.isEmpty())
        return nullptr;
    File *file = item.addFile(path);
    rememberLocation(*file);
    append(*file);
    if (filePath.isEmpty())
        setCurrentFilePath(item.getMainFilePath());
    return file;
}

void ItemFileTable::removeSelected(Item &item)
{
    const QList<QTableWidgetItem *> selected = table->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = selected.first()->row();
    table->removeRow(row);
    item.getFiles()->removeAt(row);
    setCurrentFilePath(item.getMainFilePath());
}

void ItemFileTable::rememberLocation(const File &file)
{
    Settings().setValue(Settings::LastSelectDir, file.getAbsolutePath());
}
