#ifndef PDFWRITER_H
#define PDFWRITER_H

#include <QString>

class QRandomGenerator;

// Writes stand-ins for PDF books: the PDF header, a line naming the file's series and serial number,
// then varied bytes, 4 to 64 KB in all. The second line makes the first 50 bytes, by which the program
// tells files apart, differ between any two files written with different series or serials.
class PdfWriter
{
public:
    PdfWriter(QRandomGenerator &random, const QString &series);

    static constexpr int MinSize = 4 * 1024;
    static constexpr int MaxSize = 64 * 1024;

    // Creates the file's folder as needed; false, with the reason, when the file could not be written.
    bool write(const QString &path, int serial, QString *error);

private:
    QRandomGenerator &random;
    QString series;
};

#endif // PDFWRITER_H
