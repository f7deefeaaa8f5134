#ifndef OFFLINEWEBPROFILE_H
#define OFFLINEWEBPROFILE_H

#include <QList>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

// Keeps the web views of a test off the internet: a request for anything but this machine is blocked
// (start pages, fonts, trackers), and every page the views ask for is recorded, blocked or not.
class OfflineWebProfile : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    // Installs itself on the default profile, which every view of the program uses.
    explicit OfflineWebProfile(QObject *parent = nullptr);
    ~OfflineWebProfile() override;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    QList<QUrl> pagesRequested;
    QList<QUrl> blocked;
};

#endif // OFFLINEWEBPROFILE_H
