#ifndef FIRSTPAGECOVER_H
#define FIRSTPAGECOVER_H

class Book;

// A book whose lookup brought no cover, or that is stored without one, shows its PDF's first page.
class FirstPageCover
{
public:
    // When the book has only the built-in cover and its main file is a PDF that renders, the page becomes
    // its cover, which the save moves to the book's own cover name. True when it did.
    static bool supply(Book &book);
};

#endif // FIRSTPAGECOVER_H
