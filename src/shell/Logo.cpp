#include "Logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tallowick {

QImage logoImage()
{
    QImage image(79, 115, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // The register's cover.
    QLinearGradient cover(0, 0, 79, 115);
    cover.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    cover.setColorAt(1, QColor(0x0b, 0x2a, 0x47));
    painter.setBrush(cover);
    painter.setPen(QPen(QColor(0x08, 0x1c, 0x30), 1.5));
    painter.drawRoundedRect(QRectF(3, 3, 73, 109), 6, 6);

    // The page with its ruled lines.
    painter.setBrush(QColor(0xfb, 0xf8, 0xef));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(12, 14, 55, 80));
    painter.setPen(QPen(QColor(0x9d, 0xb7, 0xd0), 1));
    for (int y = 24; y < 92; y += 8)
        painter.drawLine(15, y, 64, y);
    painter.setPen(QPen(QColor(0xd0, 0x6c, 0x6c), 1));
    painter.drawLine(48, 16, 48, 92);

    // The tick of a balanced account.
    QPainterPath tick;
    tick.moveTo(20, 56);
    tick.lineTo(33, 72);
    tick.lineTo(60, 34);
    painter.setPen(QPen(QColor(0x2e, 0x8b, 0x3e), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);

    // The clasp.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xc9, 0xa2, 0x27));
    painter.drawRoundedRect(QRectF(30, 99, 19, 8), 2, 2);
    painter.end();
    return image;
}

QPixmap logoPixmap()
{
    return QPixmap::fromImage(logoImage());
}

QIcon logoIcon()
{
    return QIcon(logoPixmap());
}

} // namespace tallowick
