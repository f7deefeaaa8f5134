#include "core/settings.h"

Settings::Settings(QObject *parent)
    : QSettings(Organisation.toString(), Application.toString(), parent)
{
}
