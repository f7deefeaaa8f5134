#include "tests/support/offlinewebprofile.h"

#include <QWebEngineProfile>

OfflineWebProfile::OfflineWebProfile(QObject *parent)
    : QWebEngineUrlRequestInterceptor(parent)
{
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(this);
}

OfflineWebProfile::~OfflineWebProfile()
{
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
}

void OfflineWebProfile::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const QUrl url = info.requestUrl();
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
        pagesRequested << url;
    const bool local
        = url.isLocalFile() || url.scheme() == u"data" || url.host() == u"127.0.0.1" || url.host() == u"localhost";
    if (!local) {
        blocked << url;
        info.block(true);
    }
}
