// SPDX-License-Identifier: MIT
#pragma once

#include "SkinnedButton.h"

#include <QPixmap>

namespace velmora {

// A caption button of the window frame (close, minimise, maximise/restore):
// it shows the picture the frame gives it, at the picture's size, and tells
// the frame of every pointer move, press and release over it, so that the
// frame chooses the normal, hover or pressed picture. A left click emits
// clicked(), as a screen reader's press does. Like the caption buttons of a
// system window it takes no focus: they are not tab stops of the window.
class FrameButton : public SkinnedButton
{
    Q_OBJECT

public:
    explicit FrameButton(QWidget* parent = nullptr);
    ~FrameButton() override;

    QPixmap picture() const { return m_picture; }
    // Shows the picture and takes its size.
    void setPicture(const QPixmap& picture);

    QSize sizeHint() const override;

signals:
    void pointerMoved();
    // Any mouse button, also the second press of a double-click.
    void mousePressed();
    void mouseReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace velmora
