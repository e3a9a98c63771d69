#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

QImage programIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // A deep blue tile.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(22, 52, 96));
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 6, 6);

    // The dish: a bowl facing up and to the right, on a short stand.
    p.setBrush(QColor(236, 240, 244));
    QPainterPath bowl;
    bowl.moveTo(3, 13);
    bowl.quadTo(5, 27, 19, 27);
    bowl.lineTo(3, 13);
    p.drawPath(bowl);
    p.setPen(QPen(QColor(236, 240, 244), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 22), QPointF(13, 17));
    p.drawLine(QPointF(9, 26), QPointF(7, 30));

    // Three signal bars, rising.
    p.setPen(Qt::NoPen);
    const QColor bars[] = {QColor(255, 80, 60), QColor(240, 200, 40), QColor(40, 200, 70)};
    for (int i = 0; i < 3; ++i) {
        const double height = 6 + i * 6;
        p.setBrush(bars[i]);
        p.drawRoundedRect(QRectF(17 + i * 4.5, 20 - height + 6, 3.4, height), 1, 1);
    }
    return image;
}

QIcon programIcon()
{
    // Drawn once per run. The sizes a title bar, task bar or tray asks for;
    // menus take the larger ones from the installed icon theme.
    static const QIcon icon = [] {
        QIcon drawn;
        for (const int size : {16, 22, 24, 32, 48, 64})
            drawn.addPixmap(QPixmap::fromImage(programIconImage(size)));
        return drawn;
    }();
    return icon;
}
