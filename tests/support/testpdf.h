#ifndef TESTPDF_H
#define TESTPDF_H

#include <QString>
#include <QStringList>

// PDFs as a publisher's tools write them: a title in the metadata, a line of text on each page.
class TestPdf
{
public:
    static bool write(const QString &path, const QString &title, const QStringList &pageTexts);
};

#endif // TESTPDF_H
