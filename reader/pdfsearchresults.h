#ifndef PDFSEARCHRESULTS_H
#define PDFSEARCHRESULTS_H

#include <QIdentityProxyModel>

// A PDF search's hits as a list shows them: "Page 19: …the quince grew best…", as plain text where the
// search model gives markup.
class PdfSearchResults : public QIdentityProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PdfSearchResults)

public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override;
};

#endif // PDFSEARCHRESULTS_H
