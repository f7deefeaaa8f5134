#include "views/coverlistentry.h"

#include "model/item.h"
#include "model/itemroles.h"
#include "model/viewitem.h"
#include "views/viewitemtext.h"

#include <QImage>
#include <QPixmap>

CoverListEntry::CoverListEntry(const ViewItem *item)
    : source(item)
{
}

void CoverListEntry::show(const ViewItem *item)
{
    source = item;
    cover.reset();
}

QVariant CoverListEntry::data(int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return ViewItemText::listTitle(source->title);
    case Qt::DecorationRole:
        if (!cover)
            cover = decodeCover();
        return *cover;
    case Qt::ToolTipRole:
        return ViewItemText::bookToolTip(*source);
    case FilePathRole:
        return source->filePath.isEmpty() ? QVariant() : QVariant(source->filePath);
    case ItemIdRole:
        return source->iid;
    case UrlRole:
        return source->url.isEmpty() ? QVariant() : QVariant(source->url);
    default:
        return QListWidgetItem::data(role);
    }
}

QIcon CoverListEntry::decodeCover() const
{
    QImage image;
    if (!source->coverFile.isEmpty())
        image.load(source->coverFile);
    if (image.isNull())
        image.load(Item::DefaultCover);
    return QIcon(QPixmap::fromImage(image.scaledToHeight(CoverHeight, Qt::SmoothTransformation)));
}
