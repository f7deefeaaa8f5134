#include "tests/support/testpdf.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>

bool TestPdf::write(const QString &path, const QString &title, const QStringList &pageTexts)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QPdfWriter writer(path);
    writer.setTitle(title);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (qsizetype page = 0; page < pageTexts.size(); ++page) {
        if (page > 0)
            writer.newPage();
        painter.drawText(QRect(200, 200, 8000, 2000), pageTexts.at(page));
    }
    return painter.end();
}
