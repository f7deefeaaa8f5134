#include "reader/reader.h"

#include "core/logger.h"
#include "model/file.h"
#include "model/readingpositions.h"
#include "reader/bookfolder.h"
#include "reader/bookrequestfilter.h"
#include "reader/epubarchive.h"
#include "reader/extractiondirectory.h"
#include "reader/packagedocument.h"
#include "reader/tableofcontents.h"
#include "ui_reader.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>
#include <QWebEngineSettings>

#include <algorithm>

namespace {

// The chapter documents of a book without a spine, in natural order: chapter2 before chapter10.
QStringList chapterDocumentsByName(const QStringList &paths)
{
    static const QStringList suffixes{QStringLiteral("html"), QStringLiteral("xhtml"), QStringLiteral("htm")};
    QStringList documents;
    for (const QString &path : paths) {
        if (suffixes.contains(QFileInfo(path).suffix().toLower()))
            documents << QDir::cleanPath(path);
    }
    // A fixed language, so that the order does not change with the user's; the C locale would ignore
    // the numeric mode.
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setNumericMode(true);
    std::sort(documents.begin(), documents.end(), collator);
    return documents;
}

} // namespace

Reader::Reader(QWidget *parent, const QString &path)
    : QWidget(parent)
    , ui(std::make_unique<Ui::Reader>())
    , file(std::make_unique<File>(path))
{
    ui->setupUi(this);
    // Extra width goes to the page, not to the contents.
    ui->splitter->setStretchFactor(0, 0);
    ui->splitter->setStretchFactor(1, 1);
    // A book's pages are documents; a script in one would run with access to the local files.
    ui->webView->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    openFile();
    connect(ui->textBrowser, &QTextBrowser::anchorClicked, this, &Reader::tocClicked);
    connect(ui->webView, &QWebEngineView::urlChanged, this, &Reader::followShownChapter);
}

QString Reader::filePath() const
{
    return file->getFilePath();
}

void Reader::followShownChapter(const QUrl &url)
{
    const qsizetype index = chapterList.indexOf(QDir::cleanPath(url.toLocalFile()));
    if (index >= 0)
        currentChapter = int(index);
}

Reader::~Reader()
{
    if (!positionKey.isEmpty())
        ReadingPositions::save(positionKey, {0, ReadingPositions::FitWidth, currentChapter, 0});
}

void Reader::openFile()
{
    const QString type = file->getFileType();
    if (type == u"epub") {
        openEpub();
    } else if (type == u"txt" || type == u"html" || type == u"htm") {
        ui->toolButton_2->hide();
        ui->textBrowser->hide();
        // A saved page may show the files beside it, and nothing else of the disk.
        keepPagesInside(QFileInfo(file->getFilePath()).absolutePath());
        load(file->getFilePath());
    }
}

void Reader::keepPagesInside(const QString &folder)
{
    ui->webView->page()->setUrlRequestInterceptor(new BookRequestFilter(folder, this));
}

void Reader::openEpub()
{
    extractionDir = ExtractionDirectory::forDigest(file->md5());
    if (extractionDir.isEmpty())
        return;
    contentBaseDir = extractionDir;
    logDebug(QStringLiteral("tmp dir: "), extractionDir);
    logDebug(QStringLiteral("attempt decompress"));
    const EpubArchive::Extraction extraction = EpubArchive::extract(file->getFilePath(), extractionDir);
    if (extraction.tooLarge) {
        ui->textBrowser->setPlainText(tr("This book is too large to open."));
        // A partial book would be taken for the whole one at the next open.
        QDir(extractionDir).removeRecursively();
        return;
    }
    keepPagesInside(extractionDir);
    const QStringList &extracted = extraction.files;
    logDebug(extracted.join(u' '));

    QStringList ncxCandidates;
    for (const QString &path : extracted) {
        if (path.contains(QStringLiteral("toc.ncx")))
            ncxCandidates << path;
    }
    const QStringList spine = PackageDocument::spine(extractionDir);
    chapterList = spine.isEmpty() ? chapterDocumentsByName(extracted) : spine;
    logDebug(chapterList.join(u' '), extractionDir);

    QString firstEntry;
    if (ncxCandidates.size() == 1) {
        logDebug(QStringLiteral("ncx file;"), ncxCandidates.first());
        if (!QFileInfo::exists(ncxCandidates.first()))
            return;
        firstEntry = readTableOfContents(ncxCandidates.first(), spine);
    }
    // The book opens at the chapter read last; a first visit at the contents' first entry, whose place in the
    // reading order paging goes on from.
    positionKey = ReadingPositions::keyOfPath(file->getFilePath(), file->md5());
    const int lastRead = ReadingPositions::load(positionKey).value_or(ReadingPositions::Position{}).chapter;
    if (lastRead > 0 && lastRead < chapterList.size())
        showChapter(lastRead);
    else if (!firstEntry.isEmpty()) {
        currentChapter = int(chapterList.indexOf(firstEntry));
        load(firstEntry);
    } else
        showChapter(0);
}

QString Reader::readTableOfContents(const QString &ncxPath, const QStringList &spine)
{
    const TableOfContents toc(ncxPath, BookFolder(extractionDir));
    logDebug(toc.title());
    contentBaseDir = toc.baseDirectory();
    tocChapterFiles = toc.chapterFiles();
    ui->textBrowser->document()->setDefaultStyleSheet(TableOfContents::styleSheet());
    ui->textBrowser->setHtml(toc.html());

    if (spine.isEmpty()) {
        chapterList = tocChapterFiles;
        chapterList.removeDuplicates();
    }
    logDebug(chapterList.join(u' '));
    return tocChapterFiles.value(0);
}

void Reader::tocClicked(const QUrl &link)
{
    QUrl url = QUrl::fromLocalFile(QDir::cleanPath(contentBaseDir + u'/' + link.path(QUrl::FullyDecoded)));
    url.setFragment(link.fragment(QUrl::FullyDecoded), QUrl::DecodedMode);
    logDebug(url.toString());
    ui->webView->load(url);
}

void Reader::on_btnRight_clicked()
{
    if (currentChapter >= chapterList.size() - 1)
        return;
    showChapter(currentChapter + 1);
}

void Reader::on_btnLeft_clicked()
{
    if (currentChapter < 1)
        return;
    logDebug(chapterList.at(currentChapter - 1));
    showChapter(currentChapter - 1);
}

void Reader::on_horizontalSlider_valueChanged(int value)
{
    const qreal zoom = value / 1000.0;
    logDebug(zoom);
    ui->webView->setZoomFactor(zoom);
}

void Reader::on_toolButton_2_clicked()
{
    ui->textBrowser->setHidden(!ui->textBrowser->isHidden());
}

void Reader::showChapter(int index)
{
    if (index < 0 || index >= chapterList.size())
        return;
    currentChapter = index;
    load(chapterList.at(index));
}

void Reader::load(const QString &path)
{
    ui->webView->load(QUrl::fromLocalFile(path));
}
