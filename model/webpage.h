#ifndef WEBPAGE_H
#define WEBPAGE_H

#include "model/item.h"

#include <QString>

#include <memory>

struct ViewItem;

// A saved web page: an item with the address, title, text and capture time of its webpages row.
class WebPage : public Item
{
public:
    // A negative id makes a new page captured now; 0 or more loads the stored one.
    WebPage(QObject *parent, int iid);
    ~WebPage();

    QString getTitle() const { return title; }
    void setTitle(const QString &title);
    QString getDescription() const { return description; }
    void setDescription(const QString &description);
    QString getUrl() const { return url; }
    void setUrl(const QString &url);
    quint32 getCreated() const { return created; }
    void setCreated(quint32 created);
    ViewItem *getViewItem() const { return viewItem.get(); }

    // True when every row and the cover were stored.
    bool save();
    // As save(), but a new page is stored whole or not at all.
    bool saveOrUndo();
    // Reads the stored page again and refreshes its view item in place.
    void reload();
    bool remove() override;
    ViewItem *updateViewItem();

private:
    Q_DISABLE_COPY_MOVE(WebPage)

    void dbRead();
    bool insertRow();
    bool updateRow();

    QString title;
    QString description;
    int wid = 0;
    QString url;
    quint32 created = 0;
    std::unique_ptr<ViewItem> viewItem;
};

#endif // WEBPAGE_H
