#ifndef ITEMROLES_H
#define ITEMROLES_H

// Data roles that library tree entries, list entries and table cells carry besides Qt's own.
enum ItemRole : int {
    FilePathRole = 37,
    ItemIdRole = 42,
    AuthorIdRole = 43,
    UrlRole = 47,
};

#endif // ITEMROLES_H
