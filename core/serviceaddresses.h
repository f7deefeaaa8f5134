#ifndef SERVICEADDRESSES_H
#define SERVICEADDRESSES_H

#include <QString>
#include <QUrl>

// Where the outside services live: compiled-in defaults, each overridable by an environment variable
// so that a user can point the program at their own servers and tests at servers on 127.0.0.1.
class ServiceAddresses
{
public:
    // The Google Books volumes endpoint (SHELVIO_BOOKS_API).
    static QUrl booksApi();
    // The cloud service's web root, always ending in "/" (SHELVIO_CLOUD_URL).
    static QString cloudUrl();
    // The update script (SHELVIO_UPDATE_URL); by default the one beside the cloud service.
    static QUrl updateUrl();
};

#endif // SERVICEADDRESSES_H
