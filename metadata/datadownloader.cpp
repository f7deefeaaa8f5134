#include "metadata/datadownloader.h"

#include "core/boundedreply.h"
#include "core/requestpolicy.h"
#include "core/settings.h"
#include "metadata/bookservicethrottle.h"
#include "model/book.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QVariantMap>

namespace {

// A reply names these addresses itself; anything but the web (a file: address, say) is not fetched.
bool isWebAddress(const QUrl &url)
{
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty();
}

bool isImage(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    return !QImageReader(&buffer).read().isNull();
}

void fillRecord(Book &book, const QVariantMap &info)
{
    book.setTitle(info.value(QStringLiteral("title")).toString());
    book.setPublisher(info.value(QStringLiteral("publisher")).toString());
    book.setDatePublished(info.value(QStringLiteral("publishedDate")).toString());
    book.setDescription(info.value(QStringLiteral("description")).toString());
    const QVariant pageCount = info.value(QStringLiteral("pageCount"));
    if (pageCount.isValid())
        book.setPageCount(QString::number(pageCount.toLongLong()));

    const QVariantList identifiers = info.value(QStringLiteral("industryIdentifiers")).toList();
    for (const QVariant &entry : identifiers) {
        const QVariantMap identifier = entry.toMap();
        const QString type = identifier.value(QStringLiteral("type")).toString();
        const QString value = identifier.value(QStringLiteral("identifier")).toString();
        if (type == QLatin1String("ISBN_10"))
            book.setIsbn10(value);
        else if (type == QLatin1String("ISBN_13"))
            book.setIsbn13(value);
    }

    const QVariantList authors = info.value(QStringLiteral("authors")).toList();
    for (const QVariant &author : authors)
        book.addAuthor(author.toString());
    book.setRating(info.value(QStringLiteral("averageRating")).toInt());
    // The service's subjects, proposed as tags.
    book.setTags(info.value(QStringLiteral("categories")).toStringList());
}

} // namespace

DataDownloader::DataDownloader(QObject *parent)
    : QObject(parent)
    , book(std::make_unique<Book>(nullptr, -1))
    , network(new QNetworkAccessManager(this))
{
}

DataDownloader::~DataDownloader() = default;

QString DataDownloader::temporaryCoverPath()
{
    return Settings().value(Settings::DataDir).toString() + QStringLiteral("coverfile-tmp.jpg");
}

void DataDownloader::googleInfoDownload(const QString &url)
{
    book = std::make_unique<Book>(nullptr, -1);
    abandonPending();
    const QUrl address(url);
    if (!isWebAddress(address)) {
        // Told once the caller is back in the event loop, as every other ending is.
        const quint64 lookup = lookups;
        QTimer::singleShot(0, this, [this, lookup, url] {
            if (lookup == lookups)
                fail(tr("The book's address \"%1\" is not a web address.").arg(url));
        });
        return;
    }
    request(address, RequestPolicy::Kind::ServiceReply, &DataDownloader::googleInfoPopulate);
}

void DataDownloader::abandonPending()
{
    ++lookups;
    if (!pending)
        return;
    pending->disconnect(this);
    pending->abort();
    pending->deleteLater();
}

void DataDownloader::request(const QUrl &url, RequestPolicy::Kind kind,
                             void (DataDownloader::*handler)(QNetworkReply *))
{
    // While the service asks to wait, the lookup waits with it and then goes on by itself.
    const quint64 lookup = lookups;
    BookServiceThrottle::instance().whenAllowed(this, [this, url, kind, handler, lookup] {
        if (lookup != lookups)
            return;
        QNetworkReply *reply = RequestPolicy::get(*network, QNetworkRequest(url), kind);
        pending = reply;
        connect(reply, &QNetworkReply::finished, this, [this, reply, url, kind, handler] {
            reply->deleteLater();
            pending = nullptr;
            BookServiceThrottle &throttle = BookServiceThrottle::instance();
            if (throttle.noteAnswer(reply))
                emit lookupDelayed(throttle.pauseMessage());
            if (BookServiceThrottle::asksToWait(reply)) {
                request(url, kind, handler);
                return;
            }
            (this->*handler)(reply);
        });
    });
}

void DataDownloader::cancel()
{
    abandonPending();
    book = std::make_unique<Book>(nullptr, -1);
}

void DataDownloader::googleInfoPopulate(QNetworkReply *reply)
{
    const BoundedReply *reading = BoundedReply::of(reply);
    const QString failure = reading->failure();
    if (!failure.isEmpty()) {
        fail(failure);
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(reading->body());
    const QVariantMap volume = document.object().toVariantMap();
    const QVariant info = volume.value(QStringLiteral("volumeInfo"));
    // Anything else would be stored as a book without a single field.
    if (info.typeId() != QMetaType::QVariantMap) {
        fail(tr("The service did not send a description of the book."));
        return;
    }
    const QVariantMap fields = info.toMap();
    fillRecord(*book, fields);

    const QUrl thumbnail(
        fields.value(QStringLiteral("imageLinks")).toMap().value(QStringLiteral("thumbnail")).toString());
    if (!isWebAddress(thumbnail)) {
        deliver();
        return;
    }
    request(thumbnail, RequestPolicy::Kind::Cover, &DataDownloader::processCoverFile);
}

void DataDownloader::processCoverFile(QNetworkReply *reply)
{
    // Without a cover image the book still comes, with the default cover.
    const BoundedReply *reading = BoundedReply::of(reply);
    const QByteArray image = reading->failure().isEmpty() ? reading->body() : QByteArray();
    if (isImage(image)) {
        const QString path = temporaryCoverPath();
        QFile cover(path);
        // A cover left by an earlier lookup must not pass for this book's.
        if (cover.open(QIODevice::WriteOnly | QIODevice::Truncate) && cover.write(image) == image.size()
            && cover.flush())
            book->setCoverFile(path);
        else
            QFile::remove(path);
    }
    deliver();
}

void DataDownloader::deliver()
{
    emit bookDownloaded(book.release());
    book = std::make_unique<Book>(nullptr, -1);
}

void DataDownloader::fail(const QString &reason)
{
    book = std::make_unique<Book>(nullptr, -1);
    emit lookupFailed(reason);
}
