#include "app/credits.h"

#include <QCoreApplication>

QString Credits::html()
{
    return QCoreApplication::translate(
        "Credits",
        "<h3>Shelvio is made with</h3>"
        "<ul>"
        "<li><b>Qt 6</b>, with Qt WebEngine (Chromium) and Qt PDF (PDFium): LGPL 3</li>"
        "<li><b>QuaZip</b>, on zlib: LGPL 2.1 with a static linking exception</li>"
        "<li><b>SQLite</b>: public domain</li>"
        "<li><b>Silk icons</b> by Mark James, famfamfam.com: Creative Commons Attribution 3.0</li>"
        "<li><b>Tango icons</b>: public domain</li>"
        "<li><b>jQuery</b>: MIT</li>"
        "</ul>"
        "<p>PDF files are converted by <b>Calibre</b>'s ebook-convert (GPL 3), run as a program of its own.</p>");
}
