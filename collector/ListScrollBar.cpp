// SPDX-License-Identifier: MIT
#include "ListScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace velmora::collector {

ListScrollBar::ListScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent)
{
}

QRect ListScrollBar::boxRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

void ListScrollBar::sliderChange(SliderChange change)
{
    // The steps show only through the box's length; the value and the range
    // repaint as always.
    if (change == SliderStepsChange && m_paintedBox.isValid() && boxRect() == m_paintedBox) {
        return;
    }
    QScrollBar::sliderChange(change);
}

void ListScrollBar::paintEvent(QPaintEvent* event)
{
    m_paintedBox = boxRect();
    QScrollBar::paintEvent(event);
}

} // namespace velmora::collector
