#ifndef PDFTHUMBNAIL_H
#define PDFTHUMBNAIL_H

#include <QString>

// The cover of a captured page: its PDF's first page, rendered 850 pixels wide and scaled down to the
// height of the cover images.
class PdfThumbnail
{
public:
    // Writes the JPEG; false when the PDF cannot be read or the image cannot be written.
    static bool write(const QString &pdfPath, const QString &jpegPath);

private:
    static constexpr int RenderWidth = 850;
    static constexpr int CoverHeight = 190;
    static constexpr int JpegQuality = 72;
};

#endif // PDFTHUMBNAIL_H
