#include "views/coverlistentry.h"

#include "model/item.h"
#include "model/itemroles.h"
#include "model/viewitem.h"
#include "views/viewitemtext.h"

#include <QCache>
#include <QImage>
#include <QPixmap>

namespace {

// The covers drawn lately, by file: a search gives the entries other items, and the next key mostly shows
// the same books again. A few screens' worth.
QCache<QString, QIcon> &recentCovers()
{
    static QCache<QString, QIcon> covers(240);
    return covers;
}

} // namespace

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

void CoverListEntry::forgetCover(const QString &path)
{
    recentCovers().remove(path);
}

QIcon CoverListEntry::decodeCover() const
{
    if (const QIcon *recent = recentCovers().object(source->coverFile))
        return *recent;
    QImage image;
    if (!source->coverFile.isEmpty())
        image.load(source->coverFile);
    if (image.isNull())
        image.load(Item::DefaultCover);
    QIcon decoded(QPixmap::fromImage(image.scaledToHeight(CoverHeight, Qt::SmoothTransformation)));
    recentCovers().insert(source->coverFile, new QIcon(decoded));
    return decoded;
}
