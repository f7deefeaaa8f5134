#ifndef FILECOVER_H
#define FILECOVER_H

#include <QString>

class Book;

// A book whose lookup brought no cover, or that is stored without one, shows its file's own: a PDF's first
// page, or the cover image an EPUB names.
class FileCover
{
public:
    // When the book has only the built-in cover and its main file gives a cover, that becomes the book's,
    // which the save moves to the book's own cover name. True when it did.
    static bool supply(Book &book);

private:
    // The EPUB's cover image scaled to a book cover's height, as a JPEG; false when it names none that
    // decodes.
    static bool writeEpubCover(const QString &epubPath, const QString &jpegPath);
};

#endif // FILECOVER_H
