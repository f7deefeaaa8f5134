#ifndef QUICKACKLISTENER_H
#define QUICKACKLISTENER_H

#include <QTcpServer>

// A listening socket whose connections acknowledge what they receive at once. A client that sends a request
// body in several writes and does not disable Nagle's algorithm waits for the acknowledgement of each write
// before the next; a persistent connection otherwise delays it by up to 40 ms, for every file a sync uploads.
class QuickAckListener : public QTcpServer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickAckListener)

public:
    explicit QuickAckListener(QObject *parent);

protected:
    void incomingConnection(qintptr descriptor) override;
};

#endif // QUICKACKLISTENER_H
