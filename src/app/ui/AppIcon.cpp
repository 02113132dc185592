#include "app/ui/AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    const qreal s = size;
    QLinearGradient background(0, 0, 0, s);
    background.setColorAt(0, QColor(0x2f, 0x80, 0xed));
    background.setColorAt(1, QColor(0x1c, 0x4f, 0xa8));
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);

    // A "V" that doubles as a rising chart line.
    QPainterPath mark;
    mark.moveTo(s * 0.2, s * 0.3);
    mark.lineTo(s * 0.5, s * 0.78);
    mark.lineTo(s * 0.82, s * 0.22);
    QPen pen(Qt::white, s * 0.13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xc8, 0x3d));
    p.drawEllipse(QPointF(s * 0.82, s * 0.22), s * 0.09, s * 0.09);
    return pixmap;
}

} // namespace

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(drawIcon(size));
    return icon;
}
