#ifndef DATADOWNLOADER_H
#define DATADOWNLOADER_H

#include "core/requestpolicy.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class Book;
class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

Q_MOC_INCLUDE("model/book.h")
Q_MOC_INCLUDE(<QNetworkReply>)

// Turns one Google Books volume into a new, unsaved book record with its cover. One lookup at a time:
// a new lookup replaces the record (and abandons the replies) of the one before.
class DataDownloader : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataDownloader)

public:
    explicit DataDownloader(QObject *parent = nullptr);
    ~DataDownloader() override;

    // The record the current lookup fills; callers may add to it until it is delivered.
    Book *getBook() const { return book.get(); }
    // Where every lookup writes its cover; a receiver that keeps a cover moves it away before the next.
    static QString temporaryCoverPath();
    // Drops the lookup under way; it ends with neither signal.
    void cancel();

signals:
    // Exactly one of these ends every lookup. The delivered record belongs to the receiver.
    void bookDownloaded(Book *book);
    void lookupFailed(const QString &reason);
    // The service asked to wait; the lookup goes on by itself afterwards. Told once per pause.
    void lookupDelayed(const QString &message);

public slots:
    void googleInfoDownload(const QString &url);
    void googleInfoPopulate(QNetworkReply *reply);
    void processCoverFile(QNetworkReply *reply);

private:
    void request(const QUrl &url, RequestPolicy::Kind kind, void (DataDownloader::*handler)(QNetworkReply *));
    // The lookup before is over: its reply, and a refusal not yet told, are dropped.
    void abandonPending();
    void deliver();
    void fail(const QString &reason);

    std::unique_ptr<Book> book;
    QNetworkAccessManager *network;
    QPointer<QNetworkReply> pending;
    quint64 lookups = 0;
};

#endif // DATADOWNLOADER_H
