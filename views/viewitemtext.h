#ifndef VIEWITEMTEXT_H
#define VIEWITEMTEXT_H

#include "model/readingpositions.h"

#include <QString>
#include <QStringList>

#include <optional>

struct ItemSeries;
struct ItemState;
struct ViewItem;

// The texts the views and the information panel show for one view item. Plain fields are escaped
// for the HTML they go into; descriptions are rich text and go in as stored.
class ViewItemText
{
public:
    // The title as the icon list shows it: 20 characters, then "..." when it is longer.
    static QString listTitle(const QString &title);
    // The summary of a book entry; empty when the item has no description.
    static QString bookToolTip(const ViewItem &item);
    // The summary of a web page row, which every web page has.
    static QString webPageToolTip(const ViewItem &item);
    // readTo: the page last read in one of the item's PDFs, shown as "Read to page 132 of 410".
    static QString informationPanel(const ViewItem &item,
                                    const std::optional<ReadingPositions::Position> &readTo = std::nullopt);
    // A capture time in seconds since 1970 as a local date and time, "2026-03-14 09:30".
    static QString createdText(const QString &seconds);
    // "History, Travel".
    static QString tagsText(const QStringList &tags);
    // "The Expanse [2.5]", the position without a trailing ".0"; the name alone without one.
    static QString seriesText(const ItemSeries &series);

private:
    // "Tags: History, Travel" and "Series: The Expanse [2]", each a paragraph, for what is set.
    static QString labelLines(const ViewItem &item);
    // "Read on 2026-03-14", "Wanted", "Own: Shelf 2" and the language, each a paragraph, for what is set.
    static QString stateLines(const ItemState &state);
};

#endif // VIEWITEMTEXT_H
