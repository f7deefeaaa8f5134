#include "tools/configapps.h"
#include "ui_configapps.h"

#include "core/logger.h"
#include "core/settings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace {

QString separator()
{
    return QDir::separator();
}

} // namespace

ConfigApps::Locations ConfigApps::defaultLocations()
{
#if defined(Q_OS_WIN)
    return {{QStringLiteral("C:\\Program Files (x86)\\Calibre2")},
            QStringLiteral("C:\\Program Files (x86)"),
            {QStringLiteral("C:\\Program Files\\Sigil")},
            QStringLiteral("C:\\Program Files")};
#elif defined(Q_OS_MACOS)
    return {{QStringLiteral("/Applications/calibre.app/Contents/MacOS")},
            QStringLiteral("/Applications"),
            {QStringLiteral("/Applications/Sigil.app/Contents/MacOS")},
            QStringLiteral("/Applications")};
#else
    // Debian's packages put the programs into /usr/bin; Calibre's own installer uses /opt/calibre.
    return {{QStringLiteral("/usr/bin"), QStringLiteral("/opt/calibre")},
            QStringLiteral("/opt"),
            {QStringLiteral("/usr/bin")},
            QStringLiteral("/opt")};
#endif
}

QString ConfigApps::calibreFileName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("calibre.exe");
#else
    return QStringLiteral("calibre");
#endif
}

QString ConfigApps::converterFileName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("ebook-convert.exe");
#else
    return QStringLiteral("ebook-convert");
#endif
}

QString ConfigApps::sigilFileName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Sigil.exe");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("Sigil");
#else
    return QStringLiteral("sigil");
#endif
}

ConfigApps::ConfigApps(QWidget *parent, const Locations &locations)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ConfigApps>())
    , locations(locations)
{
    ui->setupUi(this);
    if (storedDir(Program::Calibre).isEmpty())
        locate(Program::Calibre, false);
    if (storedDir(Program::Sigil).isEmpty())
        locate(Program::Sigil, false);
    initialize();
}

ConfigApps::~ConfigApps() = default;

QString ConfigApps::converterPath(const Locations &locations)
{
    if (storedDir(Program::Calibre).isEmpty()) {
        const QString dir = findIn(locations.calibreDirs, calibreFileName());
        if (!dir.isEmpty())
            store(Program::Calibre, dir);
    }
    return Settings().value(Settings::CalibreConvertorPath).toString();
}

void ConfigApps::initialize()
{
    ui->editCalibrePath->setText(storedDir(Program::Calibre));
    ui->sigilPath->setText(storedDir(Program::Sigil));
}

void ConfigApps::cleanup()
{
    logDebug(QStringLiteral("cleanup"));
}

bool ConfigApps::save()
{
    const bool calibreStored = storeTyped(Program::Calibre);
    const bool sigilStored = storeTyped(Program::Sigil);
    return calibreStored && sigilStored;
}

void ConfigApps::on_btnBrowse_clicked()
{
    locate(Program::Calibre, true);
}

void ConfigApps::on_btnSigilPathBrowse_clicked()
{
    locate(Program::Sigil, true);
}

ConfigApps::Search ConfigApps::searchFor(Program program) const
{
    if (program == Program::Calibre)
        return {locations.calibreDirs,
                locations.calibreStartDir,
                calibreFileName(),
                tr("Select Calibre's program directory..."),
                tr("Sorry, Calibre was not found at this location, click Browse and try again..."),
                ui->editCalibrePath};
    return {locations.sigilDirs,
            locations.sigilStartDir,
            sigilFileName(),
            tr("Select Sigil's program directory..."),
            tr("Sorry, Sigil was not found at this location, click Browse and try again..."),
            ui->sigilPath};
}

void ConfigApps::locate(Program program, bool interactive)
{
    const Search search = searchFor(program);
    QString dir = findIn(search.dirs, search.fileName);
    if (dir.isEmpty() && interactive) {
        const QString chosen
            = QFileDialog::getExistingDirectory(this, search.caption, search.startDir, QFileDialog::ShowDirsOnly);
        if (holds(chosen, search.fileName))
            dir = chosen;
    }
    if (!dir.isEmpty()) {
        search.lineEdit->setText(dir);
        store(program, dir);
    } else if (interactive) {
        QMessageBox::warning(this, tr("Not found"), search.notFound);
    }
}

bool ConfigApps::storeTyped(Program program)
{
    const Search search = searchFor(program);
    const QString typed = search.lineEdit->text().trimmed();
    // Only what was typed here counts: another page may have stored a newer directory meanwhile. An
    // emptied field does not forget a program that was found.
    if (!search.lineEdit->isModified() || typed.isEmpty())
        return true;
    if (!holds(typed, search.fileName)) {
        QMessageBox::warning(this, tr("Not found"), search.notFound);
        return false;
    }
    store(program, typed);
    search.lineEdit->setModified(false);
    return true;
}

QString ConfigApps::storedDir(Program program)
{
    return Settings().value(program == Program::Calibre ? Settings::CalibreDirPath : Settings::SigilDirPath).toString();
}

QString ConfigApps::findIn(const QStringList &dirs, const QString &fileName)
{
    for (const QString &dir : dirs) {
        if (holds(dir, fileName))
            return dir;
    }
    return {};
}

bool ConfigApps::holds(const QString &dir, const QString &fileName)
{
    // A cancelled chooser gives an empty directory, which would otherwise name a file in the root.
    return !dir.isEmpty() && QFileInfo(dir + separator() + fileName).isFile();
}

void ConfigApps::store(Program program, const QString &dir)
{
    Settings settings;
    if (program == Program::Calibre) {
        settings.setValue(Settings::CalibreDirPath, dir);
        settings.setValue(Settings::CalibreConvertorExe, converterFileName());
        settings.setValue(Settings::CalibreExePath, dir + separator() + calibreFileName());
        settings.setValue(Settings::CalibreConvertorPath, dir + separator() + converterFileName());
    } else {
        settings.setValue(Settings::SigilDirPath, dir);
        settings.setValue(Settings::SigilExePath, dir + separator() + sigilFileName());
    }
}
