#include "browser/webbrowser.h"
#include "ui_webbrowser.h"

#include "browser/customwebview.h"
#include "browser/pagecapture.h"
#include "core/logger.h"
#include "core/settings.h"
#include "model/webpage.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <QWebEngineSettings>

namespace {

// Nothing is asked of any server the user did not name.
const QString StartPage = QStringLiteral("about:blank");

} // namespace

WebBrowser::WebBrowser(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::WebBrowser>())
    , webView(new CustomWebView(nullptr))
{
    ui->setupUi(this);
    const Settings settings;
    dataDir = settings.value(Settings::DataDir).toString();
    libraryDir = settings.value(Settings::LibraryDir).toString();

    webView->setObjectName(QStringLiteral("webView"));
    webView->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    webView->settings()->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    ui->verticalLayout->addWidget(webView);

    webView->load(QUrl(StartPage));
    webView->show();

    connect(webView, &QWebEngineView::urlChanged, this, &WebBrowser::updateUrl);
    connect(webView, &QWebEngineView::titleChanged, this, &WebBrowser::titleChanged);
    ui->URL->setFocus();
    connect(ui->btnBack, &QToolButton::clicked, webView, &QWebEngineView::back);
    connect(ui->btnForward, &QToolButton::clicked, webView, &QWebEngineView::forward);
}

WebBrowser::~WebBrowser() = default;

void WebBrowser::loadAddress(const QString &address)
{
    webView->load(QUrl(address, QUrl::TolerantMode));
    ui->URL->setText(address);
}

void WebBrowser::disableAddressBar()
{
    ui->URL->setEnabled(false);
}

QString WebBrowser::address() const
{
    return ui->URL->text();
}

void WebBrowser::on_btnGo_clicked()
{
    QString address = ui->URL->text();
    if (address.isEmpty())
        return;
    // "httpbin.org" starts with "http" but names no scheme; whatever does not name one is a web address.
    const QString scheme = QUrl::fromUserInput(address).scheme();
    if (scheme.isEmpty() || !address.startsWith(scheme + u':', Qt::CaseInsensitive))
        address.prepend(QStringLiteral("http://"));
    logDebug(address);
    webView->load(QUrl(address, QUrl::TolerantMode));
    webView->show();
}

void WebBrowser::on_URL_returnPressed()
{
    on_btnGo_clicked();
}

void WebBrowser::updateUrl(const QUrl &url)
{
    ui->URL->setText(url.toString());
}

void WebBrowser::on_btnDownload_clicked()
{
    auto *capture = new PageCapture(this, webView->page(), ui->URL->text(), libraryDir, dataDir);
    // One capture at a time: the thumbnail's temporary file is shared.
    ui->btnDownload->setEnabled(false);
    connect(capture, &PageCapture::captured, this, [this](WebPage *record) {
        ui->btnDownload->setEnabled(true);
        emit newViewItem(record->getViewItem());
        emit pageSaved(record->getTitle());
    });
    connect(capture, &PageCapture::failed, this, &WebBrowser::showCaptureFailure);
    capture->start();
}

void WebBrowser::showCaptureFailure(const QString &reason)
{
    ui->btnDownload->setEnabled(true);
    QMessageBox::warning(this, tr("Capture failed"), reason);
}

void WebBrowser::loadJS()
{
    webView->page()->runJavaScript(pageScript);
}

void WebBrowser::on_toolButton_clicked()
{
    loadJS();
}

void WebBrowser::on_toolButton_3_clicked()
{
    QDesktopServices::openUrl(QUrl(ui->URL->text(), QUrl::TolerantMode));
}
