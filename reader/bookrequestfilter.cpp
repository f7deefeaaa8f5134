#include "reader/bookrequestfilter.h"

#include <QDebug>

BookRequestFilter::BookRequestFilter(const QString &bookFolder, QObject *parent)
    : QWebEngineUrlRequestInterceptor(parent)
    , book(bookFolder)
{
}

void BookRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const QUrl url = info.requestUrl();
    if (!url.isLocalFile() || book.contains(url.toLocalFile()))
        return;
    qWarning() << "Refusing" << url.toString() << "outside the book";
    info.block(true);
}
