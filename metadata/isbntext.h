#ifndef ISBNTEXT_H
#define ISBNTEXT_H

#include <QString>

// The ISBN a book's own text gives, as on a copyright page: "ISBN" (or "ISBN-10", "ISBN-13", with or without a
// colon) followed by 10 or 13 digits that hyphens or spaces may separate, accepted only when the check digit
// is right.
class IsbnText
{
public:
    // The digits of the first valid ISBN in the text (an ISBN-10 may end in "X"); empty when there is none.
    static QString find(const QString &text);
    // Whether 10 or 13 digits make a valid ISBN.
    static bool isValid(const QString &digits);
};

#endif // ISBNTEXT_H
