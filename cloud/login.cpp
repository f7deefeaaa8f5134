#include "cloud/login.h"
#include "ui_login.h"

#include "cloud/cloudrequest.h"
#include "core/boundedreply.h"
#include "core/cloudprotocol.h"
#include "core/logger.h"
#include "core/requestpolicy.h"
#include "core/settings.h"
#include "widgets/screencentre.h"

#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QVariantMap>

Login::Login(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::Login>())
{
    ui->setupUi(this);
    ScreenCentre::place(this);
    const Settings settings;
    guid = settings.value(Settings::Guid).toString();
    baseUrl = settings.value(Settings::BaseUrl).toString();
    token = settings.value(Settings::CloudToken).toString();
    if (token.size() == TokenLength) {
        logDebug(QStringLiteral("validate"));
        requestToken({{CloudProtocol::Token, token}});
    }
}

Login::~Login() = default;

void Login::on_btnLogin_clicked()
{
    requestToken({{CloudProtocol::Guid, guid},
                  {CloudProtocol::UserName, ui->loginText->text()},
                  {CloudProtocol::Password, ui->passwordText->text()}});
}

void Login::on_btnSubscribe_clicked()
{
    // Accounts are made on the service's own page.
    QDesktopServices::openUrl(QUrl(baseUrl));
}

void Login::on_btnCancel_clicked()
{
    // The requests under way end with the dialog.
    for (QNetworkAccessManager *network : findChildren<QNetworkAccessManager *>(QString(), Qt::FindDirectChildrenOnly)) {
        network->disconnect(this);
        network->deleteLater();
    }
    waiting = 0;
    ui->btnLogin->setEnabled(true);
    reject();
}

void Login::requestToken(const QList<std::pair<QString, QString>> &query)
{
    // A manager per request: replies of earlier presses are handled each on its own.
    auto *network = new QNetworkAccessManager(this);
    connect(network, &QNetworkAccessManager::finished, this, &Login::processToken);
    RequestPolicy::get(*network, QNetworkRequest(CloudRequest::url(baseUrl, CloudProtocol::TokenPath, query)),
                       RequestPolicy::Kind::Login);
    ++waiting;
    ui->btnLogin->setEnabled(false);
    ui->textBrowser->setText(tr("Contacting the cloud service…"));
}

void Login::processToken(QNetworkReply *reply)
{
    reply->deleteLater();
    reply->manager()->deleteLater();
    ui->btnLogin->setEnabled(--waiting == 0);
    const BoundedReply *reading = BoundedReply::of(reply);
    QString failure = reading->failure();
    const QString received = CloudRequest::jsonObject(reading->body()).value(CloudProtocol::Token).toString();
    const bool answered = received.size() == TokenLength || received == CloudProtocol::Reset
        || received == CloudProtocol::False;
    if (failure.isEmpty() && !answered)
        failure = tr("The reply could not be read.");
    if (!failure.isEmpty()) {
        ui->textBrowser->setText(tr("Could not reach the cloud service: %1").arg(failure));
        if (!isVisible())
            open();
        return;
    }

    if (received.size() == TokenLength) {
        ui->textBrowser->clear();
        Settings settings;
        if (settings.value(Settings::CloudToken).toString().isEmpty()) {
            settings.setValue(Settings::CloudToken, received);
            token = received;
        }
        accept();
    } else if (received == CloudProtocol::Reset) {
        refuse(tr("The token has been reset, please attempt to login again."));
    } else {
        refuse(tr("Login was not accepted."));
    }
}

void Login::refuse(const QString &message)
{
    ui->textBrowser->setText(message);
    Settings().remove(Settings::CloudToken);
    token.clear();
    // Back on screen when it was closed; an open dialog simply stays.
    if (!isVisible())
        open();
}
