#ifndef CONFIGAPPS_H
#define CONFIGAPPS_H

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class QLineEdit;

namespace Ui {
class ConfigApps;
}

// The preferences page "Apps": where Calibre and Sigil are installed. Both are looked for in their usual
// places, otherwise the user picks the directory; every find is stored in the settings at once.
class ConfigApps : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfigApps)

public:
    // Where the programs are looked for: the directories tried in order, and where the chooser opens.
    struct Locations
    {
        QStringList calibreDirs;
        QString calibreStartDir;
        QStringList sigilDirs;
        QString sigilStartDir;
    };

    // This platform's usual installation directories.
    static Locations defaultLocations();
    // The program file names on this platform ("calibre.exe" on Windows, "calibre" elsewhere, ...).
    static QString calibreFileName();
    static QString converterFileName();
    static QString sigilFileName();

    explicit ConfigApps(QWidget *parent = nullptr, const Locations &locations = defaultLocations());
    ~ConfigApps() override;

    // Calibre's converter as stored; when Calibre was never located, its usual places are searched
    // first, without any dialog. Empty when it is nowhere to be found.
    static QString converterPath(const Locations &locations = defaultLocations());

public slots:
    // The preferences dialog calls these when it opens and closes its pages.
    void initialize();
    void cleanup();
    // For the dialog's Save: a directory typed by hand is stored when the program is in it (located ones
    // are stored already); otherwise the user is told, as after Browse, and false is returned.
    bool save();

private slots:
    void on_btnBrowse_clicked();
    void on_btnSigilPathBrowse_clicked();

private:
    enum class Program { Calibre, Sigil };

    struct Search
    {
        QStringList dirs;
        QString startDir;
        QString fileName;
        QString caption;
        QString notFound;
        QLineEdit *lineEdit;
    };

    Search searchFor(Program program) const;
    void locate(Program program, bool interactive);
    bool storeTyped(Program program);

    static QString storedDir(Program program);
    // The first directory that holds the program file; empty when none does.
    static QString findIn(const QStringList &dirs, const QString &fileName);
    static bool holds(const QString &dir, const QString &fileName);
    static void store(Program program, const QString &dir);

    std::unique_ptr<Ui::ConfigApps> ui;
    Locations locations;
};

#endif // CONFIGAPPS_H
