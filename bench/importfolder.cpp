#include "bench/importfolder.h"

namespace {

// Not the library's seed, so that names and contents differ from it.
constexpr quint32 Seed = 20240612;
constexpr int FilesPerFolder = 250;

} // namespace

ImportFolder::ImportFolder(const QString &path, int count)
    : folder(path)
    , count(count)
    , random(Seed)
    , text(random)
    , pdfs(random, QStringLiteral("shelvio-bench import"))
{
}

bool ImportFolder::write(QString *error)
{
    paths.clear();
    paths.reserve(count);
    for (int serial = 1; serial <= count; ++serial) {
        const QString path = QStringLiteral("%1/batch %2/%3 (%4).pdf")
                                 .arg(folder)
                                 .arg(serial / FilesPerFolder + 1, 3, 10, QLatin1Char('0'))
                                 .arg(text.title(false))
                                 .arg(serial);
        if (!pdfs.write(path, serial, error))
            return false;
        paths.append(path);
    }
    return true;
}
