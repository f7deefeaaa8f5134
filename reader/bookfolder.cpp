#include "reader/bookfolder.h"

#include <QDir>
#include <QFileInfo>

BookFolder::BookFolder(const QString &path)
    : root(resolved(path))
{
}

bool BookFolder::contains(const QString &path) const
{
    if (root.isEmpty())
        return false;
    const QString candidate = resolved(path);
    return candidate.startsWith(root + u'/');
}

QString BookFolder::resolved(const QString &path)
{
    // The lexical form first, as it is the one that gets loaded; then the links of what exists of it.
    QString existing = QDir::cleanPath(QDir(path).absolutePath());
    QString missing;
    // A dangling link counts as existing: it resolves to nothing, and so to nowhere inside.
    for (QFileInfo info(existing); !info.exists() && !info.isSymLink(); info.setFile(existing)) {
        if (info.path() == existing)
            return {};
        missing.prepend(u'/' + info.fileName());
        existing = info.path();
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return canonical.isEmpty() ? QString() : canonical + missing;
}
