// SPDX-License-Identifier: MIT
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QPainter;

namespace velmora {

class FrameButton;

// The skinned window frame.
//
// How a host form uses it:
//   auto* QQForm1 = new QQForm(this);          // first child of the host
//   QQForm1->setObjectName(u"QQForm1"_s);
//   QQForm1->setMaxButton(false);               // optional, both default true
//   connect(QQForm1, &QQForm::MouseMove, this, &Host::clearHighlights);
//
// - The frame makes its host frameless (Qt::FramelessWindowHint, set in the
//   constructor, so construct it before the host is shown), covers the host's
//   whole client area and keeps itself at the bottom of the host's children,
//   so every other control of the host lies on top of it. It follows the host's
//   size by itself (shown, resized, maximised, restored).
// - It paints the title band (350 twips high, the host's windowIcon() and
//   windowTitle() in white bold), side borders 50 twips wide and a bottom
//   border 75 twips high, and gives the host window rounded corners (setMask).
//   Host controls placed in the body start below y = 350 twips.
// - The host's minimise and maximise/restore buttons are the frame's
//   MinButton and MaxButton properties; the close button always shows.
// - Close button: the frame calls host->close() (so the host's closeEvent
//   decides), then emits CloseClick even if the host refused to close.
//   Minimise: host minimised, then MinClick. Maximise/restore: host toggled
//   between normal and maximised, then MaxClick. Double-clicking the title
//   band runs maximise/restore when MaxButton is true.
// - Dragging the title band with the left button moves the host window while
//   it is in the normal state.
// - MouseMove is emitted whenever the pointer moves over the frame's own
//   surface or the title band (not over its three buttons).
//
// Child elements (by objectName): "ImgClose", "ImgMin", "ImgMax" (buttons,
// FrameButton, showing 16 x 16 pictures; their accessible names are their
// tool tips: "关闭", "最小化", "最大化" or "向下还原") and "LbMove" (the
// transparent title band).
class QQForm : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool MinButton READ minButton WRITE setMinButton)
    Q_PROPERTY(bool MaxButton READ maxButton WRITE setMaxButton)

public:
    enum class Button
    {
        Close,
        Min,
        Max
    };

    explicit QQForm(QWidget* host);
    ~QQForm() override;

    QWidget* host() const { return m_host; }

    bool minButton() const { return m_minButton; }
    void setMinButton(bool visible);
    bool maxButton() const { return m_maxButton; }
    void setMaxButton(bool visible);

    // Repaints and lays out the whole frame; also runs on show and resize.
    void Refresh();

    // The picture index a visible button shows now (1 normal, 2 hover,
    // 3 pressed; for Max 4 to 6 are the restore glyph), and the picture held
    // at an index (index 1 to 3, Max 1 to 6).
    int pictureIndex(Button button) const;
    QPixmap picture(Button button, int index) const;
    // True while all three buttons rest after the pointer was last over the frame.
    bool buttonsAtRest() const { return m_buttonsAtRest; }
    // What Refresh painted last (the retained drawing).
    // The painted frame as the next paint shows it.
    const QPixmap& surface() const;

    // The rounded window region of a window of the given pixel size, with
    // corner ellipses of ellipse x ellipse pixels.
    static QRegion roundRegion(const QSize& size, int ellipse);

signals:
    void MinClick();
    void MaxClick();
    void CloseClick();
    void MouseMove();

protected:
    // The host's size, state, title and icon, and the title band's mouse.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    FrameButton* frameButton(Button which) const;
    void showPicture(Button button, int index);
    void restButtons();
    void closeAction();
    void minAction();
    void maxAction();
    void followHost();
    void frameMoved();
    void buttonMoved(Button button);
    void buttonPressed(Button button);
    void buttonReleased(Button button);
    // Look 1 normal, 2 hover, 3 pressed; false when the button keeps its picture.
    bool showLook(Button button, int look);
    void titleEvent(QEvent* event);
    void updateMaxGlyph();
    void layoutButtons();
    void paintTitle(QPainter& p) const;

    QWidget* m_host = nullptr;
    FrameButton* m_imgClose = nullptr;
    FrameButton* m_imgMin = nullptr;
    FrameButton* m_imgMax = nullptr;
    QWidget* m_lbMove = nullptr;
    // The frame as a picture, composed only when asked for (surface()); a
    // paint draws the skin kept per size and the title over it.
    mutable QPixmap m_surface;
    mutable bool m_surfaceDirty = true;
    int m_shown[3] = {1, 1, 1};
    bool m_minButton = true;
    bool m_maxButton = true;
    bool m_buttonsAtRest = false;
    bool m_refreshing = false;
    // Title-band drag done by the frame itself when the window system cannot.
    bool m_dragging = false;
    QPoint m_dragStartGlobal;
    QPoint m_dragStartHost;
};

} // namespace velmora
