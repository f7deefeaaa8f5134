#include "metadata/filenametitle.h"

#include <QRegularExpression>

QString FileNameTitle::derive(const QString &fileName, const QString &extension)
{
    static const QRegularExpression separators(QStringLiteral("[-_,;.]"));
    static const QString otherCharacters = QStringLiteral("[^A-Za-z0-9_ ]*");

    QString title = fileName;
    title.replace(separators, QStringLiteral(" "));
    // The extension is a literal; without one, "." alone would match, and so remove, every character.
    const QRegularExpression dropped(
        extension.isEmpty() ? otherCharacters : u'.' + QRegularExpression::escape(extension) + u'|' + otherCharacters);
    title.remove(dropped);
    // A single pass: a run of three spaces keeps two.
    title.replace(QStringLiteral("  "), QStringLiteral(" "));
    return title.trimmed();
}
