#ifndef LIKEPATTERN_H
#define LIKEPATTERN_H

#include <QString>

// Turns text into a LIKE pattern that matches only that text. Statements that use it end their
// LIKE with "ESCAPE '\'", so "%" and "_" in a file path or a name stay plain characters.
class LikePattern
{
public:
    static QString exact(const QString &text);
};

#endif // LIKEPATTERN_H
