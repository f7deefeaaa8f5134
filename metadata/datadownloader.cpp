#include "metadata/datadownloader.h"

#include "app/replystatus.h"
#include "app/settings.h"
#include "model/book.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QVariantMap>

namespace {

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
    request(url, &DataDownloader::googleInfoPopulate);
}

void DataDownloader::request(const QString &url, void (DataDownloader::*handler)(QNetworkReply *))
{
    if (pending) {
        pending->disconnect(this);
        pending->abort();
        pending->deleteLater();
    }
    QNetworkReply *reply = network->get(QNetworkRequest(QUrl(url)));
    pending = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, handler] {
        reply->deleteLater();
        pending = nullptr;
        (this->*handler)(reply);
    });
}

void DataDownloader::googleInfoPopulate(QNetworkReply *reply)
{
    const QString failure = ReplyStatus::failure(reply);
    if (!failure.isEmpty()) {
        fail(failure);
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
    const QVariantMap volume = document.object().toVariantMap();
    const QVariant info = volume.value(QStringLiteral("volumeInfo"));
    // Anything else would be stored as a book without a single field.
    if (info.typeId() != QMetaType::QVariantMap) {
        fail(tr("The service did not send a description of the book."));
        return;
    }
    const QVariantMap fields = info.toMap();
    fillRecord(*book, fields);

    const QString thumbnail
        = fields.value(QStringLiteral("imageLinks")).toMap().value(QStringLiteral("thumbnail")).toString();
    if (thumbnail.isEmpty()) {
        deliver();
        return;
    }
    request(thumbnail, &DataDownloader::processCoverFile);
}

void DataDownloader::processCoverFile(QNetworkReply *reply)
{
    // Without a cover image the book still comes, with the default cover.
    const QByteArray image = ReplyStatus::failure(reply).isEmpty() ? reply->readAll() : QByteArray();
    if (!image.isEmpty()) {
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
