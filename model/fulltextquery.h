#ifndef FULLTEXTQUERY_H
#define FULLTEXTQUERY_H

#include <QString>

// What the user typed into the full-text search, as the index's query language takes it: words, all of
// which must occur; "a phrase"; a prefix*. Every word and phrase goes in quoted, so that punctuation and
// words such as AND are searched for rather than read as the language's own.
class FullTextQuery
{
public:
    explicit FullTextQuery(const QString &typed);

    // Empty when the text gives nothing to search for, or when it cannot be read (see problem()).
    QString match() const { return matchText; }
    // A short sentence for the user when the text cannot be read; empty otherwise.
    QString problem() const { return problemText; }
    // The first word or phrase as written, without its quotes or prefix mark, to look for within a book.
    QString firstTerm() const { return first; }

private:
    static QString quoted(const QString &words);

    QString matchText;
    QString problemText;
    QString first;
};

#endif // FULLTEXTQUERY_H
