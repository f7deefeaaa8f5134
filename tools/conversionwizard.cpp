#include "tools/conversionwizard.h"
#include "ui_conversionwizard.h"

#include "core/logger.h"
#include "core/settings.h"
#include "model/file.h"
#include "model/filelist.h"
#include "model/item.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

namespace {

const QString PdfSuffix = QStringLiteral(".pdf");
const QString EpubSuffix = QStringLiteral(".epub");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

ConversionWizard::ConversionWizard(QWidget *parent, const ConfigApps::Locations &locations)
    : QWizard(parent)
    , ui(std::make_unique<Ui::ConversionWizard>())
    , process(std::make_unique<QProcess>())
    , locations(locations)
{
    ui->setupUi(this);
    // Going back from the last page would run the conversion a second time.
    setOption(QWizard::DisabledBackButtonOnLastPage);
    connect(this, &QWizard::currentIdChanged, this, &ConversionWizard::next);

    Settings settings;
    process->setWorkingDirectory(settings.value(Settings::CalibreDirPath).toString());
    connect(process.get(), &QProcess::readyReadStandardOutput, this, &ConversionWizard::bytesWrite);
    connect(process.get(), &QProcess::readyReadStandardError, this, &ConversionWizard::keepErrorOutput);
    connect(process.get(), &QProcess::readyRead, this, &ConversionWizard::bytesWrite);
    // Only the end of the process tells whether the run succeeded; closing its output does not.
    connect(process.get(), &QProcess::finished, this, &ConversionWizard::processFinished);
    connect(process.get(), &QProcess::errorOccurred, this, &ConversionWizard::processFailed);
    converterPath = settings.value(Settings::CalibreConvertorPath).toString();
}

ConversionWizard::~ConversionWizard()
{
    // The process outlives the form during destruction; what it still reports must not reach it.
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        if (!process->waitForFinished())
            qWarning() << "The converter did not end:" << process->errorString();
        discardOutput();
    }
}

QString ConversionWizard::outputPathFor(const QString &inputPath)
{
    if (!inputPath.endsWith(PdfSuffix, Qt::CaseInsensitive))
        return {};
    return inputPath.chopped(PdfSuffix.size()) + EpubSuffix;
}

void ConversionWizard::convert(const QList<std::shared_ptr<Item>> &items)
{
    if (running) {
        show();
        raise();
        activateWindow();
        QMessageBox::information(this, tr("Conversion Wizard"),
                                 tr("A book is being converted. Convert the next one when it is done."));
        return;
    }
    this->items = items;
    // Shown from the tool bar before, it would not become modal without being shown anew.
    hide();
    restart();
    exec();
}

void ConversionWizard::done(int result)
{
    if (result == QDialog::Rejected)
        stopConverter();
    QWizard::done(result);
    // The next showing starts at the first page; a rejected wizard does so by itself.
    if (result != QDialog::Rejected)
        restart();
}

void ConversionWizard::initializePage(int id)
{
    QWizard::initializePage(id);
    if (id == OutputPage)
        ui->plainTextEdit->clear();
}

void ConversionWizard::next()
{
    Item *item = items.isEmpty() ? nullptr : items.first().get();
    if (!item) {
        if (currentId() == OutputPage)
            refuse(tr("No book was chosen. Choose Convert on a book in the library to convert its file."));
        return;
    }
    const File *file = item->getFiles()->first();
    if (!file) {
        if (currentId() == OutputPage)
            refuse(tr("This book has no file to convert."));
        return;
    }
    const QString inputPath = file->getAbsolutePath();
    outputPath = outputPathFor(inputPath);
    logDebug(inputPath, outputPath, converterPath, process->workingDirectory());
    if (currentId() != OutputPage)
        return;

    // A file that could not be read has no absolute path.
    if (inputPath.isEmpty()) {
        refuse(tr("The book's file %1 cannot be read.").arg(shown(file->getFilePath())));
        return;
    }
    if (outputPath.isEmpty()) {
        refuse(tr("Only PDF files can be converted; %1 is not one.").arg(shown(inputPath)));
        return;
    }
    button(QWizard::NextButton)->setEnabled(false);
    button(QWizard::BackButton)->setEnabled(false);
    // After the page change is complete, so that a question about the output shows over a whole page.
    QTimer::singleShot(0, this, [this, inputPath] { startConverter(inputPath); });
}

void ConversionWizard::startConverter(const QString &inputPath)
{
    if (currentId() != OutputPage || !isVisible() || running)
        return;
    if (!mayReplace(outputPath)) {
        refuse(tr("The book was not converted, and %1 was kept.").arg(shown(outputPath)));
        return;
    }
    // Read now rather than at start-up: Calibre may have been located in Preferences since.
    converterPath = ConfigApps::converterPath(locations);
    process->setWorkingDirectory(Settings().value(Settings::CalibreDirPath).toString());
    if (converterPath.isEmpty()) {
        refuse(tr("Calibre's converter was not found, so the book could not be converted.") + u'\n'
               + tr("Calibre can be located in Preferences, on the Apps page."));
        return;
    }
    if (!setAsideReplaced()) {
        refuse(tr("%1 could not be replaced, so the book was not converted.").arg(shown(outputPath)));
        return;
    }
    logDebug(QStringLiteral("run"));
    running = true;
    lastLines.clear();
    process->start(converterPath, {inputPath, outputPath}, QIODevice::ReadWrite);
    // Nothing is written to the converter; the end of its input keeps it from waiting for any.
    process->closeWriteChannel();
}

