#ifndef BOOKTEXT_H
#define BOOKTEXT_H

#include <QString>
#include <QStringList>

// The text of a book file in parts, as the full-text index keeps it: a PDF's pages, an EPUB's spine
// documents without their markup, or the whole of an HTML or text file. Plain data, read in a worker.
class BookText
{
public:
    enum class State { Indexed, Unreadable, Protected, TooLarge };

    // Larger files are not read at all; longer parts are cut.
    static constexpr qint64 MaximumFileBytes = qint64(512) << 20;
    static constexpr qsizetype MaximumPartCharacters = 2 << 20;

    static BookText read(const QString &path);
    // How the state is written in the index's table of files.
    static QString stateName(State state);

    State state = State::Unreadable;
    QStringList parts;

private:
    static BookText readPdf(const QString &path);
    static BookText readEpub(const QString &path);
    static BookText readPlain(const QString &path, bool markup);
    // Cuts parts that are too long, which the state then tells.
    void keep(QString part);
};

#endif // BOOKTEXT_H
