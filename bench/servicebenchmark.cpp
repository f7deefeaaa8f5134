#include "bench/servicebenchmark.h"

#include "bench/filelimit.h"
#include "bench/processmemory.h"
#include "sandbox/cloudservice.h"

#include <QByteArray>
#include <QRegularExpression>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr int Bodies = 8;
constexpr qint64 BodySize = 200 * MiB;
constexpr int IdleConnections = 1100;
constexpr int DesktopFileLimit = 1024;
constexpr int TimedRequests = 20;

QList<Figure> figures()
{
    Figure growth(QStringLiteral("service_refused_bodies_peak_rss_growth_mb"),
                  QStringLiteral("cloud: 8 refused 200 MB bodies, service peak RSS growth"), QStringLiteral("MB"), 1);
    growth.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, 64);
    Figure latency(QStringLiteral("service_idle_connections_request_ms"),
                   QStringLiteral("cloud: request beside 1,100 idle connections"), QStringLiteral("ms"), 1);
    latency.addBound(Figure::Statistic::Maximum, Figure::Comparison::AtMost, 100);
    return {growth, latency};
}

// A blocking socket connected to the service, closed when it goes; replies wait at most a minute.
class Connection
{
public:
    explicit Connection(quint16 port)
        : fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const timeval timeout{60, 0};
        if (fd >= 0
            && (::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0
                || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)) {
            ::close(fd);
            fd = -1;
        }
    }
    ~Connection()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Connection(Connection &&other) noexcept
        : fd(std::exchange(other.fd, -1))
    {
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    Connection &operator=(Connection &&) = delete;

    bool isOpen() const { return fd >= 0; }

    // False once the service has closed the connection.
    bool send(QByteArrayView bytes) const
    {
        while (!bytes.isEmpty()) {
            const ssize_t sent = ::send(fd, bytes.data(), std::size_t(bytes.size()), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            bytes = bytes.sliced(sent);
        }
        return true;
    }

    // The status of the reply, once the whole of it has arrived; 0 when it did not.
    int readStatus() const
    {
        static const QRegularExpression length(QStringLiteral("\r\nContent-Length: (\\d+)\r\n"),
                                               QRegularExpression::CaseInsensitiveOption);
        QByteArray reply;
        char buffer[16384];
        for (;;) {
            const qsizetype headEnd = reply.indexOf("\r\n\r\n");
            if (headEnd >= 0) {
                const qint64 bodySize
                    = length.match(QString::fromLatin1(reply.first(headEnd + 2))).captured(1).toLongLong();
                if (reply.size() >= headEnd + 4 + bodySize)
                    return reply.startsWith("HTTP/1.1 ") ? reply.mid(9, 3).toInt() : 0;
            }
            const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
            if (received <= 0)
                return 0;
            reply.append(buffer, received);
        }
    }

private:
    int fd;
};

QByteArray hostHeader(quint16 port)
{
    return "Host: 127.0.0.1:" + QByteArray::number(port) + "\r\n";
}

} // namespace

ServiceBenchmark::ServiceBenchmark(const QString &root)
    : root(root)
{
}

QList<Figure> ServiceBenchmark::run()
{
    QList<Figure> measured = figures();
    if (const QString failure = measureRefusedBodies(measured[0]); !failure.isEmpty())
        measured[0].fail(failure);
    if (const QString failure = measureIdleConnections(measured[1]); !failure.isEmpty())
        measured[1].fail(failure);
    return measured;
}

QList<Figure> ServiceBenchmark::skipped(const QString &why)
{
    return Figure::skipped(figures(), why);
}

QString ServiceBenchmark::measureRefusedBodies(Figure &growth) const
{
    CloudService::Options options;
    options.parentFolder = root;
    CloudService service(options);
    if (!service.start())
        return service.errorString();
    const qint64 pid = service.processId();
    if (!ProcessMemory::resetPeak(pid))
        return QStringLiteral("the service's peak RSS could not be reset");
    const qint64 before = ProcessMemory::residentBytes(pid);

    const QByteArray head = "POST /upload/file/?cloudToken=" + QByteArray(64, 'f') + "&md5=" + QByteArray(32, '0')
        + "&fileSize=" + QByteArray::number(BodySize) + " HTTP/1.1\r\n" + hostHeader(service.port())
        + "Content-Type: multipart/form-data; boundary=b\r\nContent-Length: " + QByteArray::number(BodySize)
        + "\r\n\r\n";
    std::atomic_int refused = 0;
    {
        std::vector<std::jthread> senders;
        for (int i = 0; i < Bodies; ++i) {
            senders.emplace_back([&] {
                const Connection connection(service.port());
                const QByteArray piece(256 * 1024, 'x');
                // The service may close before the body is through; its reply is what counts.
                if (connection.send(head)) {
                    for (qint64 sent = 0; sent < BodySize && connection.send(piece); sent += piece.size()) { }
                }
                if (connection.readStatus() == 401)
                    ++refused;
            });
        }
    }
    const qint64 peak = ProcessMemory::peakBytes(pid);
    qInfo("  %d of %d bodies refused; service RSS %.1f MB before, peak %.1f MB", refused.load(), Bodies,
          double(before) / MiB, double(peak) / MiB);
    if (refused != Bodies)
        return QStringLiteral("%1 of %2 bodies were refused with 401").arg(refused.load()).arg(Bodies);
    growth.addSample(double(peak - before) / MiB);
    return QString();
}

QString ServiceBenchmark::measureIdleConnections(Figure &latency) const
{
    CloudService::Options options;
    options.parentFolder = root;
    CloudService service(options);
    {
        // The service is started under the desktop's limit and keeps it.
        const FileLimit limit(DesktopFileLimit);
        if (!limit.isApplied())
            return QStringLiteral("the limit of open files could not be lowered to %1").arg(DesktopFileLimit);
        if (!service.start())
            return service.errorString();
    }
    // The idle connections' own ends need room here.
    const FileLimit room(4 * IdleConnections);
    std::vector<Connection> idle;
    idle.reserve(IdleConnections);
    for (int i = 0; i < IdleConnections; ++i) {
        idle.emplace_back(service.port());
        if (!idle.back().isOpen())
            return QStringLiteral("only %1 idle connections could be opened").arg(i);
    }

    const QByteArray request = "GET /update.php?version=0.1 HTTP/1.1\r\n" + hostHeader(service.port()) + "\r\n";
    for (int i = 0; i < TimedRequests; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const Connection connection(service.port());
        const int status = connection.isOpen() && connection.send(request) ? connection.readStatus() : 0;
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        if (status != 200)
            return QStringLiteral("request %1 beside the idle connections got no reply (status %2)").arg(i).arg(status);
        latency.addSample(elapsed.count());
    }
    return QString();
}
