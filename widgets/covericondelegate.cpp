#include "widgets/covericondelegate.h"

#include <QImageReader>

CoverIconDelegate::CoverIconDelegate(QSize iconSize, QObject *parent)
    : QStyledItemDelegate(parent)
    , iconSize(iconSize)
{
}

void CoverIconDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QString path = index.data(CoverPathRole).toString();
    if (path.isEmpty())
        return;
    option->icon = QIcon(thumbnail(path));
    option->decorationSize = iconSize;
    option->features |= QStyleOptionViewItem::HasDecoration;
}

QPixmap CoverIconDelegate::thumbnail(const QString &path) const
{
    if (const QPixmap *cached = thumbnails.object(path))
        return *cached;
    QImageReader reader(path);
    const QSize full = reader.size();
    // Decoded at the size shown: a JPEG reader skips what it does not need.
    if (full.isValid())
        reader.setScaledSize(full.scaled(iconSize, Qt::KeepAspectRatio));
    auto *pixmap = new QPixmap(QPixmap::fromImage(reader.read()));
    thumbnails.insert(path, pixmap);
    return *pixmap;
}
