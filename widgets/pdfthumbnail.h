#ifndef PDFTHUMBNAIL_H
#define PDFTHUMBNAIL_H

#include <QString>

// A cover made of a PDF's first page, rendered 850 pixels wide and scaled down to a cover's height.
class PdfThumbnail
{
public:
    // A captured web page's cover, as high as the cover images.
    static constexpr int CaptureHeight = 190;
    // A book's, as high as the covers the book service sends at most.
    static constexpr int BookHeight = 300;

    // Writes the JPEG; false when the PDF cannot be read or the image cannot be written.
    static bool write(const QString &pdfPath, const QString &jpegPath, int height);

private:
    static constexpr int RenderWidth = 850;
    static constexpr int JpegQuality = 72;
};

#endif // PDFTHUMBNAIL_H
