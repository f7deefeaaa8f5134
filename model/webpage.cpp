#include "model/webpage.h"

#include "model/filelist.h"
#include "model/preparedquery.h"
#include "model/viewitem.h"

#include <QDateTime>
#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const qsizetype ShortDescriptionLength = 100;

// The description on one line, cut for the views.
QString shortDescription(const QString &description)
{
    QString text = description.trimmed().replace(u'\n', u' ').left(ShortDescriptionLength);
    // Never leave half of a character made of two UTF-16 units.
    if (text.size() == ShortDescriptionLength && text.back().isHighSurrogate())
        text.chop(1);
    if (description.size() > ShortDescriptionLength)
        text += QStringLiteral("...");
    return text;
}

} // namespace

WebPage::WebPage(QObject *parent, int iid)
    : Item(parent, iid)
    , viewItem(std::make_unique<ViewItem>())
{
    setType(QStringLiteral("WebPage"));
    if (iid < 0) {
        created = static_cast<quint32>(QDateTime::currentSecsSinceEpoch());
        wid = -1;
        return;
    }
    dbRead();
    updateViewItem();
}

WebPage::~WebPage() = default;

void WebPage::reload()
{
    if (getIid() < 1)
        return;
    Item::reload();
    dbRead();
    updateViewItem();
    announceChange();
}

void WebPage::setTitle(const QString &title)
{
    this->title = title;
}

void WebPage::setDescription(const QString &description)
{
    this->description = description;
}

void WebPage::setUrl(const QString &url)
{
    this->url = url;
}

void WebPage::setCreated(quint32 created)
{
    this->created = created;
}

void WebPage::dbRead()
{
    PreparedQuery query(QStringLiteral("SELECT * FROM webpages WHERE iid = :iid"));
    query->bindValue(QStringLiteral(":iid"), getIid());
    if (!query.exec()) {
        qDebug() << query->lastError();
        return;
    }
    if (!query->next())
        return;
    title = query->value(4).toString();
    description = query->value(5).toString();
    url = query->value(2).toString();
    wid = query->value(0).toInt();
    created = query->value(3).toUInt();
}

ViewItem *WebPage::updateViewItem()
{
    const FileList *files = getFiles();
    viewItem->coverFile = getCoverFile();
    viewItem->description = shortDescription(description);
    viewItem->filePath = files->firstPath();
    viewItem->iid = getIid();
    viewItem->title = title;
    viewItem->type = getType();
    viewItem->url = url;
    viewItem->created = QString::number(created);
    // The record is the first entry, once: refreshes happen on every search.
    if (viewItem->items.isEmpty())
        viewItem->items.append(this);
    viewItem->filePaths = files->paths();
    viewItem->fileSize = files->totalSizeText();
    viewItem->state = getState();
    viewItem->tags = getTags();
    viewItem->series = getSeries();
    viewItem->rating = getRating();
    return viewItem.get();
}

bool WebPage::save()
{
    const bool stored = saveWithRow("wid", wid, [this] { return wid < 1 ? insertRow() : updateRow(); });
    updateViewItem();
    return stored;
}

bool WebPage::saveOrUndo()
{
    return Item::saveOrUndo([this] { return save(); }, [this] { return remove(); },
                            [this] {
                                wid = -1;
                                updateViewItem();
                            });
}

bool WebPage::insertRow()
{
    PreparedQuery query(
        QStringLiteral("INSERT INTO webpages                  (iid, url, created,  title, description)      "
                       "            VALUES (:iid, :url, :created, :title, :description)"));
    query->bindValue(QStringLiteral(":iid"), getIid());
    query->bindValue(QStringLiteral(":url"), url);
    query->bindValue(QStringLiteral(":created"), created);
    query->bindValue(QStringLiteral(":title"), title);
    query->bindValue(QStringLiteral(":description"), description);
    if (!query.exec()) {
        qDebug() << query->lastError();
        return false;
    }
    wid = query->lastInsertId().toInt();
    return true;
}

bool WebPage::updateRow()
{
    PreparedQuery query(QStringLiteral("UPDATE webpages SET                  title = :title, description = "
                                       ":description            WHERE iid = :iid"));
    query->bindValue(QStringLiteral(":iid"), getIid());
    query->bindValue(QStringLiteral(":title"), title);
    query->bindValue(QStringLiteral(":description"), description);
    const bool stored = query.exec();
    // The address and the capture time can be edited as well; they keep a statement of their own.
    PreparedQuery origin(QStringLiteral("UPDATE webpages SET url = :url, created = :created WHERE iid = :iid"));
    origin->bindValue(QStringLiteral(":iid"), getIid());
    origin->bindValue(QStringLiteral(":url"), url);
    origin->bindValue(QStringLiteral(":created"), created);
    return origin.exec() && stored;
}

bool WebPage::remove()
{
    if (!Item::remove())
        return false;
    QSqlQuery query;
    query.prepare(QStringLiteral("DELETE FROM webpages WHERE iid = :iid"));
    query.bindValue(QStringLiteral(":iid"), getIid());
    const bool removed = query.exec();
    if (!removed) {
        qDebug() << query.lastError();
        qDebug() << "In object book, while deleting id:" << getIid();
    }
    // The items row is gone either way, so nothing may go on showing the record.
    announceRemoval();
    return removed;
}
