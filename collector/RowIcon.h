// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

namespace velmora::collector {

// A picture that acts on a left click, like the edit and delete images of a
// score row. It never takes the focus, so clicking it leaves the focus where
// it was.
class RowIcon : public QLabel
{
    Q_OBJECT

public:
    explicit RowIcon(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace velmora::collector
