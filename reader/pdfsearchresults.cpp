#include "reader/pdfsearchresults.h"

#include <QPdfSearchModel>

namespace {

// A hit's context runs over line ends, which the search model marks with "⏎"; its spaces next to the hit
// are kept.
QString oneLine(QString text)
{
    return text.replace(QChar(0x23CE), u' ');
}

} // namespace

QVariant PdfSearchResults::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QIdentityProxyModel::data(index, role);
    const auto *search = qobject_cast<const QPdfSearchModel *>(sourceModel());
    if (!search)
        return {};
    const auto value = [&](QPdfSearchModel::Role searchRole) {
        return QIdentityProxyModel::data(index, int(searchRole));
    };
    return tr("Page %1: …%2%3%4…")
        .arg(value(QPdfSearchModel::Role::Page).toInt() + 1)
        .arg(oneLine(value(QPdfSearchModel::Role::ContextBefore).toString()), search->searchString(),
             oneLine(value(QPdfSearchModel::Role::ContextAfter).toString()));
}
