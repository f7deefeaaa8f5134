#include "cloud/login.h"
#include "core/cloudprotocol.h"
#include "ui_login.h"

#include "cloud/cloudrequest.h"
#include "core/logger.h"
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
    reject();
}

void Login::requestToken(const QList<std::pair<QString, QString>> &query)
{
    // A manager per request: replies of earlier presses are handled each on its own.
    auto *network = new QNetworkAccessManager(this);
    connect(network, &QNetworkAccessManager::finished, this, &Login::processToken);
    network->get(QNetworkRequest(CloudRequest::url(baseUrl, CloudProtocol::TokenPath, query)));
}

void Login::processToken(QNetworkReply *reply)
{
    const QString received = CloudRequest::jsonObject(reply).value(CloudProtocol::Token).toString();
    reply->deleteLater();
    reply->manager()->deleteLater();

    if (received.size() == TokenLength) {
        Settings settings;
        if (settings.value(Settings::CloudToken).toString().isEmpty()) {
            settings.setValue(Settings::CloudToken, received);
            token = received;
        }
        accept();
    } else if (received == CloudProtocol::Reset) {
        refuse(tr("The token has been reset, please attempt to login again."));
    } else if (received == CloudProtocol::False) {
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
