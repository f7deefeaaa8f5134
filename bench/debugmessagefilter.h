#ifndef DEBUGMESSAGEFILTER_H
#define DEBUGMESSAGEFILTER_H

#include <QtGlobal>

#include <atomic>

class QMessageLogContext;
class QString;

// Keeps the library's qDebug() lines out of the report, counting them; warnings and worse still go to
// the handler installed before. One per process, for as long as it lives.
class DebugMessageFilter
{
public:
    DebugMessageFilter();
    ~DebugMessageFilter();

    static long long droppedCount() { return dropped.load(); }

private:
    Q_DISABLE_COPY_MOVE(DebugMessageFilter)

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    static inline QtMessageHandler previous = nullptr;
    // Messages may come from any thread.
    static inline std::atomic<long long> dropped = 0;
};

#endif // DEBUGMESSAGEFILTER_H
