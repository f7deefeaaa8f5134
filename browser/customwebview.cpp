#include "browser/customwebview.h"

#include "browser/customwebpage.h"

#include <QWebEngineSettings>

CustomWebView::CustomWebView(QWidget *parent)
    : QWebEngineView(parent)
{
    auto *delegating = new CustomWebPage(this);
    setPage(delegating);
    QWebEngineSettings *webSettings = settings();
    webSettings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    webSettings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    webSettings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    connect(delegating, &CustomWebPage::linkClicked, this, &CustomWebView::showLink);
}

void CustomWebView::showLink(const QUrl &url)
{
    load(url);
    show();
}

QWebEngineView *CustomWebView::createWindow(QWebEnginePage::WebWindowType type)
{
    Q_UNUSED(type)
    return this;
}
