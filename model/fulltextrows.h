#ifndef FULLTEXTROWS_H
#define FULLTEXTROWS_H

#include <QSqlDatabase>

// Where a file's parts lie in the full-text index: rows numbered from the file's id, so that a file's
// rows are found by their numbers rather than by a scan of the index.
class FullTextRows
{
public:
    // Parts past this many are not kept.
    static constexpr qint64 PartsPerFile = 100000;

    // part: 1-based.
    static qint64 row(int fid, int part) { return fid * PartsPerFile + part; }
    // Takes the file's parts and its entry out of the index.
    static bool forget(const QSqlDatabase &db, int fid);
};

#endif // FULLTEXTROWS_H
