#ifndef COVERICONDELEGATE_H
#define COVERICONDELEGATE_H

#include <QCache>
#include <QPixmap>
#include <QSize>
#include <QStyledItemDelegate>

// Draws an item's cover from the file named in CoverPathRole, read small and only when the item is drawn.
// A list of every book of a large library would otherwise hold each cover whole.
class CoverIconDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CoverIconDelegate)

public:
    static constexpr int CoverPathRole = Qt::UserRole + 1;

    CoverIconDelegate(QSize iconSize, QObject *parent);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    QPixmap thumbnail(const QString &path) const;

    QSize iconSize;
    // A few screens' worth.
    mutable QCache<QString, QPixmap> thumbnails{512};
};

#endif // COVERICONDELEGATE_H
