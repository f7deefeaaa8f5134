#include "core/readableformats.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace {

const QStringList &suffixes()
{
    static const QStringList known{QStringLiteral("pdf"), QStringLiteral("epub"), QStringLiteral("txt"),
                                   QStringLiteral("html"), QStringLiteral("htm")};
    return known;
}

} // namespace

bool ReadableFormats::canRead(const QString &path)
{
    return suffixes().contains(QFileInfo(path).suffix().toLower());
}

bool ReadableFormats::isPdf(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
}

QString ReadableFormats::fileDialogFilter()
{
    QStringList patterns;
    for (const QString &suffix : suffixes())
        patterns << QStringLiteral("*.") + suffix;
    return QCoreApplication::translate("ReadableFormats", "Book Files (%1)").arg(patterns.join(u' '));
}
