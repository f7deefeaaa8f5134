#ifndef REPLYSTATUS_H
#define REPLYSTATUS_H

#include <QString>

class QNetworkReply;

// Whether a finished network reply brought what was asked for.
class ReplyStatus
{
public:
    // Empty when the request got through and the server answered with a 2xx status; otherwise a
    // sentence for the user that says what went wrong.
    static QString failure(const QNetworkReply *reply);
};

#endif // REPLYSTATUS_H
