#include "metadata/filenametitle.h"

#include <QHash>
#include <QRegularExpression>

QString FileNameTitle::derive(const QString &fileName, const QString &extension)
{
    static const QRegularExpression separators(QStringLiteral("[-_,;.]"));
    static const QString otherCharacters = QStringLiteral("[^A-Za-z0-9_ ]*");

    QString title = fileName;
    title.replace(separators, QStringLiteral(" "));
    // The extension is a literal; without one, "." alone would match, and so remove, every character.
    // Compiled once per extension: a folder scan proposes a title for every file it finds.
    thread_local QHash<QString, QRegularExpression> droppedFor;
    auto dropped = droppedFor.constFind(extension);
    if (dropped == droppedFor.cend()) {
        const QString pattern = extension.isEmpty()
            ? otherCharacters
            : u'.' + QRegularExpression::escape(extension) + u'|' + otherCharacters;
        dropped = droppedFor.insert(extension, QRegularExpression(pattern));
    }
    title.remove(*dropped);
    // A single pass: a run of three spaces keeps two.
    title.replace(QStringLiteral("  "), QStringLiteral(" "));
    return title.trimmed();
}
