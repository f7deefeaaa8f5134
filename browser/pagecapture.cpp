#include "browser/pagecapture.h"

#include "browser/capturefilename.h"
#include "widgets/pdfthumbnail.h"
#include "core/logger.h"
#include "model/records.h"
#include "model/webpage.h"

#include <QFileInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <memory>

PageCapture::PageCapture(QObject *parent, QWebEnginePage *page, const QString &address, const QString &libraryDir,
                         const QString &dataDir)
    : QObject(parent)
    , page(page)
    , address(address)
    , libraryDir(libraryDir)
    , dataDir(dataDir)
{
}

// The view's title of an untitled page is made up from its address, so the document is asked.
void PageCapture::start()
{
    const QPointer<PageCapture> self(this);
    page->runJavaScript(QStringLiteral("document.title"), QWebEngineScript::ApplicationWorld,
                        [self](const QVariant &documentTitle) {
                            if (self)
                                self->print(documentTitle.toString());
                        });
}

void PageCapture::print(const QString &documentTitle)
{
    if (!page) {
        fail(tr("The page was closed before it could be saved."));
        return;
    }
    const QString fallbackName = untitledName();
    title = documentTitle.trimmed().isEmpty() ? fallbackName : documentTitle;
    const QString basePath = CaptureFileName::basePath(title, fallbackName, libraryDir);
    logDebug(basePath);
    pdf = CaptureFileName::freePdfPath(basePath);
    connect(page, &QWebEnginePage::pdfPrintingFinished, this, &PageCapture::printed);
    page->printToPdf(pdf);
}

QString PageCapture::untitledName() const
{
    const QString host = page->url().host();
    return host.isEmpty() ? tr("Untitled page") : host;
}

void PageCapture::printed(const QString &path, bool success)
{
    if (path != pdf)
        return;
    disconnect(page, &QWebEnginePage::pdfPrintingFinished, this, &PageCapture::printed);
    // A page item must not point at a file that is not there.
    const QFileInfo written(pdf);
    if (!success || !written.isFile() || written.size() == 0) {
        fail(tr("The page could not be saved as %1.").arg(pdf));
        return;
    }
    // The text as the page shows it, a line between blocks; in a world of its own, out of the page scripts'
    // reach. Where scripts cannot run, what a select-all would copy.
    const QPointer<PageCapture> self(this);
    page->runJavaScript(QStringLiteral("document.body ? document.body.innerText : ''"),
                        QWebEngineScript::ApplicationWorld, [self](const QVariant &text) {
                            if (!self)
                                return;
                            if (text.typeId() == QMetaType::QString) {
                                self->store(text.toString());
                                return;
                            }
                            self->page->toPlainText([self](const QString &plain) {
                                if (self)
                                    self->store(plain);
                            });
                        });
}

void PageCapture::store(const QString &text)
{
    auto record = std::make_unique<WebPage>(nullptr, -1);
    record->addFile(pdf);
    record->setUrl(address);
    record->setTitle(title);
    record->setDescription(text);
    // Without a thumbnail the page keeps the built-in cover.
    const QString thumbnail = dataDir + QStringLiteral("pdf-thumb-tmp.jpg");
    if (PdfThumbnail::write(pdf, thumbnail, PdfThumbnail::CaptureHeight))
        record->setCoverFile(thumbnail);
    // The save moves the thumbnail to the page's own cover name.
    if (!record->saveOrUndo()) {
        fail(tr("The page was saved as %1, but it could not be added to the library.").arg(pdf));
        return;
    }
    // The views that show it take their references while the signal is delivered.
    const std::shared_ptr<WebPage> kept = Records::adopt(std::move(record));
    kept->updateViewItem();
    emit captured(kept.get());
    deleteLater();
}

void PageCapture::fail(const QString &reason)
{
    emit failed(reason);
    deleteLater();
}
