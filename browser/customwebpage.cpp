#include "browser/customwebpage.h"

CustomWebPage::CustomWebPage(QObject *parent)
    : QWebEnginePage(parent)
{
}

bool CustomWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (type != NavigationTypeLinkClicked || !isMainFrame)
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    emit linkClicked(url);
    return false;
}
