#ifndef URLRECORDER_H
#define URLRECORDER_H

#include <QList>
#include <QObject>
#include <QUrl>

// Stands in for the desktop: keeps every address it is asked to open. Install it with
// QDesktopServices::setUrlHandler(scheme, recorder, "open").
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url);
};

#endif // URLRECORDER_H
