#include "bench/benchlogin.h"

#include "bench/eventqueue.h"
#include "cloud/login.h"
#include "core/serviceaddresses.h"
#include "core/settings.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>

using namespace std::chrono_literals;

namespace {

constexpr auto LoginTimeout = 60s;

} // namespace

void BenchLogin::useService(const QString &serviceUrl, const QString &dataDir)
{
    // The main window stores the address from the environment at start-up.
    qputenv("SHELVIO_CLOUD_URL", serviceUrl.toUtf8());
    Settings settings;
    settings.setValue(Settings::BaseUrl, ServiceAddresses::cloudUrl());
    settings.setValue(Settings::DataDir, dataDir);
    settings.remove(Settings::CloudToken);
}

QString BenchLogin::logIn(const QString &userName, const QString &password)
{
    Login login(nullptr);
    auto *name = login.findChild<QLineEdit *>(QStringLiteral("loginText"));
    auto *secret = login.findChild<QLineEdit *>(QStringLiteral("passwordText"));
    auto *button = login.findChild<QPushButton *>(QStringLiteral("btnLogin"));
    const auto *message = login.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    if (!name || !secret || !button || !message)
        return QStringLiteral("the login dialog lacks its fields");
    login.show();
    name->setText(userName);
    secret->setText(password);
    button->click();
    // The button comes back once the service answered; the dialog then says why it refused.
    const bool answered = EventQueue::waitUntil(
        [&] { return login.result() == QDialog::Accepted || button->isEnabled(); }, LoginTimeout);
    if (login.result() != QDialog::Accepted)
        return answered ? QStringLiteral("the login was refused: %1").arg(message->toPlainText())
                        : QStringLiteral("the service did not answer the login");
    if (Settings().value(Settings::CloudToken).toString().isEmpty())
        return QStringLiteral("the login stored no token");
    return QString();
}
