#ifndef LOGIN_H
#define LOGIN_H

#include <QDialog>
#include <QString>

#include <memory>

class QNetworkReply;

namespace Ui {
class Login;
}

Q_MOC_INCLUDE(<QNetworkReply>)

// Obtains an access token from the cloud service and keeps it in the settings. A token stored
// earlier is validated as soon as the dialog is created.
class Login : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Login)

public:
    explicit Login(QWidget *parent);
    ~Login() override;

    static constexpr qsizetype TokenLength = 64;

private slots:
    void on_btnLogin_clicked();
    void on_btnSubscribe_clicked();
    void on_btnCancel_clicked();
    void processToken(QNetworkReply *reply);

private:
    void requestToken(const QList<std::pair<QString, QString>> &query);
    void refuse(const QString &message);

    std::unique_ptr<Ui::Login> ui;
    QString guid;
    QString baseUrl;
    QString token;
    // Requests under way.
    int waiting = 0;
};

#endif // LOGIN_H
