#ifndef READINGPOSITIONS_H
#define READINGPOSITIONS_H

#include <QString>

#include <optional>

// Where the reader stopped in each file: a PDF's page and zoom, an EPUB's chapter. A file of the library is
// known by its stored file id, any other by its MD5, so that a copy kept elsewhere opens where it was left.
class ReadingPositions
{
public:
    struct Position
    {
        // 0-based.
        int page = 0;
        // 0 where the reader chose a fit instead of a factor.
        double zoom = 0;
        // 0-based.
        int chapter = 0;
    };

    static QString keyOfFile(int fid);
    static QString keyOfDigest(const QString &md5);

    static std::optional<Position> load(const QString &key);
    static bool save(const QString &key, const Position &position);
};

#endif // READINGPOSITIONS_H
