#include "bench/librarygenerator.h"

#include "model/book.h"
#include "model/webpage.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>

namespace {

constexpr quint32 Seed = 20240611;
constexpr int CoverVariants = 8;
// Percent of the books that mention the search word; a third of those in the title.
constexpr int SearchWordPercent = 3;
constexpr int TagPoolSize = 500;
constexpr int MostTagsPerBook = 5;
constexpr int SeriesPoolSize = 2000;
constexpr int SeriesPercent = 30;
constexpr int LongestSeries = 12;

// Distinct names drawn until there are as many as wanted, in an order that does not depend on hashing.
template<typename Draw>
QStringList pool(int wanted, Draw draw)
{
    QSet<QString> names;
    while (names.size() < wanted)
        names.insert(draw());
    QStringList sorted = names.values();
    sorted.sort();
    return sorted;
}

} // namespace

LibraryGenerator::LibraryGenerator(const QString &home, const QString &dataDir, int books, int webPages)
    : home(home)
    // Where the properties dialog leaves a chosen cover; the save moves it to the book's own name.
    , coverPath(dataDir + QStringLiteral("coverfile-chosen-tmp.jpg"))
    , books(books)
    , webPages(webPages)
    , random(Seed)
    , text(random)
    , pdfs(random, QStringLiteral("shelvio-bench library"))
    , covers(CoverVariants)
{
}

bool LibraryGenerator::generate(QString *error)
{
    if (!covers.isValid()) {
        *error = QStringLiteral("No JPEG cover could be encoded (is the Qt JPEG plugin installed?)");
        return false;
    }
    makeAuthorPool();
    makeLabelPools();
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        *error = QStringLiteral("Cannot start a transaction: %1").arg(db.lastError().text());
        return false;
    }
    if (!storeAll(error)) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = QStringLiteral("Cannot commit the library: %1").arg(db.lastError().text());
        return false;
    }
    return true;
}

void LibraryGenerator::makeAuthorPool()
{
    authorPool = pool(std::max(1, books / 5), [this] { return text.personName(); });
}

void LibraryGenerator::makeLabelPools()
{
    tagPool = pool(TagPoolSize, [this] { return text.tagName(); });
    seriesPool = pool(SeriesPoolSize, [this] { return text.title(false); });
}

void LibraryGenerator::label(Book &book)
{
    const int tagCount = random.bounded(MostTagsPerBook + 1);
    QStringList tags;
    while (tags.size() < tagCount) {
        const QString &tag = tagPool[random.bounded(int(tagPool.size()))];
        if (!tags.contains(tag))
            tags.append(tag);
    }
    book.setTags(tags);
    if (random.bounded(100) < SeriesPercent)
        book.setSeries({seriesPool[random.bounded(int(seriesPool.size()))], double(1 + random.bounded(LongestSeries))});
}

bool LibraryGenerator::storeAll(QString *error)
{
    const int step = std::max(1, books / 10);
    for (int serial = 1; serial <= books; ++serial) {
        if (!storeBook(serial, error))
            return false;
        if (serial % step == 0)
            qInfo("  %d of %d books", serial, books);
    }
    for (int serial = 1; serial <= webPages; ++serial) {
        if (!storeWebPage(serial, error))
            return false;
    }
    return true;
}

QStringList LibraryGenerator::bookAuthors()
{
    const int count = 1 + random.bounded(3);
    QStringList names;
    while (names.size() < std::min(count, int(authorPool.size()))) {
        const QString &name = authorPool[random.bounded(int(authorPool.size()))];
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

bool LibraryGenerator::storeBook(int serial, QString *error)
{
    const bool mentionsSearchWord = random.bounded(100) < SearchWordPercent;
    const bool inTitle = mentionsSearchWord && random.bounded(3) == 0;
    booksWithSearchWord += mentionsSearchWord ? 1 : 0;

    Book book(nullptr, 0);
    book.setTitle(text.title(inTitle));
    book.setDescription(text.description(mentionsSearchWord && !inTitle));
    book.setPublisher(text.publisher());
    book.setDatePublished(text.datePublished());
    book.setPageCount(QString::number(40 + random.bounded(900)));
    book.setIsbn13(QStringLiteral("978%1").arg(serial, 10, 10, QLatin1Char('0')));
    book.setRating(random.bounded(6));
    const QStringList authors = bookAuthors();
    for (const QString &author : authors)
        book.addAuthor(author);
    label(book);

    const QString file
        = QStringLiteral("%1/Books/%2/%3 (%4).pdf").arg(home, authors.first(), book.getTitle()).arg(serial);
    if (!pdfs.write(file, serial, error) || !covers.write(serial, coverPath, error))
        return false;
    book.addFile(file);
    book.setCoverFile(coverPath);
    if (!book.save()) {
        *error = QStringLiteral("The book %1 could not be stored").arg(serial);
        return false;
    }
    return true;
}

bool LibraryGenerator::storeWebPage(int serial, QString *error)
{
    WebPage page(nullptr, -1);
    page.setTitle(text.title(false));
    page.setUrl(QStringLiteral("https://example.org/articles/%1").arg(serial));
    page.setDescription(text.description(random.bounded(100) < SearchWordPercent));

    // Where a capture puts its PDF and its first-page thumbnail.
    const QString file = QStringLiteral("%1/Shelvio Library/%2-%3.pdf").arg(home, page.getTitle()).arg(serial);
    if (!pdfs.write(file, books + serial, error) || !covers.write(serial, coverPath, error))
        return false;
    page.addFile(file);
    page.setCoverFile(coverPath);
    if (!page.save()) {
        *error = QStringLiteral("The web page %1 could not be stored").arg(serial);
        return false;
    }
    return true;
}
