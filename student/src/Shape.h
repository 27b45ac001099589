// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QWidget>

namespace velmora::student {

// A box with a one-pixel border, transparent or filled: the highlight boxes
// behind the start form's menu labels.
class Shape : public QWidget
{
    Q_OBJECT

public:
    explicit Shape(QWidget* parent = nullptr);

    void setTransparentBox(const QColor& border);
    void setOpaqueBox(const QColor& fill, const QColor& border);

    bool isOpaque() const { return m_opaque; }
    QColor fillColor() const { return m_fill; }
    QColor borderColor() const { return m_border; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_opaque = false;
    QColor m_fill;
    QColor m_border;
};

} // namespace velmora::student
