// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

namespace velmora::student {

// A plain-text label that reports clicks and pointer moves, for the menu
// labels of the start form and the folder link of the exercise form.
class EventLabel : public QLabel
{
    Q_OBJECT

public:
    explicit EventLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void Click();
    void MouseMove();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace velmora::student
