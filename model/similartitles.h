#ifndef SIMILARTITLES_H
#define SIMILARTITLES_H

#include <QString>
#include <QStringList>

// The library's books whose titles share words with a title, so that a book held already is seen before it
// is added again.
class SimilarTitles
{
public:
    // The titles, most words shared first; words of fewer than three letters do not count.
    static QStringList of(const QString &title, int limit = 20);

    static QStringList words(const QString &title);
};

#endif // SIMILARTITLES_H
