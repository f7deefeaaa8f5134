#ifndef BOOKREQUESTFILTER_H
#define BOOKREQUESTFILTER_H

#include "reader/bookfolder.h"

#include <QWebEngineUrlRequestInterceptor>

// Keeps a book's pages to the book's own files: a page that links to, embeds or frames a local file
// outside the book's folder (../../.ssh/id_rsa, file:///etc/passwd) gets nothing.
class BookRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BookRequestFilter)

public:
    BookRequestFilter(const QString &bookFolder, QObject *parent);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    BookFolder book;
};

#endif // BOOKREQUESTFILTER_H
