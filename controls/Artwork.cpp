// SPDX-License-Identifier: MIT
#include "Artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <array>

namespace velmora::artwork {

namespace {

QColor mix(const QColor& a, const QColor& b, double t)
{
    t = qBound(0.0, t, 1.0);
    return QColor(qRound(a.red() + (b.red() - a.red()) * t),
                  qRound(a.green() + (b.green() - a.green()) * t),
                  qRound(a.blue() + (b.blue() - a.blue()) * t));
}

// Straight scanline writes: the skin is painted once at start-up, and
// setPixelColor per pixel made painting the skin a tenth of the start-up.
void fillRow(QImage& img, int y, int x0, int x1, const QColor& c)
{
    QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    std::fill(line + x0, line + x1 + 1, c.rgb());
}

void fillColumn(QImage& img, int x, int y0, int y1, const QColor& c)
{
    const QRgb rgb = c.rgb();
    for (int y = y0; y <= y1; ++y) {
        reinterpret_cast<QRgb*>(img.scanLine(y))[x] = rgb;
    }
}

QImage paintFrameSkin()
{
    constexpr int w = 256;
    constexpr int h = 159;
    QImage img(w, h, QImage::Format_RGB32);

    const QColor outline(30, 62, 147);
    const QColor sidePale(170, 225, 255);
    const QColor sideBlue(78, 167, 237);
    const QColor topPale(153, 213, 246);
    const QColor titleTop(21, 119, 211);
    const QColor titleBottom(104, 182, 247);
    const QColor titleLine(79, 147, 213);
    const QColor white(255, 255, 255);
    const QColor bodyMid(244, 251, 255);
    const QColor bodyLow(204, 235, 255);
    const QColor bottomBlue(67, 155, 237);
    const QColor bottomPale(107, 206, 245);

    // Rows first, from the top: pale line, title band, its closing line, body,
    // the two bottom rows.
    fillRow(img, 1, 0, w - 1, topPale);
    for (int y = 2; y <= 19; ++y) {
        fillRow(img, y, 0, w - 1, mix(titleTop, titleBottom, (y - 3) / 16.0));
    }
    fillRow(img, 20, 0, w - 1, titleLine);
    for (int y = 21; y <= 155; ++y) {
        QColor c;
        if (y <= 80) {
            c = mix(white, bodyMid, (y - 21) / 59.0);
        } else {
            c = mix(bodyMid, bodyLow, (y - 80) / 70.0);
        }
        fillRow(img, y, 0, w - 1, c);
    }
    fillRow(img, h - 3, 0, w - 1, bottomBlue);
    fillRow(img, h - 2, 0, w - 1, bottomPale);

    // The two lines down each side, inside the outline.
    fillColumn(img, 1, 1, h - 2, sidePale);
    fillColumn(img, 2, 2, h - 3, sideBlue);
    fillColumn(img, w - 2, 1, h - 2, sidePale);
    fillColumn(img, w - 3, 2, h - 3, sideBlue);

    // The outline, with rounded corners: the outermost corner pixels carry the
    // outline colour one step in, matching the window's rounded region.
    fillRow(img, 0, 0, w - 1, outline);
    fillRow(img, h - 1, 0, w - 1, outline);
    fillColumn(img, 0, 0, h - 1, outline);
    fillColumn(img, w - 1, 0, h - 1, outline);
    img.setPixelColor(1, 1, outline);
    img.setPixelColor(w - 2, 1, outline);
    img.setPixelColor(1, h - 2, outline);
    img.setPixelColor(w - 2, h - 2, outline);
    return img;
}

struct ButtonColours
{
    QColor top;
    QColor bottom;
    QColor glyph;
};

ButtonColours buttonColours(Glyph glyph, Look look)
{
    if (glyph == Glyph::Close) {
        switch (look) {
        case Look::Normal:
            return {QColor(238, 112, 76), QColor(206, 62, 34), QColor(255, 226, 214)};
        case Look::Hover:
            return {QColor(255, 170, 110), QColor(246, 116, 56), QColor(255, 255, 255)};
        case Look::Pressed:
            return {QColor(170, 40, 24), QColor(128, 18, 10), QColor(240, 200, 190)};
        }
    }
    switch (look) {
    case Look::Normal:
        return {QColor(96, 168, 240), QColor(40, 104, 200), QColor(255, 255, 255)};
    case Look::Hover:
        return {QColor(150, 206, 255), QColor(84, 154, 238), QColor(255, 255, 255)};
    case Look::Pressed:
        return {QColor(40, 94, 170), QColor(20, 60, 130), QColor(220, 232, 250)};
    }
    return {};
}

} // namespace

const QImage& frameSkin()
{
    static const QImage skin = paintFrameSkin();
    return skin;
}

void stretchImage(QImage& dst, const QRect& target, const QImage& src, const QRect& source)
{
    Q_ASSERT(dst.format() == QImage::Format_RGB32 && src.format() == QImage::Format_RGB32);
    const QRect clipped = target.intersected(dst.rect());
    if (clipped.isEmpty() || source.isEmpty()) {
        return;
    }
    // Sixteen-bit fixed-point steps through the source, each destination
    // pixel sampled at its centre, as the raster paint engine does.
    const qreal sx = qreal(source.width()) / target.width();
    const qreal sy = qreal(source.height()) / target.height();
    const quint32 ix = quint32(int(0x10000 * sx));
    const quint32 iy = quint32(int(0x10000 * sy));
    const quint32 basex =
        quint32(source.left() * 0x10000) +
        quint32(qCeil((clipped.left() + qreal(0.5) - target.left()) * sx * 0x10000) - 1);
    quint32 srcy = quint32(source.top() * 0x10000) +
                   quint32(qCeil((clipped.top() + qreal(0.5) - target.top()) * sy * 0x10000) - 1);
    int w = clipped.width();
    int h = clipped.height();
    // Rounding may reach one pixel past the source's last row or column.
    if (int((srcy + iy * quint32(h - 1)) >> 16) >= src.height()) {
        --h;
    }
    if (int((basex + ix * quint32(w - 1)) >> 16) >= src.width()) {
        --w;
    }
    const QRgb* previousSource = nullptr;
    const QRgb* previousRow = nullptr;
    for (int y = 0; y < h; ++y, srcy += iy) {
        const auto* from = reinterpret_cast<const QRgb*>(src.constScanLine(int(srcy >> 16)));
        QRgb* to = reinterpret_cast<QRgb*>(dst.scanLine(clipped.top() + y)) + clipped.left();
        if (from == previousSource) {
            std::copy_n(previousRow, w, to);
            continue;
        }
        // Most rows of a skin are one colour across: those are filled.
        const QRgb* first = from + (basex >> 16);
        const QRgb* last = from + ((basex + ix * quint32(w - 1)) >> 16);
        if (std::all_of(first, last + 1, [first](QRgb c) { return c == *first; })) {
            std::fill_n(to, w, *first);
        } else {
            quint32 x16 = basex;
            for (int x = 0; x < w; ++x, x16 += ix) {
                to[x] = from[x16 >> 16];
            }
        }
        previousSource = from;
        previousRow = to;
    }
}

QPixmap framePicture(Glyph glyph, Look look)
{
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    const ButtonColours c = buttonColours(glyph, look);

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(0, 0, 0, 16);
    body.setColorAt(0, c.top);
    body.setColorAt(1, c.bottom);
    p.setPen(QPen(c.bottom.darker(130), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);

    p.setRenderHint(QPainter::Antialiasing, glyph == Glyph::Close);
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Close:
        p.setPen(QPen(c.glyph, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    case Glyph::Min:
        p.fillRect(QRect(4, 10, 8, 2), c.glyph);
        break;
    case Glyph::Max:
        p.setPen(QPen(c.glyph, 1));
        p.drawRect(QRect(4, 4, 7, 7));
        p.fillRect(QRect(4, 4, 8, 2), c.glyph);
        break;
    case Glyph::Restore:
        p.setPen(QPen(c.glyph, 1));
        p.drawRect(QRect(6, 3, 6, 5));
        p.fillRect(QRect(6, 3, 7, 2), c.glyph);
        p.fillRect(QRect(3, 6, 7, 7), c.top);
        p.drawRect(QRect(3, 6, 6, 6));
        p.fillRect(QRect(3, 6, 7, 2), c.glyph);
        break;
    }
    p.end();
    return QPixmap::fromImage(img);
}

QPixmap frameCursorPixmap()
{
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A pointing arrow: white with a dark blue edge, tip at the hot spot.
    QPainterPath arrow;
    arrow.moveTo(kCursorHotX, kCursorHotY);
    arrow.lineTo(kCursorHotX, 17);
    arrow.lineTo(5, 13.5);
    arrow.lineTo(8, 20);
    arrow.lineTo(10.5, 19);
    arrow.lineTo(7.5, 12.5);
    arrow.lineTo(12.5, 12.5);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(30, 62, 147), 1));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    p.end();
    return QPixmap::fromImage(img);
}

namespace {

struct FaceSpec
{
    QColor outline;
    QColor top;
    QColor bottom;
    QColor highlightTop;    // invalid: none
    QColor highlightBottom; // invalid: none
    QColor ringOuter;       // invalid: none
    QColor ringInner;       // invalid: none
};

QImage paintFace(const FaceSpec& s)
{
    constexpr int w = 45;
    constexpr int h = 20;
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        fillRow(img, y, 0, w - 1, mix(s.top, s.bottom, (y - 1) / double(h - 3)));
    }
    if (s.highlightTop.isValid()) {
        fillRow(img, 1, 1, w - 2, s.highlightTop);
    }
    if (s.highlightBottom.isValid()) {
        fillRow(img, h - 2, 1, w - 2, s.highlightBottom);
    }
    auto ring = [&img](int inset, const QColor& c) {
        fillRow(img, inset, inset, w - 1 - inset, c);
        fillRow(img, h - 1 - inset, inset, w - 1 - inset, c);
        fillColumn(img, inset, inset, h - 1 - inset, c);
        fillColumn(img, w - 1 - inset, inset, h - 1 - inset, c);
    };
    if (s.ringOuter.isValid()) {
        ring(1, s.ringOuter);
    }
    if (s.ringInner.isValid()) {
        ring(2, s.ringInner);
    }
    ring(0, s.outline);
    // Soften the four corners so the button looks rounded.
    const QColor corner = mix(s.outline, s.top, 0.6);
    img.setPixelColor(0, 0, corner);
    img.setPixelColor(w - 1, 0, corner);
    img.setPixelColor(0, h - 1, corner);
    img.setPixelColor(w - 1, h - 1, corner);
    return img;
}

std::array<QImage, 4> paintFaces()
{
    const QColor none;
    return {
        paintFace({QColor(51, 107, 164), QColor(236, 247, 255), QColor(158, 210, 255), none, none,
                   QColor(251, 184, 51), QColor(255, 231, 98)}),
        paintFace({QColor(35, 96, 177), QColor(236, 248, 255), QColor(157, 211, 255),
                   QColor(255, 255, 255), QColor(186, 244, 255), none, none}),
        paintFace({QColor(35, 96, 177), QColor(242, 250, 255), QColor(183, 225, 255),
                   QColor(255, 255, 255), none, none, none}),
        paintFace({QColor(35, 96, 177), QColor(155, 201, 238), QColor(202, 235, 253), none, none,
                   none, none}),
    };
}

} // namespace

const QImage& buttonFace(int face)
{
    static const std::array<QImage, 4> faces = paintFaces();
    if (face < 0 || face > 3) {
        face = 1;
    }
    return faces[static_cast<size_t>(face)];
}

} // namespace velmora::artwork
