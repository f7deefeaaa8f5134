#ifndef LIBRARYTREEFILTER_H
#define LIBRARYTREEFILTER_H

#include <QRegularExpression>
#include <QString>

class QTreeWidget;

// Narrows the library tree to the entries whose text matches any of the words typed into its filter.
class LibraryTreeFilter
{
public:
    // The words as alternatives, in any letter case. A text that is no valid expression (an unbalanced
    // bracket, say) is matched word by word as typed.
    static QRegularExpression pattern(const QString &text);
    // Shows the entries under the top-level entries that match; the top-level entries always stay.
    static void apply(QTreeWidget *tree, const QString &text);
    static void clear(QTreeWidget *tree);
};

#endif // LIBRARYTREEFILTER_H
