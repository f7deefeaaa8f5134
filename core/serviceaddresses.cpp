#include "core/serviceaddresses.h"

#include "core/cloudprotocol.h"

namespace {

QString environmentOr(const char *variable, const QString &fallback)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    return value.isEmpty() ? fallback : value;
}

} // namespace

QUrl ServiceAddresses::booksApi()
{
    return QUrl(environmentOr("SHELVIO_BOOKS_API", QStringLiteral("https://www.googleapis.com/books/v1/volumes")));
}

QString ServiceAddresses::cloudUrl()
{
    QString root = environmentOr("SHELVIO_CLOUD_URL", QStringLiteral("http://127.0.0.1:8470/"));
    // Callers append paths to the root directly.
    if (!root.endsWith(QLatin1Char('/')))
        root.append(QLatin1Char('/'));
    return root;
}

QUrl ServiceAddresses::updateUrl()
{
    return QUrl(environmentOr("SHELVIO_UPDATE_URL", cloudUrl() + CloudProtocol::UpdatePath));
}
