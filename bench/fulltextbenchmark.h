#ifndef FULLTEXTBENCHMARK_H
#define FULLTEXTBENCHMARK_H

#include "bench/figure.h"

#include <QList>
#include <QString>
#include <QStringList>

class MainWindow;

// The full-text index on real text: gives some of the library's books a PDF of generated prose with rare
// words planted on known pages, indexes them while a title search is typed, and measures the indexing
// against pdftotext over the same files, the index's size against the text's, and 20 queries.
class FullTextBenchmark
{
public:
    static constexpr int PagesPerBook = 20;

    FullTextBenchmark(MainWindow &window, const QString &folder, int textBooks, int books);

    QList<Figure> run();

private:
    // The books' files become the PDFs; false, with the reason, when they could not be written.
    bool writeBooks(QString *error);
    // Seconds pdftotext takes over every file; negative, with the reason, when it could not run.
    double pdftotextSeconds(QString *error) const;

    MainWindow &window;
    QString folder;
    int textBooks;
    int books;
    QStringList paths;
};

#endif // FULLTEXTBENCHMARK_H
