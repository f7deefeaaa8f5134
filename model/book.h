#ifndef BOOK_H
#define BOOK_H

#include "model/item.h"

#include <QString>
#include <QVariant>

#include <memory>

class QSqlQuery;
struct ViewItem;

// A book: an item with the bibliographic data of its books row.
class Book : public Item
{
public:
    // An id above 0 loads the stored book; 0 or below makes a new one.
    Book(QObject *parent, int iid);
    // The stored book from the rows of a bulk read, the same as the one above would read.
    Book(QObject *parent, int iid, const ItemRows &rows);
    ~Book();

    QString getTitle() const { return title; }
    void setTitle(const QString &title);
    QString getIsbn10() const { return isbn10; }
    void setIsbn10(const QString &isbn10);
    QString getIsbn13() const { return isbn13; }
    void setIsbn13(const QString &isbn13);
    // Read now when the bulk read left it in the database.
    QString getDescription() const;
    void setDescription(const QString &description);
    QString getPageCount() const { return pageCount; }
    void setPageCount(const QString &pageCount);
    QString getDatePublished() const { return datePublished; }
    void setDatePublished(const QString &datePublished);
    QString getPublisher() const { return publisher; }
    void setPublisher(const QString &publisher);
    int getTableRow() const { return tableRow; }
    void setTableRow(int tableRow);
    int getBid() const { return bid; }
    ViewItem *getViewItem() const { return viewItem.get(); }

    // True when every row and the cover were stored.
    bool save();
    // As save(), but a new book is stored whole or not at all.
    bool saveOrUndo();
    // Reads the stored book again and refreshes its view item in place.
    void reload();
    bool remove() override;
    void updateViewItem();

    QVariant toVariant() const;
    QString toJson() const;

private:
    Q_DISABLE_COPY_MOVE(Book)

    void dbRead();
    void fill(const QVariantList &row);
    bool insertRow();
    bool updateRow();
    void bindFields(QSqlQuery &query) const;

    int tableRow = -1;
    int bid = -1;
    QString title;
    QString isbn10;
    QString isbn13;
    // The longest text of a book, and rarely shown: a bulk read leaves it to the first caller.
    mutable QString description;
    mutable bool descriptionPending = false;
    QString pageCount;
    QString datePublished;
    QString publisher;
    std::unique_ptr<ViewItem> viewItem;
};

#endif // BOOK_H
