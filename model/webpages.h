#ifndef WEBPAGES_H
#define WEBPAGES_H

#include "model/items.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

class WebPage;
struct ViewItem;

// The saved web pages one view shows, oldest capture first, narrowed by a search. It holds the shared
// records of the pages it has loaded (see Records).
class WebPages : public Items
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebPages)

public:
    explicit WebPages(QObject *parent);
    ~WebPages() override;

    QList<ViewItem *> *getViewItems() const { return viewItems.get(); }
    WebPage *find(int iid) const;
    void append(std::shared_ptr<WebPage> page);
    // Lets the page go without touching what is stored; the shared record lives on with other holders.
    std::shared_ptr<WebPage> release(int iid);
    void dbSearch(const QString &term);
    static Search searchStatement(const QString &term);
    // The pages of these ids, the hits of a search, in this order, become the view items.
    void showFound(const QList<int> &ids);

public slots:
    void deleteWebPage(int iid);

private:
    void dbRead();

    std::unique_ptr<QList<ViewItem *>> viewItems;
    QHash<int, std::shared_ptr<WebPage>> pageMap;
};

#endif // WEBPAGES_H
