#ifndef CONVERSIONWIZARD_H
#define CONVERSIONWIZARD_H

#include "tools/configapps.h"

#include <QList>
#include <QProcess>
#include <QString>
#include <QWizard>

#include <memory>

class Item;

namespace Ui {
class ConversionWizard;
}

Q_MOC_INCLUDE("model/item.h")

// Converts a book's PDF file to EPUB with Calibre's command-line converter, shows what the converter
// writes while it runs, and adds the EPUB to the book as a further file.
class ConversionWizard : public QWizard
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConversionWizard)

public:
    static constexpr int FormatPage = 0;
    static constexpr int OutputPage = 1;
    static constexpr int DonePage = 2;

    // locations: where Calibre is looked for when it was never located (ConfigApps).
    explicit ConversionWizard(QWidget *parent = nullptr,
                              const ConfigApps::Locations &locations = ConfigApps::defaultLocations());
    ~ConversionWizard() override;

    // The EPUB beside a PDF: only a final ".pdf", in any letter case, becomes ".epub". Empty for a path
    // that does not end in ".pdf", so that nothing is ever converted onto its own input.
    static QString outputPathFor(const QString &inputPath);

signals:
    void itemChanged(Item *item);

public slots:
    // Only the first item is converted.
    void convert(const QList<std::shared_ptr<Item>> &items);

protected slots:
    void next();
    void bytesWrite();

protected:
    void initializePage(int id) override;
    void done(int result) override;

private slots:
    void processFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void processFailed(QProcess::ProcessError error);

private:
    void startConverter(const QString &inputPath);
    // A cancelled run: the converter is ended and its late reports are ignored.
    void stopConverter();
    bool mayReplace(const QString &path);
    // The EPUB the user agreed to replace waits beside its place until the run has ended, so that a
    // failed run neither loses it nor passes it off as the converted book.
    bool setAsideReplaced();
    void settleReplaced(bool converted);
    // What an unfinished or failed run wrote goes, and the earlier EPUB comes back.
    void discardOutput();
    // The conversion did not happen: the reason is shown, and the user can go back or close.
    void refuse(const QString &message);
    void addOutputToItem();
    void keepErrorOutput();
    void keepLastLines(const QString &text);

    std::unique_ptr<Ui::ConversionWizard> ui;
    std::unique_ptr<QProcess> process;
    ConfigApps::Locations locations;
    QString converterPath;
    // Held while the wizard works on them, whatever tab they came from.
    QList<std::shared_ptr<Item>> items;
    QString outputPath;
    QString replacedCopy;
    // What the converter wrote last on either channel: the reason a failed run is given.
    QStringList lastLines;
    // Set from the start of a run to its end, which the process reports more than once.
    bool running = false;
};

#endif // CONVERSIONWIZARD_H
