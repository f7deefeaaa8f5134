#include "bench/coverimages.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace {

constexpr int Width = 200;
constexpr int Height = 300;

} // namespace

CoverImages::CoverImages(int variants)
{
    for (int variant = 0; variant < variants; ++variant) {
        const QByteArray jpeg = drawCover(variant);
        if (jpeg.isEmpty()) {
            jpegs.clear();
            return;
        }
        jpegs.append(jpeg);
    }
}

bool CoverImages::write(int number, const QString &path, QString *error) const
{
    const QByteArray &jpeg = jpegs[number % jpegs.size()];
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size()) {
        *error = QStringLiteral("Cannot write the cover %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QByteArray CoverImages::drawCover(int variant)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    const QColor base = QColor::fromHsv((variant * 47) % 360, 160, 200);
    {
        QPainter painter(&image);
        QLinearGradient background(0, 0, 0, Height);
        background.setColorAt(0, base.lighter(140));
        background.setColorAt(1, base.darker(180));
        painter.fillRect(image.rect(), background);
        painter.setPen(QPen(Qt::white, 3));
        painter.drawRect(12, 12, Width - 24, Height - 24);
        painter.setBrush(base.darker(120 + variant * 10));
        painter.drawEllipse(QPoint(Width / 2, Height / 2 + 30), 40 + variant * 4, 40 + variant * 4);
        QFont font = painter.font();
        font.setPixelSize(22);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRect(20, 40, Width - 40, 80), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("Volume %1").arg(variant + 1));
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "JPG", 85))
        return QByteArray();
    return jpeg;
}
