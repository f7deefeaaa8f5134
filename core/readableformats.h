#ifndef READABLEFORMATS_H
#define READABLEFORMATS_H

#include <QString>

// The files the program's own readers show, known by their suffix: PDF, EPUB, HTML and text.
class ReadableFormats
{
public:
    static bool canRead(const QString &path);
    static bool isPdf(const QString &path);
    // For a file dialog: "Book Files (*.pdf *.epub ...)".
    static QString fileDialogFilter();
};

#endif // READABLEFORMATS_H
