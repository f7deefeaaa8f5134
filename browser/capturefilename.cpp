#include "browser/capturefilename.h"

#include <QFileInfo>
#include <QRegularExpression>

QString CaptureFileName::basePath(const QString &title, const QString &fallbackName, const QString &libraryDir)
{
    static const QRegularExpression refused(QStringLiteral(R"([\/:*?""<>|+])"),
                                            QRegularExpression::CaseInsensitiveOption);
    QString name = QString(title).replace(refused, QStringLiteral("_")).trimmed();
    if (name.isEmpty())
        name = QString(fallbackName).replace(refused, QStringLiteral("_")).trimmed();
    return (libraryDir + name).left(MaximumBaseLength);
}

QString CaptureFileName::freePdfPath(const QString &basePath)
{
    QString path = basePath + QStringLiteral(".pdf");
    for (int number = 0; QFileInfo::exists(path); ++number)
        path = basePath + u'-' + QString::number(number) + QStringLiteral(".pdf");
    return path;
}
