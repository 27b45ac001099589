// SPDX-License-Identifier: MIT
#include "RowIcon.h"

#include <QMouseEvent>

namespace velmora::collector {

RowIcon::RowIcon(QWidget* parent) : QLabel(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void RowIcon::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void RowIcon::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click && isEnabled()) {
        emit clicked();
    }
}

} // namespace velmora::collector
