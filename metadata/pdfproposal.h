#ifndef PDFPROPOSAL_H
#define PDFPROPOSAL_H

#include <QString>
#include <QStringList>

// What a PDF's own metadata proposes for its book: its title when that is plausible, and the names in its
// author field.
class PdfProposal
{
public:
    // The metadata's title when it is plausible, else the title the file's name proposes.
    static QString title(const QString &metadataTitle, const QString &fileName, const QString &extension);
    // Not empty, not "untitled", not a file name and not a word processor's "Microsoft Word - x.doc".
    static bool isPlausibleTitle(const QString &title);
    // The names in an author field, split on ";", "," or " and ".
    static QStringList authors(const QString &authorField);
};

#endif // PDFPROPOSAL_H
