#ifndef REQUESTPOLICY_H
#define REQUESTPOLICY_H

#include <QByteArray>
#include <QUrl>

#include <chrono>

class BoundedReply;
class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// How every request of the program goes out and how its reply is read. A request waits at most a while
// without a byte moving (30 s, 60 s for uploads), follows at most 5 redirects and only within http and
// https, and its reply is read as it arrives up to a size fitting its kind (BoundedReply), so no server,
// however broken or hostile, can hold the program or fill its memory.
class RequestPolicy
{
public:
    enum class Kind {
        ServiceReply, // JSON of the volumes service or the cloud service
        Cover, // an image
        Update, // the update check's version text
        Login, // the cloud service's login answer
        Upload, // a file sent to the cloud service; its answer is JSON
    };

    static QNetworkReply *get(QNetworkAccessManager &network, QNetworkRequest request, Kind kind);
    static QNetworkReply *post(QNetworkAccessManager &network, QNetworkRequest request, const QByteArray &body,
                               Kind kind);
    static QNetworkReply *post(QNetworkAccessManager &network, QNetworkRequest request, QIODevice *body, Kind kind);

    static qint64 sizeLimit(Kind kind);
    static std::chrono::milliseconds idleTimeout(Kind kind);
    // For tests: every request waits this long instead (zero restores the program's own waits).
    static void setIdleTimeoutForTesting(std::chrono::milliseconds timeout);

private:
    static QNetworkRequest prepared(QNetworkRequest request, Kind kind);
    static QNetworkReply *watched(QNetworkReply *reply, Kind kind);

    static inline std::chrono::milliseconds testTimeout{0};
};

#endif // REQUESTPOLICY_H
