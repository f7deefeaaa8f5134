#include "model/webpages.h"

#include "model/labelquery.h"
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
        WebPage *page = hold(pageMap, iid);
        viewItems->append(page->updateViewItem());
    }
}

WebPage *WebPages::find(int iid) const
{
    return pageMap.value(iid).get();
}

void WebPages::append(std::shared_ptr<WebPage> page)
{
    viewItems->append(page->updateViewItem());
    pageMap.insert(page->getIid(), std::move(page));
}

std::shared_ptr<WebPage> WebPages::release(int iid)
{
    std::shared_ptr<WebPage> page = pageMap.take(iid);
    if (page)
        viewItems->removeOne(page->getViewItem());
    return page;
}

void WebPages::dbSearch(const QString &term)
{
    showFound(searchIds(searchStatement(term), term));
}

Items::Search WebPages::searchStatement(const QString &term)
{
    const LabelQuery labels(term);
    if (!labels.isRestricted())
        return {QStringLiteral("SELECT iid FROM webpages WHERE (title LIKE :term_title) OR (description LIKE "
                               ":term_desc) LIMIT 500"),
                std::nullopt};
    return {labelledStatement(labels, QStringLiteral("SELECT iid FROM webpages WHERE "),
                              QStringLiteral("((title LIKE :term_title) OR (description LIKE :term_desc))"),
                              QStringLiteral("iid"), 500),
            std::nullopt};
}

void WebPages::showFound(const QList<int> &ids)
{
    const StatementCache statements;
    viewItems->clear();
    for (const int iid : ids) {
        WebPage *page = find(iid);
        if (!page)
            page = hold(pageMap, iid);
        viewItems->append(page->updateViewItem());
    }
}

void WebPages::deleteWebPage(int iid)
{
    // Held here until remove() has told every other holder.
    const std::shared_ptr<WebPage> page = release(iid);
    // remove() reports its own failures.
    if (page)
        page->remove();
}
