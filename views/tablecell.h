#ifndef TABLECELL_H
#define TABLECELL_H

#include <QTableWidgetItem>

struct ViewItem;

// A table cell whose tool tip is written from its item when it is shown: a book's tool tip needs its
// description, which the record reads from the database on first use.
class TableCell : public QTableWidgetItem
{
public:
    TableCell() = default;

    void setToolTipSource(const ViewItem *item, QString (*write)(const ViewItem &));

    QVariant data(int role) const override;

private:
    const ViewItem *toolTipSource = nullptr;
    QString (*writeToolTip)(const ViewItem &) = nullptr;
};

#endif // TABLECELL_H
