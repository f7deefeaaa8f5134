#ifndef BOUNDEDREPLY_H
#define BOUNDEDREPLY_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkReply;

// Reads a network reply's body as it arrives, up to a limit. A reply that announces or sends more is
// aborted and counts as failed, so a broken or hostile server cannot fill the memory. It belongs to
// the reply.
class BoundedReply : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoundedReply)

public:
    // The reader of the reply: the one attached before, or a new one reading at most limit bytes.
    static BoundedReply *of(QNetworkReply *reply, qint64 limit);

    QByteArray body() const { return received; }
    // Empty when the whole body arrived with a 2xx status; otherwise a sentence for the user.
    QString failure() const;

private:
    BoundedReply(QNetworkReply *reply, qint64 limit);

    void refuseAnnouncedSize();
    void take();

    QNetworkReply *reply;
    qint64 limit;
    QByteArray received;
    bool tooLarge = false;
};

#endif // BOUNDEDREPLY_H
