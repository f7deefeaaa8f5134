#include "update/updatemanager.h"
#include "ui_updatemanager.h"

#include "core/boundedreply.h"
#include "core/cloudprotocol.h"
#include "core/logger.h"
#include "core/requestpolicy.h"
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

// A version's name: one short line of text. An error page or anything else a broken service sends is not.
QString versionText(const QByteArray &body)
{
    QByteArray line = body;
    if (line.endsWith("\r\n"))
        line.chop(2);
    else if (line.endsWith('\n'))
        line.chop(1);
    const QString text = QString::fromUtf8(line);
    constexpr qsizetype LongestVersion = 64;
    const bool plainLine = !text.isEmpty() && text.size() <= LongestVersion && !text.contains(u'\n')
        && !text.contains(u'\r') && !text.contains(u'<') && !text.contains(u'>') && !text.contains(QChar::ReplacementCharacter);
    return plainLine ? text : QString();
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
    RequestPolicy::get(*network, QNetworkRequest(url), RequestPolicy::Kind::Update);
}

UpdateManager::~UpdateManager() = default;

void UpdateManager::processUpdate(QNetworkReply *reply)
{
    reply->deleteLater();
    // An error page is not a version's name, and a broken-off body may be only part of one.
    const BoundedReply *reading = BoundedReply::of(reply);
    const QString failure = reading->failure();
    if (!failure.isEmpty()) {
        logDebug(QStringLiteral("Update check failed:"), failure);
        close();
        return;
    }
    const QString latest = versionText(reading->body());
    if (latest.isEmpty()) {
        close();
        return;
    }
    logDebug(reading->body(), latest);
    QString html = ui->textBrowser->toHtml();
    html.replace(QLatin1String("EXISTING_VERSION"), QString(ProductInfo::Version));
    html.replace(QLatin1String("NEW_VERSION"), latest.toHtmlEscaped());
    ui->textBrowser->setHtml(html);
    noticed = true;
    emit noticeReady();
    // The result is of no interest: the dialog only informs.
    exec();
}
