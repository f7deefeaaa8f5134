#ifndef WEBBROWSER_H
#define WEBBROWSER_H

#include <QString>
#include <QWidget>

#include <memory>

class CustomWebView;
class QUrl;
struct ViewItem;

namespace Ui {
class WebBrowser;
}

Q_MOC_INCLUDE("model/viewitem.h")

// A small browser for a tab of the main window. Besides navigating it captures the page on show as a
// web page item of the library (a PDF with a thumbnail cover).
class WebBrowser : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebBrowser)

public:
    explicit WebBrowser(QWidget *parent);
    ~WebBrowser() override;

    void loadAddress(const QString &address);
    void disableAddressBar();
    QString address() const;

signals:
    // Once per captured page, with the display item of its new record.
    void newViewItem(ViewItem *item);
    // A capture is in the library.
    void pageSaved(const QString &title);
    void titleChanged(const QString &title);

private slots:
    void on_btnGo_clicked();
    void on_URL_returnPressed();
    void updateUrl(const QUrl &url);
    void on_btnDownload_clicked();
    void loadJS();
    void on_toolButton_clicked();
    void on_toolButton_3_clicked();

private:
    void showCaptureFailure(const QString &reason);

    std::unique_ptr<Ui::WebBrowser> ui;
    CustomWebView *webView;
    // What the selection tool runs in the page; empty until the tool is built.
    QString pageScript;
    QString dataDir;
    QString libraryDir;
};

#endif // WEBBROWSER_H
