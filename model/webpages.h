#ifndef WEBPAGES_H
#define WEBPAGES_H

#include "model/items.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

class WebPage;
struct ViewItem;

// The saved web pages one view shows, oldest capture first, narrowed by a search. The records it loads
// outlive it (see RecordStore); it owns only its lists.
class WebPages : public Items
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebPages)

public:
    explicit WebPages(QObject *parent);
    ~WebPages() override;

    QList<ViewItem *> *getViewItems() const { return viewItems.get(); }
    WebPage *find(int iid) const;
    // Shows a page captured or stored elsewhere; its creator keeps owning it.
    void append(WebPage *page);
    void dbSearch(const QString &term);

public slots:
    void deleteWebPage(int iid);

private:
    void dbRead();

    std::unique_ptr<QList<ViewItem *>> viewItems;
    QHash<int, WebPage *> pageMap;
};

#endif // WEBPAGES_H
