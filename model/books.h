#ifndef BOOKS_H
#define BOOKS_H

#include "model/items.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class Book;
struct ViewItem;

// The books one view shows: all of them, or those of one author, narrowed by a search. It holds the
// shared records of the books it has loaded (see Records).
class Books : public Items
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Books)

public:
    // "BooksAuthor" selects the books of the author aid, "BooksTag" and "BooksSeries" those of the tag or series
    // of that id (a series in the order of its numbers); any other mode selects every book.
    Books(QObject *parent, const QString &mode, int aid);
    ~Books() override;

    QList<ViewItem *> *getViewItems() const { return viewItems.get(); }
    QList<Book *> getBooks() const { return books; }
    Book *find(int iid) const;
    Book *getBook(int iid) const;
    void append(std::shared_ptr<Book> book);
    // Lets the book go without touching what is stored; the shared record lives on with other holders.
    std::shared_ptr<Book> release(int iid);
    // The statement a search for the term runs; none when an author's books are all shown again.
    std::optional<Search> searchStatement(const QString &term) const;
    // The books of these ids, the hits of a search, in this order, become the view items.
    void showFound(const QList<int> &ids);

public slots:
    void dbSearch(const QString &term);
    void deleteBook(int iid);

private:
    void dbRead();
    void dbReadAuthor(int aid);
    void dbReadGroup();
    // Loads the stored books of these ids, in this order, from bulk reads of a few thousand each.
    void appendLoaded(const QList<int> &ids);

    QList<Book *> books;
    std::unique_ptr<QList<ViewItem *>> viewItems;
    QHash<int, std::shared_ptr<Book>> bookMap;
    // Set for the books of one author, whose search looks at that author's books only.
    std::optional<int> authorId;
    // The same for a tag or series: the statement that lists its books in order, the one that selects their
    // ids, and its id.
    struct Group
    {
        QString listing;
        QString members;
        int id = 0;
    };
    std::optional<Group> group;
};

#endif // BOOKS_H
