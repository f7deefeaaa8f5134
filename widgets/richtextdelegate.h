#ifndef RICHTEXTDELEGATE_H
#define RICHTEXTDELEGATE_H

#include <QStyledItemDelegate>

// Draws an entry's text as rich text, so that a list can show words in bold within it.
class RichTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RichTextDelegate)

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    static void layOut(QTextDocument &document, const QStyleOptionViewItem &option, const QModelIndex &index);
};

#endif // RICHTEXTDELEGATE_H
