#include "widgets/richtextdelegate.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QTextDocument>

void RichTextDelegate::layOut(QTextDocument &document, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    document.setDefaultFont(option.font);
    document.setHtml(index.data(Qt::DisplayRole).toString());
    document.setTextWidth(option.rect.width() > 0 ? option.rect.width() : -1);
}

void RichTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    // The background and the selection as the style draws them, the text as the document does.
    item.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    QTextDocument document;
    layOut(document, option, index);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = option.palette;
    if (option.state & QStyle::State_Selected)
        context.palette.setColor(QPalette::Text, option.palette.color(QPalette::HighlightedText));
    painter->save();
    painter->translate(option.rect.topLeft());
    painter->setClipRect(option.rect.translated(-option.rect.topLeft()));
    document.documentLayout()->draw(painter, context);
    painter->restore();
}

QSize RichTextDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QTextDocument document;
    layOut(document, option, index);
    return document.size().toSize();
}
