#ifndef CAPTUREFILENAME_H
#define CAPTUREFILENAME_H

#include <QString>

// Names the PDF of a captured page after its title, in the library directory, without overwriting an
// earlier capture.
class CaptureFileName
{
public:
    // The directory followed by the title with the characters that file systems refuse replaced by "_",
    // the whole cut to 248 characters. An empty title would give a hidden ".pdf", so fallbackName (the
    // page's host) stands in for it.
    static QString basePath(const QString &title, const QString &fallbackName, const QString &libraryDir);
    // basePath + ".pdf", or the first free of basePath + "-0.pdf", "-1.pdf", ...
    static QString freePdfPath(const QString &basePath);

private:
    static constexpr qsizetype MaximumBaseLength = 248;
};

#endif // CAPTUREFILENAME_H
