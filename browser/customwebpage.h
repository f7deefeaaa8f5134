#ifndef CUSTOMWEBPAGE_H
#define CUSTOMWEBPAGE_H

#include <QWebEnginePage>

// Hands every link the user follows in the main frame to its view instead of navigating by itself.
class CustomWebPage : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CustomWebPage)

public:
    explicit CustomWebPage(QObject *parent);

signals:
    void linkClicked(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
};

#endif // CUSTOMWEBPAGE_H
