// SPDX-License-Identifier: MIT
#include "FrameButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace velmora {

FrameButton::FrameButton(QWidget* parent) : SkinnedButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

FrameButton::~FrameButton() = default;

void FrameButton::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    resize(picture.deviceIndependentSize().toSize());
    update();
}

QSize FrameButton::sizeHint() const
{
    return m_picture.deviceIndependentSize().toSize();
}

void FrameButton::paintEvent(QPaintEvent*)
{
    // The frame shows through the picture's transparent corners.
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

void FrameButton::mousePressEvent(QMouseEvent* event)
{
    QPointer<FrameButton> self(this);
    emit mousePressed();
    if (self) {
        SkinnedButton::mousePressEvent(event);
    }
}

void FrameButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    QPointer<FrameButton> self(this);
    emit mousePressed();
    if (self) {
        SkinnedButton::mouseDoubleClickEvent(event);
    }
}

void FrameButton::mouseReleaseEvent(QMouseEvent* event)
{
    QPointer<FrameButton> self(this);
    emit mouseReleased();
    if (self) {
        SkinnedButton::mouseReleaseEvent(event);
    }
}

void FrameButton::mouseMoveEvent(QMouseEvent* event)
{
    QPointer<FrameButton> self(this);
    emit pointerMoved();
    if (self) {
        SkinnedButton::mouseMoveEvent(event);
    }
}

} // namespace velmora
