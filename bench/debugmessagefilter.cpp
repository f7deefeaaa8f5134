#include "bench/debugmessagefilter.h"

#include <QString>

DebugMessageFilter::DebugMessageFilter()
{
    previous = qInstallMessageHandler(&DebugMessageFilter::handle);
}

DebugMessageFilter::~DebugMessageFilter()
{
    qInstallMessageHandler(previous);
}

void DebugMessageFilter::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg) {
        ++dropped;
        return;
    }
    previous(type, context, message);
}
