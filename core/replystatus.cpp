#include "core/replystatus.h"

#include <QCoreApplication>
#include <QNetworkReply>

QString ReplyStatus::failure(const QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.toInt();
    if (status.isValid() && (code < 200 || code >= 300)) {
        QString answer = QString::number(code);
        const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        if (!reason.isEmpty())
            answer += u' ' + reason;
        return QCoreApplication::translate("ReplyStatus", "The server answered %1.").arg(answer);
    }
    // Also a 2xx reply can break off before its body is complete.
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    return {};
}
