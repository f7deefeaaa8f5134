#include "model/webpages.h"

#include "model/statementcache.h"
#include "model/viewitem.h"
#include "model/webpage.h"

WebPages::WebPages(QObject *parent)
    : Items(parent)
    , viewItems(std::make_unique<QList<ViewItem *>>())
{
    dbRead();
}

WebPages::~WebPages() = default;

void WebPages::dbRead()
{
    const StatementCache statements;
    const QList<int> ids = selectIds(QStringLiteral("SELECT iid FROM webpages WHERE 1 ORDER BY created ASC"));
    for (const int iid : ids) {
        WebPage *page = loadKept(pageMap, iid);
        viewItems->append(page->updateViewItem());
    }
}

WebPage *WebPages::find(int iid) const
{
    return pageMap.value(iid);
}

void WebPages::append(WebPage *page)
{
    viewItems->append(page->updateViewItem());
    pageMap.insert(page->getIid(), page);
}

void WebPages::dbSearch(const QString &term)
{
    const StatementCache statements;
    viewItems->clear();
    const QList<int> ids = searchIds(
        QStringLiteral("SELECT iid FROM webpages WHERE (title LIKE :term_title) OR (description LIKE :term_desc) "
                       "LIMIT 500"),
        term);
    for (const int iid : ids) {
        WebPage *page = pageMap.value(iid);
        if (!page)
            page = loadKept(pageMap, iid);
        viewItems->append(page->updateViewItem());
    }
}

void WebPages::deleteWebPage(int iid)
{
    WebPage *page = pageMap.take(iid);
    if (!page)
        return;
    viewItems->removeOne(page->getViewItem());
    // remove() reports its own failures; the record stays valid for whoever still shows it.
    page->remove();
}
