// SPDX-License-Identifier: MIT
#include "FormLook.h"

#include "UiFont.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWidget>

namespace velmora::student {

QFont FormLook::songti(qreal pointSize, bool bold)
{
    return chineseUiFont(pointSize, bold);
}

QString FormLook::caption()
{
    return QStringLiteral("Velmora系统  V1.0");
}

namespace {

// A page with a blue title bar: the program's own picture.
void paintPage(QPainter& p, const QRectF& r)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 70, 140), r.width() / 24.0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, r.width() / 10.0, r.width() / 10.0);
    const QRectF bar(r.left(), r.top(), r.width(), r.height() * 0.28);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 110, 200));
    p.drawRect(bar.adjusted(r.width() / 24.0, r.width() / 24.0, -r.width() / 24.0, 0));
    p.setPen(QPen(QColor(150, 170, 210), r.height() / 16.0));
    for (int i = 0; i < 3; ++i) {
        const qreal y = r.top() + r.height() * (0.45 + 0.17 * i);
        p.drawLine(QPointF(r.left() + r.width() * 0.18, y),
                   QPointF(r.right() - r.width() * (i == 2 ? 0.4 : 0.18), y));
    }
}

QPixmap blank(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap FormLook::picture(Picture which)
{
    QPixmap pm = blank(32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(3, 3, 26, 26);
    switch (which) {
    case Picture::SetButton:
        paintPage(p, QRectF(6, 3, 20, 26));
        break;
    case Picture::Back: {
        QPainterPath arrow;
        arrow.moveTo(4, 16);
        arrow.lineTo(15, 6);
        arrow.lineTo(15, 12);
        arrow.lineTo(28, 12);
        arrow.lineTo(28, 20);
        arrow.lineTo(15, 20);
        arrow.lineTo(15, 26);
        arrow.closeSubpath();
        p.fillPath(arrow, QColor(50, 120, 200));
        break;
    }
    case Picture::Redo:
        p.setPen(QPen(QColor(220, 120, 20), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(r.adjusted(3, 3, -3, -3), 60 * 16, 280 * 16);
        p.setBrush(QColor(220, 120, 20));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(18, 2), QPointF(27, 7), QPointF(18, 12)}));
        break;
    case Picture::Upload: {
        QPainterPath arrow;
        arrow.moveTo(16, 3);
        arrow.lineTo(27, 15);
        arrow.lineTo(20, 15);
        arrow.lineTo(20, 28);
        arrow.lineTo(12, 28);
        arrow.lineTo(12, 15);
        arrow.lineTo(5, 15);
        arrow.closeSubpath();
        p.fillPath(arrow, QColor(40, 160, 80));
        break;
    }
    case Picture::Mark:
        p.setPen(QPen(QColor(210, 30, 30), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(5, 17), QPointF(12, 25), QPointF(27, 6)}));
        break;
    }
    return pm;
}

QPixmap FormLook::logo()
{
    QPixmap pm = blank(28);
    QPainter p(&pm);
    paintPage(p, QRectF(3, 1, 22, 26));
    return pm;
}

QIcon FormLook::formIcon()
{
    QPixmap pm = blank(16);
    QPainter p(&pm);
    paintPage(p, QRectF(2, 1, 12, 14));
    p.end();
    QIcon icon(pm);
    icon.addPixmap(logo());
    return icon;
}

void FormLook::centerOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void FormLook::keepOnTop(QWidget* window, bool onTop)
{
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) {
        return;
    }
    const bool visible = window->isVisible();
    const QPoint pos = window->pos();
    // Changing the flags re-creates the native window and hides it.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    window->move(pos);
    if (visible) {
        window->show();
    }
}

} // namespace velmora::student
