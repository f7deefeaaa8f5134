#ifndef READINGPOSITIONS_H
#define READINGPOSITIONS_H

#include <QString>

#include <optional>

// Where the reader stopped in each file: a PDF's page and zoom, an EPUB's chapter. A file of the library is
// known by its stored file id, any other by its MD5, so that a copy kept elsewhere opens where it was left.
class ReadingPositions
{
public:
    // How a PDF was last zoomed when no factor was chosen.
    static constexpr double FitWidth = 0;
    static constexpr double FitPage = -1;

    struct Position
    {
        // 0-based.
        int page = 0;
        // A factor, or FitWidth or FitPage.
        double zoom = FitWidth;
        // 0-based.
        int chapter = 0;
        // The PDF's page count; 0 for an EPUB.
        int pages = 0;
    };

    static QString keyOfFile(int fid);
    static QString keyOfDigest(const QString &md5);
    // By the stored file at the path, else by the file's content (its digest when the caller has it);
    // empty when the file cannot be read.
    static QString keyOfPath(const QString &path, const QString &knownDigest = {});

    static std::optional<Position> load(const QString &key);
    static bool save(const QString &key, const Position &position);
    // The page last read in one of the item's PDFs; none when no PDF of it was read.
    static std::optional<Position> lastPageRead(int iid);
};

#endif // READINGPOSITIONS_H
