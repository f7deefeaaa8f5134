#ifndef UPDATEMANAGER_H
#define UPDATEMANAGER_H

#include <QDialog>

#include <memory>

class QNetworkReply;

namespace Ui {
class UpdateManager;
}

Q_MOC_INCLUDE(<QNetworkReply>)

// Asks the update service once, on construction, whether a newer version exists, and shows itself
// modally naming it when one does. Anything else (no network, an error, an empty reply) shows nothing.
class UpdateManager : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateManager)

public:
    explicit UpdateManager(QWidget *parent);
    ~UpdateManager() override;

    // Whether the check named a newer version, which the dialog then shows.
    bool hasNotice() const { return noticed; }

signals:
    void noticeReady();

public slots:
    void processUpdate(QNetworkReply *reply);

private:
    std::unique_ptr<Ui::UpdateManager> ui;
    bool noticed = false;
};

#endif // UPDATEMANAGER_H
