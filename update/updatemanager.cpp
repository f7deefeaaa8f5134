#include "update/updatemanager.h"
#include "ui_updatemanager.h"

#include "core/cloudprotocol.h"
#include "core/logger.h"
#include "core/replystatus.h"
#include "core/serviceaddresses.h"
#include "update/productinfo.h"

#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>

namespace {

// Only a backend that loads can tell; without one (minimal desktops, containers) the request is sent,
// and a request that cannot get through stays silent all the same.
bool knownToBeOffline()
{
    if (!QNetworkInformation::loadDefaultBackend())
        return false;
    const QNetworkInformation *information = QNetworkInformation::instance();
    return information && information->reachability() == QNetworkInformation::Reachability::Disconnected;
}

// The service's text goes into the HTML template: it is shown as received, never read as markup.
QString asHtmlText(const QString &text)
{
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1String("\r\n"), QLatin1String("<br />"));
    html.replace(QLatin1Char('\n'), QLatin1String("<br />"));
    html.replace(QLatin1Char('\r'), QLatin1String("<br />"));
    return html;
}

} // namespace

UpdateManager::UpdateManager(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::UpdateManager>())
{
    ui->setupUi(this);
    // The form leaves the site's address open, so that it is written down in one place only.
    ui->textBrowser->setHtml(
        ui->textBrowser->toHtml().replace(QLatin1String("WEB_SITE"), QString(ProductInfo::WebSite)));

    if (knownToBeOffline()) {
        close();
        return;
    }
    auto *network = new QNetworkAccessManager(this);
    connect(network, &QNetworkAccessManager::finished, this, &UpdateManager::processUpdate);
    QUrl url = ServiceAddresses::updateUrl();
    QUrlQuery query;
    query.addQueryItem(CloudProtocol::Version, QString(ProductInfo::Version));
    url.setQuery(query);
    network->get(QNetworkRequest(url));
}

UpdateManager::~UpdateManager() = default;

void UpdateManager::processUpdate(QNetworkReply *reply)
{
    reply->deleteLater();
    // An error page is not a version's name, and a broken-off body may be only part of one.
    const QString failure = ReplyStatus::failure(reply);
    const QByteArray body = reply->readAll();
    reply->close();
    if (!failure.isEmpty()) {
        logDebug(QStringLiteral("Update check failed:"), failure);
        close();
        return;
    }
    if (body.isEmpty()) {
        close();
        return;
    }

    const QString latest = QString::fromUtf8(body);
    logDebug(body, latest);
    QString html = ui->textBrowser->toHtml();
    html.replace(QLatin1String("EXISTING_VERSION"), QString(ProductInfo::Version));
    html.replace(QLatin1String("NEW_VERSION"), asHtmlText(latest));
    ui->textBrowser->setHtml(html);
    // The result is of no interest: the dialog only informs.
    exec();
}
