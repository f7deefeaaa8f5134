#ifndef FULLTEXTRESULTS_H
#define FULLTEXTRESULTS_H

#include "model/fulltextsearch.h"

#include <QListWidget>

#include <functional>

// The hits of a full-text search beside a tab's view, best first: each with its item's title, "page 132" or
// "chapter 4", and the text around the words, which are in bold. Activating a hit asks for its file to be read
// there.
class FullTextResults : public QListWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FullTextResults)

public:
    explicit FullTextResults(QWidget *parent = nullptr);

    void showHits(const QList<FullTextSearch::Hit> &hits, const std::function<QString(int iid)> &titleOf);

signals:
    // part: the 1-based page of a PDF or spine document of an EPUB.
    void hitActivated(const QString &path, int part);
};

#endif // FULLTEXTRESULTS_H
