#include "model/book.h"

#include "model/authors.h"
#include "model/filelist.h"
#include "model/itemrows.h"
#include "model/preparedquery.h"
#include "model/viewitem.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>

Book::Book(QObject *parent, int iid)
    : Item(parent, iid)
    , viewItem(std::make_unique<ViewItem>())
{
    setType(QStringLiteral("Book"));
    if (getIid() > 0) {
        dbRead();
        updateViewItem();
    }
    viewItem->items.append(this);
}

Book::Book(QObject *parent, int iid, const ItemRows &rows)
    : Item(parent, iid, rows)
    , viewItem(std::make_unique<ViewItem>())
{
    setType(QStringLiteral("Book"));
    if (const ItemRows::Row *row = rows.book(iid)) {
        fill(*row);
        descriptionPending = true;
    }
    updateViewItem();
    viewItem->items.append(this);
}

void Book::dbRead()
{
    PreparedQuery query(QStringLiteral("SELECT * FROM books WHERE iid = :iid LIMIT 1"));
    query->bindValue(QStringLiteral(":iid"), getIid());
    if (!query.exec()) {
        qDebug() << "Error: Book::dbRead" << query->lastError();
        return;
    }
    if (!query->next())
        return;
    fill(ItemRows::values(*query, 9));
}

void Book::fill(const QVariantList &row)
{
    bid = row.value(0).toInt();
    title = row.value(1).toString();
    pageCount = row.value(2).toString();
    datePublished = row.value(3).toString();
    description = row.value(4).toString();
    descriptionPending = false;
    setIid(row.value(5).toInt());
    publisher = row.value(6).toString();
    isbn10 = row.value(7).toString();
    isbn13 = row.value(8).toString();
}

void Book::reload()
{
    if (getIid() < 1)
        return;
    Item::reload();
    dbRead();
    updateViewItem();
    announceChange();
}

Book::~Book() = default;

void Book::setTitle(const QString &title)
{
    this->title = title;
}

void Book::setIsbn10(const QString &isbn10)
{
    this->isbn10 = isbn10;
}

void Book::setIsbn13(const QString &isbn13)
{
    this->isbn13 = isbn13;
}

QString Book::getDescription() const
{
    if (descriptionPending) {
        PreparedQuery query(QStringLiteral("SELECT description FROM books WHERE iid = :iid"));
        query->bindValue(QStringLiteral(":iid"), getIid());
        if (query.exec() && query->next())
            description = query->value(0).toString();
        else
            qDebug() << "The description of book" << getIid() << "could not be read" << query->lastError();
        descriptionPending = false;
    }
    return description;
}

void Book::setDescription(const QString &description)
{
    this->description = description;
    descriptionPending = false;
}

void Book::setPageCount(const QString &pageCount)
{
    this->pageCount = pageCount;
}

void Book::setDatePublished(const QString &datePublished)
{
    this->datePublished = datePublished;
}

void Book::setPublisher(const QString &publisher)
{
    this->publisher = publisher;
}

void Book::setTableRow(int tableRow)
{
    this->tableRow = tableRow;
}

bool Book::save()
{
    const bool stored = saveWithRow("bid", bid, [this] { return bid < 1 ? insertRow() : updateRow(); });
    updateViewItem();
    return stored;
}

bool Book::saveOrUndo()
{
    return Item::saveOrUndo([this] { return save(); }, [this] { return remove(); },
                            [this] {
                                bid = -1;
                                updateViewItem();
                            });
}

void Book::bindFields(QSqlQuery &query) const
{
    query.bindValue(QStringLiteral(":title"), title);
    query.bindValue(QStringLiteral(":pageCount"), pageCount);
    query.bindValue(QStringLiteral(":datePublished"), datePublished);
    query.bindValue(QStringLiteral(":description"), getDescription());
    query.bindValue(QStringLiteral(":iid"), getIid());
    query.bindValue(QStringLiteral(":publisher"), publisher);
    query.bindValue(QStringLiteral(":isbn10"), isbn10);
    query.bindValue(QStringLiteral(":isbn13"), isbn13);
}

bool Book::insertRow()
{
    PreparedQuery query(QStringLiteral(
        "INSERT INTO books                  (title, pageCount, datePublished, description, iid, publisher, isbn10, "
        "isbn13)                  VALUES (:title, :pageCount, :datePublished, :description, :iid, :publisher, "
        ":isbn10, :isbn13)"));
    bindFields(*query);
    const bool inserted = query.exec();
    // No id after a failed insert: 0, so the next save tries again.
    bid = query->lastInsertId().toInt();
    return inserted;
}

bool Book::updateRow()
{
    PreparedQuery query(
        QStringLiteral("UPDATE books SET                  title = :title, pageCount = :pageCount,            "
                       "     datePublished = :datePublished, description = :description,                 "
                       "publisher = :publisher, isbn10 = :isbn10, isbn13 = :isbn13             WHERE iid = "
                       ":iid"));
    bindFields(*query);
    return query.exec();
}

bool Book::remove()
{
    if (!Item::remove())
        return false;
    QSqlQuery query;
    query.prepare(QStringLiteral("DELETE FROM books WHERE iid = :iid"));
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

void Book::updateViewItem()
{
    const FileList *files = getFiles();
    viewItem->coverFile = getCoverFile();
    viewItem->datePublished = datePublished;
    viewItem->publisher = publisher;
    viewItem->iid = getIid();
    viewItem->pageCount = pageCount;
    viewItem->title = title;
    viewItem->type = getType();
    viewItem->authors = getAuthors()->names();
    viewItem->filePath = files->firstPath();
    viewItem->filePaths = files->paths();
    viewItem->fileSize = files->totalSizeText();
    viewItem->state = getState();
    viewItem->tags = getTags();
    viewItem->series = getSeries();
    viewItem->rating = getRating();
}

QVariant Book::toVariant() const
{
    QVariantMap map{
        {QStringLiteral("bid"), QString::number(bid)},
        {QStringLiteral("title"), title},
        {QStringLiteral("pageCount"), pageCount},
        {QStringLiteral("datePublished"), datePublished},
        {QStringLiteral("description"), getDescription()},
        {QStringLiteral("publisher"), publisher},
        {QStringLiteral("isbn10"), isbn10},
        {QStringLiteral("isbn13"), isbn13},
        {QStringLiteral("type"), getType()},
        {QStringLiteral("iid"), QString::number(getIid())},
        {QStringLiteral("created"), QString::number(getCreated())},
        {QStringLiteral("updated"), QString::number(getUpdated())},
        {QStringLiteral("authors"), getAuthors()->toVariant()},
        {QStringLiteral("files"), getFiles()->toVariant()},
    };
    if (!getTags().isEmpty())
        map.insert(QStringLiteral("tags"), getTags());
    if (!getSeries().isEmpty()) {
        map.insert(QStringLiteral("series"), getSeries().name);
        if (getSeries().position)
            map.insert(QStringLiteral("seriesPosition"), *getSeries().position);
    }
    QFile cover(getCoverFile());
    if (cover.open(QIODevice::ReadOnly))
        map.insert(QStringLiteral("coverFile"), QString::fromLatin1(cover.readAll().toBase64()));
    qDebug() << map.value(QStringLiteral("created"));
    return map;
}

QString Book::toJson() const
{
    const QJsonObject object = QJsonObject::fromVariantMap(toVariant().toMap());
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}
