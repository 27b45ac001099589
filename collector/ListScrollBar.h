// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QScrollBar>

namespace velmora::collector {

// The score list's scroll bar. The list sets its steps for every new row (a
// page is one view of the taller panel), and a plain scroll bar repaints on
// every such change. This one repaints for a change of the steps only when
// its box (whose length the page step sets) would be drawn elsewhere; once the
// box has shrunk to its shortest, new rows leave the bar alone.
class ListScrollBar : public QScrollBar
{
    Q_OBJECT

public:
    explicit ListScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Where the box lies now, in the bar's pixels.
    QRect boxRect() const;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect m_paintedBox; // the box as last painted
};

} // namespace velmora::collector
