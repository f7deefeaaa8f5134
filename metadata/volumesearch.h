#ifndef VOLUMESEARCH_H
#define VOLUMESEARCH_H

#include <QList>
#include <QString>
#include <QUrl>

class QNetworkReply;

// A search of the Google Books volumes service: the address that searches by ISBN or by keywords, and the
// reply read into the volumes it found.
class VolumeSearch
{
public:
    // Larger replies are refused; a page of search results is a few dozen kilobytes.
    static constexpr qint64 ReplyLimit = 5 << 20;

    struct Match
    {
        QString title;
        QString authors; // joined with ", "
        QString pageCount; // empty when the service gives none
        QString volumeUrl; // the volume's own address ("selfLink")
    };

    struct Result
    {
        // Empty when the service answered; else a sentence for the user.
        QString failure;
        QList<Match> matches;
    };

    // An ISBN of two characters or more is searched before keywords of two or more; with neither, the bare
    // endpoint is asked.
    static QUrl url(const QString &isbn, const QString &keywords);
    // Starts reading the reply as it arrives, within the limit; call as soon as the request is sent.
    static void watch(QNetworkReply *reply);
    static Result read(QNetworkReply *reply);
};

#endif // VOLUMESEARCH_H
