// SPDX-License-Identifier: MIT
// velmora-icons OUTDIR: writes velmora-N.png and velcoll-N.png for the
// freedesktop icon sizes. Both icons share the blue of the window skin.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

void paintBadge(QPainter& p, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, 0, 0, 256);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(140), 6));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    // gloss on the upper half
    QLinearGradient gloss(0, 8, 0, 128);
    gloss.setColorAt(0, QColor(255, 255, 255, 120));
    gloss.setColorAt(1, QColor(255, 255, 255, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(QRectF(16, 14, 224, 110), 36, 36);
}

void paintPage(QPainter& p, const QRectF& r)
{
    QPainterPath page;
    const qreal fold = r.width() * 0.28;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(QColor(40, 60, 110), 5));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(205, 220, 245));
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    p.drawPath(corner);
}

QImage studentIcon()
{
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintBadge(p, QColor(90, 150, 235), QColor(20, 70, 170));
    paintPage(p, QRectF(58, 40, 140, 176));
    // "</>" on the page
    p.setPen(QPen(QColor(20, 70, 170), 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(100, 88), QPointF(80, 108), QPointF(100, 128)}));
    p.drawPolyline(QPolygonF({QPointF(156, 88), QPointF(176, 108), QPointF(156, 128)}));
    p.drawLine(QPointF(136, 82), QPointF(120, 134));
    // the green tick of a marked page
    p.setPen(QPen(QColor(255, 255, 255), 30, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPolygonF tick({QPointF(112, 176), QPointF(140, 204), QPointF(210, 134)});
    p.drawPolyline(tick);
    p.setPen(QPen(QColor(30, 170, 70), 18, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(tick);
    return img;
}

QImage teacherIcon()
{
    QImage img(256, 256, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintBadge(p, QColor(90, 150, 235), QColor(20, 70, 170));
    // a score list: white sheet with rows, first column ticked
    p.setPen(QPen(QColor(40, 60, 110), 5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(50, 56, 156, 164), 10, 10);
    p.setBrush(QColor(230, 160, 40));
    p.drawRoundedRect(QRectF(98, 40, 60, 30), 8, 8);
    for (int i = 0; i < 4; ++i) {
        const qreal y = 96 + i * 32;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 170, 70));
        p.drawEllipse(QPointF(78, y), 9, 9);
        p.setBrush(QColor(20, 70, 170));
        p.drawRoundedRect(QRectF(98, y - 7, 88 - (i % 2) * 24, 14), 7, 7);
    }
    return img;
}

bool writeSizes(const QImage& master, const QString& name, const QDir& out)
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage scaled =
            master.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString file = out.filePath(QStringLiteral("%1-%2.png").arg(name).arg(size));
        if (!scaled.save(file, "PNG")) {
            std::fprintf(stderr, "velmora-icons: cannot write %s\n", qPrintable(file));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora-icons OUTDIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "velmora-icons: cannot create %s\n", argv[1]);
        return 1;
    }
    return writeSizes(studentIcon(), QStringLiteral("velmora"), out) &&
                   writeSizes(teacherIcon(), QStringLiteral("velcoll"), out)
               ? 0
               : 1;
}
