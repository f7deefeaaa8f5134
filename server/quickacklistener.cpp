#include "server/quickacklistener.h"

#include <QTcpSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

QuickAckListener::QuickAckListener(QObject *parent)
    : QTcpServer(parent)
{
}

void QuickAckListener::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // The kernel falls back to delayed acknowledgements after a while, so the option is set again whenever
    // data arrives; connected before the HTTP server's own handler, it acknowledges before the data is read.
    connect(socket, &QTcpSocket::readyRead, socket, [descriptor] {
        const int enabled = 1;
        setsockopt(int(descriptor), IPPROTO_TCP, TCP_QUICKACK, &enabled, sizeof enabled);
    });
    addPendingConnection(socket);
}
