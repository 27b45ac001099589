// SPDX-License-Identifier: MIT
#include "CounterLabel.h"

#include "QQForm.h"

#include <QPaintEvent>
#include <QPainter>

namespace velmora::collector {

CounterLabel::CounterLabel(const QQForm* frame, QWidget* parent) : QLabel(parent), m_frame(frame)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CounterLabel::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        if (m_frame) {
            // What the frame shows beneath this rectangle.
            const QRect dirty = event->rect();
            p.drawPixmap(dirty, m_frame->surface(),
                         dirty.translated(geometry().topLeft() - m_frame->geometry().topLeft()));
        } else {
            p.fillRect(event->rect(), palette().window());
        }
    }
    QLabel::paintEvent(event);
}

} // namespace velmora::collector
