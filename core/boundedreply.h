#ifndef BOUNDEDREPLY_H
#define BOUNDEDREPLY_H

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>

class QNetworkReply;

// Reads a network reply's body as it arrives, up to a limit, and tells in one short sentence why a reply
// failed. A reply that announces or sends more than the limit is aborted and counts as failed, so a broken
// or hostile server cannot fill the memory. It belongs to the reply; RequestPolicy attaches it.
class BoundedReply : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoundedReply)

public:
    static void attach(QNetworkReply *reply, qint64 limit, std::chrono::milliseconds idleTimeout);
    // The reader attached to the reply; one with the limits of a service reply if none was.
    static BoundedReply *of(QNetworkReply *reply);

    QByteArray body() const { return received; }
    // Empty when the whole body arrived with a 2xx status; otherwise a sentence for the user.
    QString failure() const;
    // Ends the request; its failure then says it was cancelled.
    void cancel();

private:
    BoundedReply(QNetworkReply *reply, qint64 limit, std::chrono::milliseconds idleTimeout);

    static QString notAllowed();
    void refuseAnnouncedSize();
    void take();

    QNetworkReply *reply;
    qint64 limit;
    std::chrono::milliseconds idleTimeout;
    QByteArray received;
    bool tooLarge = false;
    bool cancelled = false;
};

#endif // BOUNDEDREPLY_H
