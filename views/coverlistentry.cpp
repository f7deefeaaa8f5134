#include "views/coverlistentry.h"

#include "model/item.h"
#include "views/viewitemtext.h"

#include <QImage>
#include <QPixmap>

CoverListEntry::CoverListEntry(const QString &text)
    : QListWidgetItem(text)
{
}

void CoverListEntry::setCoverFile(const QString &path)
{
    coverFile = path;
    cover.reset();
    // A changed value tells the list to draw the entry again, without decoding the cover now.
    setData(CoverRevisionRole, data(CoverRevisionRole).toInt() + 1);
}

QVariant CoverListEntry::data(int role) const
{
    if (role == Qt::ToolTipRole && toolTipSource)
        return ViewItemText::bookToolTip(*toolTipSource);
    if (role != Qt::DecorationRole)
        return QListWidgetItem::data(role);
    if (!cover)
        cover = decodeCover();
    return *cover;
}

QIcon CoverListEntry::decodeCover() const
{
    QImage image;
    if (!coverFile.isEmpty())
        image.load(coverFile);
    if (image.isNull())
        image.load(Item::DefaultCover);
    return QIcon(QPixmap::fromImage(image.scaledToHeight(CoverHeight, Qt::SmoothTransformation)));
}
