#include "core/settings.h"

Settings::Settings(QObject *parent)
    : QSettings(Organisation.toString(), Application.toString(), parent)
{
}

QString Settings::splitterKey(const QString &splitter)
{
    return QStringLiteral("window/splitter/") + splitter;
}

QString Settings::tableHeaderKey(const QString &kind)
{
    return QStringLiteral("views/") + kind + QStringLiteral("/header");
}
