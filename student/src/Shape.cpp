// SPDX-License-Identifier: MIT
#include "Shape.h"

#include <QPainter>

namespace velmora::student {

Shape::Shape(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setTransparentBox(const QColor& border)
{
    m_opaque = false;
    m_border = border;
    update();
}

void Shape::setOpaqueBox(const QColor& fill, const QColor& border)
{
    m_opaque = true;
    m_fill = fill;
    m_border = border;
    update();
}

void Shape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_opaque) {
        p.fillRect(rect(), m_fill);
    }
    p.setPen(m_border);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace velmora::student
