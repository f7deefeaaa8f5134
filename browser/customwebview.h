#ifndef CUSTOMWEBVIEW_H
#define CUSTOMWEBVIEW_H

#include <QWebEngineView>

// A web view that keeps every navigation in itself: followed links load here, and a page that asks
// for a new window gets this view back.
class CustomWebView : public QWebEngineView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CustomWebView)

public:
    explicit CustomWebView(QWidget *parent);

public slots:
    void showLink(const QUrl &url);

protected:
    QWebEngineView *createWindow(QWebEnginePage::WebWindowType type) override;
};

#endif // CUSTOMWEBVIEW_H
