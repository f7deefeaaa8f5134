#ifndef FULLTEXTSEARCH_H
#define FULLTEXTSEARCH_H

#include <QList>
#include <QSqlDatabase>
#include <QString>

// A search through the text of the library's files: the pages and chapters where the words occur, best
// first, each with a snippet of its text around them.
class FullTextSearch
{
public:
    // Hits past this many are not listed: each listed hit reads its page's text for the snippet, and a
    // reader looks through the best ones.
    static constexpr int MostHits = 200;

    struct Hit
    {
        int iid = 0;
        QString filePath;
        // The page of a PDF, the spine document of an EPUB, 1-based; 1 for a whole file.
        int part = 0;
        // The text around the words as rich text, the words in bold.
        QString snippet;
    };

    struct Scope
    {
        // The items of this kind ("Book" or "WebPage").
        QString type;
        // Only the books of this author, tag or series, when above 0.
        int aid = 0;
        int tid = 0;
        int sid = 0;
    };

    // The problem says why the typed text cannot be searched; the hits are then empty.
    struct Result
    {
        QList<Hit> hits;
        QString problem;
    };

    static Result run(const QString &typed, const Scope &scope, const QSqlDatabase &db = QSqlDatabase::database());
};

#endif // FULLTEXTSEARCH_H
