#ifndef ITEMROLES_H
#define ITEMROLES_H

// Data roles that library tree entries, list entries and table cells carry besides Qt's own.
enum ItemRole : int {
    FilePathRole = 37,
    ItemIdRole = 42,
    AuthorIdRole = 43,
    TagIdRole = 44,
    SeriesIdRole = 45,
    // A tag's or series' name, without the count its entry shows.
    LabelNameRole = 46,
    UrlRole = 47,
};

#endif // ITEMROLES_H
