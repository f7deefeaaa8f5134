#include "model/books.h"

#include "model/book.h"
#include "model/itemrows.h"
#include "model/labelquery.h"
#include "model/statementcache.h"
#include "model/viewitem.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// What a search with labels asks of the words typed beside them.
const QString WordsCondition = QStringLiteral("((title LIKE :term_title) OR (description LIKE :term_desc))");

} // namespace

Books::Books(QObject *parent, const QString &mode, int aid)
    : Items(parent)
    , viewItems(std::make_unique<QList<ViewItem *>>())
{
    if (mode == QLatin1String("BooksAuthor")) {
        authorId = aid;
        dbReadAuthor(aid);
    } else if (mode == QLatin1String("BooksTag")) {
        group = Group{QStringLiteral("SELECT books.iid FROM itemtags JOIN books ON itemtags.iid = books.iid WHERE "
                                     "itemtags.tid = :group ORDER BY itemtags.rowid"),
                      QStringLiteral("SELECT iid FROM itemtags WHERE tid = :group"), aid};
        dbReadGroup();
    } else if (mode == QLatin1String("BooksSeries")) {
        group = Group{QStringLiteral("SELECT books.iid FROM itemseries JOIN books ON itemseries.iid = books.iid WHERE "
                                     "itemseries.sid = :group ORDER BY itemseries.position"),
                      QStringLiteral("SELECT iid FROM itemseries WHERE sid = :group"), aid};
        dbReadGroup();
    } else {
        dbRead();
    }
}

Books::~Books() = default;

void Books::dbRead()
{
    const StatementCache statements;
    appendLoaded(selectIds(QStringLiteral("SELECT iid FROM books WHERE 1")));
}

void Books::appendLoaded(const QList<int> &ids)
{
    // A few thousand at a time: the rows of one part are let go before the next is read, so the rows
    // of a large library are never all held beside its records.
    constexpr qsizetype PartSize = 4096;
    for (qsizetype start = 0; start < ids.size(); start += PartSize) {
        const QList<int> part = ids.mid(start, PartSize);
        QList<int> unheld;
        for (const int iid : part) {
            if (!Records::isHeld(iid))
                unheld.append(iid);
        }
        const ItemRows rows = ItemRows::read(unheld);
        for (const int iid : part) {
            Book *book = hold(bookMap, iid, rows);
            viewItems->append(book->getViewItem());
            books.append(book);
        }
    }
}

void Books::dbReadAuthor(int aid)
{
    const StatementCache statements;
    qDebug() << "db aid" << aid;
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT books.iid FROM items_authors JOIN books ON items_authors.iid=books.iid WHERE "
                                 "items_authors.aid=:aid LIMIT 1000"));
    query.bindValue(QStringLiteral(":aid"), aid);
    if (!query.exec()) {
        qDebug() << "db errro in dbReadAuthor";
        qDebug() << "query: " << query.lastQuery();
        qDebug() << query.lastError();
        return;
    }
    QList<int> ids;
    while (query.next())
        ids.append(query.value(0).toInt());
    appendLoaded(ids);
}

void Books::dbReadGroup()
{
    const StatementCache statements;
    QSqlQuery query;
    query.prepare(group->listing);
    query.bindValue(QStringLiteral(":group"), group->id);
    if (!query.exec()) {
        qDebug() << "the books of a tag or series not read:" << query.lastError().text();
        return;
    }
    QList<int> ids;
    while (query.next())
        ids.append(query.value(0).toInt());
    appendLoaded(ids);
}

Book *Books::find(int iid) const
{
    return bookMap.value(iid).get();
}

Book *Books::getBook(int iid) const
{
    return find(iid);
}

void Books::append(std::shared_ptr<Book> book)
{
    book->updateViewItem();
    viewItems->append(book->getViewItem());
    books.append(book.get());
    bookMap.insert(book->getIid(), std::move(book));
}

std::shared_ptr<Book> Books::release(int iid)
{
    std::shared_ptr<Book> book = bookMap.take(iid);
    if (book) {
        books.removeOne(book.get());
        viewItems->removeOne(book->getViewItem());
    }
    return book;
}

void Books::dbSearch(const QString &term)
{
    const std::optional<Search> search = searchStatement(term);
    if (search) {
        showFound(searchIds(*search, term));
        return;
    }
    // Every book of the author again, also those whose title and description are empty.
    viewItems->clear();
    for (Book *book : std::as_const(books))
        viewItems->append(book->getViewItem());
}

std::optional<Items::Search> Books::searchStatement(const QString &term) const
{
    const LabelQuery labels(term);
    if (group) {
        if (term.isEmpty())
            return std::nullopt;
        return Search{labelledStatement(labels,
                                        QStringLiteral("SELECT iid FROM books WHERE iid IN (") + group->members
                                            + QStringLiteral(") AND "),
                                        WordsCondition, QStringLiteral("iid"), 1000),
                      std::nullopt, group->id};
    }
    if (!authorId) {
        if (!labels.isRestricted())
            return Search{QStringLiteral("SELECT iid FROM books WHERE (title LIKE :term_title) OR (description LIKE "
                                         ":term_desc) LIMIT 500"),
                          std::nullopt};
        return Search{labelledStatement(labels, QStringLiteral("SELECT iid FROM books WHERE "), WordsCondition,
                                        QStringLiteral("iid"), 500),
                      std::nullopt};
    }
    if (term.isEmpty())
        return std::nullopt;
    if (!labels.isRestricted())
        return Search{QStringLiteral("SELECT books.iid FROM items_authors JOIN books ON items_authors.iid=books.iid "
                                     "WHERE items_authors.aid=:aid AND ((books.title LIKE :term_title) OR "
                                     "(books.description LIKE :term_desc)) LIMIT 1000"),
                      authorId};
    return Search{labelledStatement(labels,
                                    QStringLiteral("SELECT books.iid FROM items_authors JOIN books ON "
                                                   "items_authors.iid=books.iid WHERE items_authors.aid=:aid AND "),
                                    QStringLiteral("((books.title LIKE :term_title) OR (books.description LIKE "
                                                   ":term_desc))"),
                                    QStringLiteral("books.iid"), 1000),
                  authorId};
}

void Books::showFound(const QList<int> &ids)
{
    const StatementCache statements;
    viewItems->clear();
    QList<int> unknown;
    for (const int iid : ids) {
        if (!bookMap.contains(iid) && !Records::isHeld(iid))
            unknown.append(iid);
    }
    const ItemRows rows = ItemRows::read(unknown);
    for (const int iid : ids) {
        Book *book = find(iid);
        if (!book)
            book = hold(bookMap, iid, rows);
        viewItems->append(book->getViewItem());
    }
}

void Books::deleteBook(int iid)
{
    // Held here until remove() has told every other holder.
    const std::shared_ptr<Book> book = release(iid);
    // remove() reports its own failures.
    if (book)
        book->remove();
}
