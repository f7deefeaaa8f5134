#ifndef LIBRARYGENERATOR_H
#define LIBRARYGENERATOR_H

#include "bench/coverimages.h"
#include "bench/pdfwriter.h"
#include "bench/sampletext.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// Fills the library on the open default connection with made-up books and saved web pages, stored
// through the program's own records so the rows are exactly those the program writes. Every book has
// 1 to 3 authors from a pool of a fifth as many names, a PDF file below ~/Books, its own cover, a title,
// a description and a rating; a few percent mention SampleText::SearchWord. Each book has 0 to 5 tags
// from a pool of 500, and 30 % are numbered in one of 2,000 series. The generator is seeded, so every run
// writes the same library.
class Book;

class LibraryGenerator
{
public:
    LibraryGenerator(const QString &home, const QString &dataDir, int books, int webPages);

    // One transaction for the whole library, for speed; false, with the reason, on the first failure.
    bool generate(QString *error);
    // How many books mention the search word, in the title or the description.
    int searchWordBooks() const { return booksWithSearchWord; }

private:
    void makeAuthorPool();
    void makeLabelPools();
    // A book's tags and series, drawn from the pools.
    void label(Book &book);
    bool storeAll(QString *error);
    bool storeBook(int serial, QString *error);
    bool storeWebPage(int serial, QString *error);
    QStringList bookAuthors();

    QString home;
    QString coverPath;
    int books;
    int webPages;
    QRandomGenerator random;
    SampleText text;
    PdfWriter pdfs;
    CoverImages covers;
    QStringList authorPool;
    QStringList tagPool;
    QStringList seriesPool;
    int booksWithSearchWord = 0;
};

#endif // LIBRARYGENERATOR_H
