#include "views/tablecell.h"

void TableCell::setToolTipSource(const ViewItem *item, QString (*write)(const ViewItem &))
{
    toolTipSource = item;
    writeToolTip = write;
}

QVariant TableCell::data(int role) const
{
    if (role == Qt::ToolTipRole && toolTipSource)
        return writeToolTip(*toolTipSource);
    return QTableWidgetItem::data(role);
}
