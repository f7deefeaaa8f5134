#ifndef PAGECAPTURE_H
#define PAGECAPTURE_H

#include <QObject>
#include <QPointer>
#include <QString>

class QWebEnginePage;
class WebPage;

Q_MOC_INCLUDE("model/webpage.h")

// Saves the page on show as a library item: an A4 PDF in the library directory, its first page as the
// cover, and a web page record with the address, title and whole text of the page. A page without a
// title is named after its host. The web engine reads the title and text and prints in the background,
// so a capture ends later with one of its signals, after which it deletes itself.
class PageCapture : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageCapture)

public:
    // address is what the address line shows; parent is the browser the capture belongs to.
    PageCapture(QObject *parent, QWebEnginePage *page, const QString &address, const QString &libraryDir,
                const QString &dataDir);

    void start();

signals:
    // The record is stored and kept for the rest of the run.
    void captured(WebPage *record);
    void failed(const QString &reason);

private:
    void print(const QString &documentTitle);
    QString untitledName() const;
    void printed(const QString &path, bool success);
    void store(const QString &text);
    void fail(const QString &reason);

    QPointer<QWebEnginePage> page;
    QString address;
    QString title;
    QString pdf;
    QString libraryDir;
    QString dataDir;
};

#endif // PAGECAPTURE_H
