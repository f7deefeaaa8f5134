#include "app/librarytreefilter.h"

#include "core/logger.h"

#include <QDebug>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

QRegularExpression LibraryTreeFilter::pattern(const QString &text)
{
    const QString words = text.trimmed().replace(u' ', u'|');
    QRegularExpression expression(words, QRegularExpression::CaseInsensitiveOption);
    if (!expression.isValid()) {
        QStringList literal = words.split(u'|', Qt::SkipEmptyParts);
        for (QString &word : literal)
            word = QRegularExpression::escape(word);
        expression.setPattern(literal.join(u'|'));
    }
    logDebug(QStringLiteral("regExp:") + expression.pattern());
    return expression;
}

void LibraryTreeFilter::apply(QTreeWidget *tree, const QString &text)
{
    const QRegularExpression expression = pattern(text);
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        QTreeWidgetItem *entry = *it;
        if (!entry->parent() || entry->childCount() > 0) {
            entry->setHidden(false);
            continue;
        }
        const QString entryText = entry->text(0);
        const QRegularExpressionMatch match = expression.match(entryText);
        qDebug() << entryText << entry->childCount() << match.capturedStart();
        entry->setHidden(!match.hasMatch());
    }
}

void LibraryTreeFilter::clear(QTreeWidget *tree)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        (*it)->setHidden(false);
}