void ConversionWizard::stopConverter()
{
    if (!running)
        return;
    running = false;
    logDebug(QStringLiteral("conversion cancelled"));
    process->kill();
    if (!process->waitForFinished())
        qWarning() << "The converter did not end:" << process->errorString();
    discardOutput();
}

bool ConversionWizard::setAsideReplaced()
{
    if (!QFileInfo::exists(outputPath))
        return true;
    replacedCopy = outputPath + QStringLiteral(".replaced");
    QFile::remove(replacedCopy);
    if (QFile::rename(outputPath, replacedCopy))
        return true;
    replacedCopy.clear();
    return false;
}

void ConversionWizard::discardOutput()
{
    QFile::remove(outputPath);
    settleReplaced(false);
}

void ConversionWizard::settleReplaced(bool converted)
{
    if (replacedCopy.isEmpty())
        return;
    if (converted) {
        QFile::remove(replacedCopy);
    } else if (!QFile::remove(outputPath) && QFileInfo::exists(outputPath)) {
        qWarning() << "The earlier book stays at" << replacedCopy;
    } else {
        QFile::rename(replacedCopy, outputPath);
    }
    replacedCopy.clear();
}

bool ConversionWizard::mayReplace(const QString &path)
{
    if (!QFileInfo::exists(path))
        return true;
    return QMessageBox::question(this, tr("Conversion Wizard"),
                                 tr("%1 exists already. Replace it with the converted book?").arg(shown(path)),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void ConversionWizard::bytesWrite()
{
    const QByteArray bytes = process->readAll();
    const qsizetype end = bytes.indexOf('\0');
    const QString text = QString::fromLocal8Bit(end < 0 ? bytes : bytes.left(end)).trimmed();
    if (text.isEmpty())
        return;
    ui->plainTextEdit->appendPlainText(text);
    keepLastLines(text);
}

void ConversionWizard::keepErrorOutput()
{
    // Not shown while the converter runs, but its errors are what tells why a run failed.
    keepLastLines(QString::fromLocal8Bit(process->readAllStandardError()).trimmed());
}

void ConversionWizard::keepLastLines(const QString &text)
{
    constexpr qsizetype Kept = 5;
    if (!text.isEmpty())
        lastLines << text.split(u'\n');
    if (lastLines.size() > Kept)
        lastLines.remove(0, lastLines.size() - Kept);
}

void ConversionWizard::processFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (!running)
        return;
    running = false;
    logDebug(QStringLiteral("process finished"), exitCode, int(exitStatus));
    logDebug(outputPath);
    // A converter that fails or crashes may leave a partial book behind; it must not pass for the whole one.
    const QFileInfo output(outputPath);
    if (exitStatus != QProcess::NormalExit || exitCode != 0 || !output.isFile() || output.size() == 0) {
        discardOutput();
        refuse(tr("Conversion failed") + u'\n' + lastLines.join(u'\n'));
        return;
    }
    settleReplaced(true);
    button(QWizard::NextButton)->setEnabled(true);
    addOutputToItem();
}

void ConversionWizard::processFailed(QProcess::ProcessError error)
{
    logDebug(QStringLiteral("process error"), int(error), process->errorString());
    // Other errors end in a finished run, which processFinished() handles.
    if (error != QProcess::FailedToStart || !running)
        return;
    running = false;
    settleReplaced(false);
    refuse(tr("The converter %1 could not be started: %2").arg(shown(converterPath), process->errorString()) + u'\n'
           + tr("Calibre can be located in Preferences, on the Apps page."));
}

void ConversionWizard::addOutputToItem()
{
    Item *item = items.first().get();
    FileList *files = item->getFiles();
    const QString absoluteOutput = QFileInfo(outputPath).absoluteFilePath();
    File *file = nullptr;
    // A second conversion replaced an EPUB the book has already: that row is refreshed, not doubled.
    for (int index = 0; index < files->count() && !file; ++index) {
        if (files->at(index)->getAbsolutePath() == absoluteOutput)
            file = files->at(index);
    }
    const bool added = !file;
    bool stored;
    if (added) {
        file = item->addFile(outputPath);
        stored = file->save();
        if (!stored)
            files->removeAt(files->count() - 1);
    } else {
        stored = file->setPath(file->getFilePath()) && file->save();
    }
    if (!stored) {
        refuse(tr("%1 was made, but it could not be added to the book.").arg(shown(outputPath)));
        return;
    }
    item->announceChange();
    emit itemChanged(item);
}

void ConversionWizard::refuse(const QString &message)
{
    logDebug(message);
    ui->plainTextEdit->appendPlainText(message);
    button(QWizard::NextButton)->setEnabled(false);
    button(QWizard::BackButton)->setEnabled(true);
    // Not from within a page change or a report of the process: the box waits until those are done.
    QTimer::singleShot(0, this, [this, message] {
        if (isVisible())
            QMessageBox::warning(this, tr("Not converted"), message);
    });
}
