// SPDX-License-Identifier: MIT
#include "CollectorArt.h"

#include "UiFont.h"

#include <QPainter>
#include <QPainterPath>

namespace velmora::collector {

namespace {

QPixmap canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void paintComputer(QPainter& p, qreal s)
{
    // monitor with a blue screen on a small stand
    p.scale(s / 16.0, s / 16.0);
    p.setPen(QPen(QColor(70, 70, 80), 1));
    p.setBrush(QColor(225, 228, 235));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 10), 1.5, 1.5);
    QLinearGradient screen(0, 3, 0, 10);
    screen.setColorAt(0, QColor(110, 180, 255));
    screen.setColorAt(1, QColor(30, 90, 200));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawRect(QRectF(3, 3, 10, 7));
    p.setBrush(QColor(90, 90, 100));
    p.drawRect(QRectF(7, 11.5, 2, 2));
    p.drawRoundedRect(QRectF(4, 13.5, 8, 1.8), 0.8, 0.8);
}

} // namespace

QPixmap CollectorArt::computerIcon()
{
    QPixmap pixmap = canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paintComputer(p, 16);
    return pixmap;
}

QFont CollectorArt::songFont(qreal points)
{
    // "宋体" where it is installed, else the CJK family chosen at start-up.
    QFont font = chineseUiFont(points);
    font.setWeight(QFont::Normal);
    return font;
}

QPixmap CollectorArt::warningIcon()
{
    QPixmap pixmap = canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(8, 1);
    triangle.lineTo(15.2, 14.5);
    triangle.lineTo(0.8, 14.5);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(150, 100, 0), 1));
    p.setBrush(QColor(255, 200, 0));
    p.drawPath(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(7.1, 5, 1.8, 5.5));
    p.drawRect(QRectF(7.1, 11.5, 1.8, 1.8));
    return pixmap;
}

QPixmap CollectorArt::tickIcon()
{
    QPixmap pixmap = canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A white tick on a green disc: unlike the score column's red check box.
    p.setPen(QPen(QColor(20, 110, 40), 1));
    p.setBrush(QColor(40, 170, 70));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(4, 8.5);
    tick.lineTo(7, 11.5);
    tick.lineTo(12, 5);
    p.drawPath(tick);
    return pixmap;
}

QPixmap CollectorArt::personIcon()
{
    QPixmap pixmap = canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 90, 40), 1));
    QLinearGradient body(0, 9, 0, 16);
    body.setColorAt(0, QColor(120, 200, 110));
    body.setColorAt(1, QColor(50, 140, 50));
    p.setBrush(body);
    QPainterPath shoulders;
    shoulders.moveTo(2, 15.5);
    shoulders.cubicTo(2, 10, 14, 10, 14, 15.5);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
    p.setPen(QPen(QColor(150, 100, 60), 1));
    p.setBrush(QColor(255, 214, 170));
    p.drawEllipse(QRectF(4.5, 1.5, 7, 7.5));
    return pixmap;
}

QPixmap CollectorArt::scorePicture()
{
    QPixmap pixmap = canvas(20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // a sheet with lines and a red tick
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 1.5, 12, 17));
    p.setPen(QPen(QColor(170, 190, 220), 1));
    for (int y = 5; y <= 15; y += 3) {
        p.drawLine(QPointF(5.5, y + 0.5), QPointF(13.5, y + 0.5));
    }
    QPen tick(QColor(220, 30, 30), 2.2);
    tick.setCapStyle(Qt::RoundCap);
    tick.setJoinStyle(Qt::RoundJoin);
    p.setPen(tick);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(6, 11);
    path.lineTo(9.5, 15);
    path.lineTo(18, 4);
    p.drawPath(path);
    return pixmap;
}

QPixmap CollectorArt::editPicture()
{
    QPixmap pixmap = canvas(18);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // a yellow pencil lying from bottom left to top right
    p.translate(9, 9);
    p.rotate(-45);
    p.setPen(QPen(QColor(120, 80, 10), 0.8));
    p.setBrush(QColor(250, 200, 40));
    p.drawRect(QRectF(-5, -2.2, 10, 4.4));
    p.setBrush(QColor(240, 140, 150));
    p.drawRect(QRectF(5, -2.2, 2.5, 4.4));
    QPainterPath tip;
    tip.moveTo(-5, -2.2);
    tip.lineTo(-8.5, 0);
    tip.lineTo(-5, 2.2);
    tip.closeSubpath();
    p.setBrush(QColor(240, 215, 170));
    p.drawPath(tip);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QPointF(-7.8, 0), 0.9, 0.9);
    return pixmap;
}

QPixmap CollectorArt::deletePicture()
{
    QPixmap pixmap = canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient disc(QPointF(6, 5), 10);
    disc.setColorAt(0, QColor(255, 120, 110));
    disc.setColorAt(1, QColor(190, 20, 20));
    p.setPen(QPen(QColor(140, 10, 10), 1));
    p.setBrush(disc);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    QPen cross(Qt::white, 2);
    cross.setCapStyle(Qt::RoundCap);
    p.setPen(cross);
    p.drawLine(QPointF(5.2, 5.2), QPointF(10.8, 10.8));
    p.drawLine(QPointF(10.8, 5.2), QPointF(5.2, 10.8));
    return pixmap;
}

QIcon CollectorArt::windowIcon()
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap = canvas(size);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        paintComputer(p, size);
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace velmora::collector
