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
    // A reply that is not the service's answer to a search fails: only a well-formed one without
    // volumes means that nothing was found.
    static Result read(QNetworkReply *reply);

private:
    static QString unreadable(QNetworkReply *reply);
};

#endif // VOLUMESEARCH_H
