#ifndef IMPORTFOLDER_H
#define IMPORTFOLDER_H

#include "bench/pdfwriter.h"
#include "bench/sampletext.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// A folder of new PDF books, in subfolders of a few hundred, none of which the library holds: what
// "Adding multiple books" is pointed at.
class ImportFolder
{
public:
    ImportFolder(const QString &path, int count);

    bool write(QString *error);
    QString path() const { return folder; }
    QStringList files() const { return paths; }

private:
    QString folder;
    int count;
    QRandomGenerator random;
    SampleText text;
    PdfWriter pdfs;
    QStringList paths;
};

#endif // IMPORTFOLDER_H
