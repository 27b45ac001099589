// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>
#include <QPointer>

namespace velmora {
class QQForm;
}

namespace velmora::collector {

// The window's counter of submitted scores: a plain-text label of fixed size
// that paints the frame's picture beneath its text itself. Its text changes
// with every new row; so it repaints only its own rectangle, without the
// window laying it out again or the frame painting that part of itself again.
class CounterLabel : public QLabel
{
    Q_OBJECT

public:
    // `frame` lies beneath the label and shares its parent.
    CounterLabel(const QQForm* frame, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<const QQForm> m_frame;
};

} // namespace velmora::collector
