#ifndef SETTINGS_H
#define SETTINGS_H

#include <QLatin1StringView>
#include <QSettings>

// The per-user settings store. Every user of a setting opens its own object; all of them share
// the one store named after the organisation and the application.
class Settings : public QSettings
{
public:
    explicit Settings(QObject *parent = nullptr);

    static constexpr QLatin1StringView Organisation{"Tessary"};
    static constexpr QLatin1StringView Application{"Shelvio"};

    static constexpr QLatin1StringView DataDir{"dataDir"};
    static constexpr QLatin1StringView LibraryDir{"libraryDir"};
    static constexpr QLatin1StringView BaseUrl{"baseUrl"};
    static constexpr QLatin1StringView Guid{"guid"};
    static constexpr QLatin1StringView CloudToken{"cloudToken"};
    static constexpr QLatin1StringView DatabaseVersion{"database/version"};
    static constexpr QLatin1StringView LastSelectDir{"lastSelectDir"};
    // The suffixes the folder scan lists, lower case, separated by commas; "pdf" when not set.
    static constexpr QLatin1StringView ScanFormats{"scanFormats"};
    static constexpr QLatin1StringView CalibreDirPath{"calibreDirPath"};
    static constexpr QLatin1StringView CalibreExePath{"calibreExePath"};
    static constexpr QLatin1StringView CalibreConvertorExe{"calibreConvertorExe"};
    static constexpr QLatin1StringView CalibreConvertorPath{"calibreConvertorPath"};
    static constexpr QLatin1StringView SigilDirPath{"sigilDirPath"};
    static constexpr QLatin1StringView SigilExePath{"sigilExePath"};
    // Files last opened in a reader tab, newest first.
    static constexpr QLatin1StringView RecentFiles{"recentFiles"};
    static constexpr QLatin1StringView WindowGeometry{"window/geometry"};
    static constexpr QLatin1StringView WindowState{"window/state"};
    // Whether the full-text index is kept up to date; on unless the user paused it.
    static constexpr QLatin1StringView FullTextIndexing{"fullTextIndexing"};

    // Where a splitter of the window keeps its sizes, by the splitter's object name.
    static QString splitterKey(const QString &splitter);
    // Where the table of one kind of tab keeps its columns' widths, order and sort.
    static QString tableHeaderKey(const QString &kind);

private:
    Q_DISABLE_COPY_MOVE(Settings)
};

#endif // SETTINGS_H
