// SPDX-License-Identifier: MIT
#include "QQForm.h"

#include "Artwork.h"
#include "FrameButton.h"
#include "Twips.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWindow>

#include <array>

namespace velmora {

namespace {

constexpr int kCornerEllipse = 5; // pixels, both for the frame and its host

int buttonIndex(QQForm::Button b)
{
    return static_cast<int>(b);
}

// A button's picture at an index (1 normal, 2 hover, 3 pressed; for Max 4
// to 6 the restore glyph), painted the first time it is asked for: a window
// starts up showing only the three normal ones.
QPixmap pictureOf(QQForm::Button b, int index)
{
    using artwork::Glyph;
    using artwork::Look;
    const int pictures = b == QQForm::Button::Max ? 6 : 3;
    if (index < 1 || index > pictures) {
        return {};
    }
    static std::array<std::array<QPixmap, 6>, 3> made;
    QPixmap& pic = made[std::size_t(buttonIndex(b))][std::size_t(index - 1)];
    if (pic.isNull()) {
        const Glyph glyph = b == QQForm::Button::Close ? Glyph::Close
                            : b == QQForm::Button::Min ? Glyph::Min
                            : index > 3                ? Glyph::Restore
                                                       : Glyph::Max;
        constexpr Look looks[] = {Look::Normal, Look::Hover, Look::Pressed};
        pic = artwork::framePicture(glyph, looks[(index - 1) % 3]);
    }
    return pic;
}

// The skin part of the frame (without icon and caption) for a window size.
// Painted once per size: a window that is maximised and restored, or a second
// window of the same size, takes it from here.
QPixmap frameSkinFor(const QSize& size)
{
    static QList<std::pair<QSize, QPixmap>> recent; // most recent first
    for (qsizetype i = 0; i < recent.size(); ++i) {
        if (recent[i].first == size) {
            recent.move(i, 0);
            return recent.first().second;
        }
    }
    const QImage& skin = artwork::frameSkin();
    const int W = pixelsToTwips(size.width());
    const int H = pixelsToTwips(size.height());
    const int SW = pixelsToTwips(skin.width());
    const int SH = pixelsToTwips(skin.height());

    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    auto piece = [&img, &skin](const QRect& dst, const QRect& src) {
        if (dst.width() > 0 && dst.height() > 0) {
            artwork::stretchImage(img, dst, skin, src);
        }
    };
    piece(twipsRect(420, 0, W, 600), twipsRect(420, 0, 120, 600));                // top band
    piece(twipsRect(420, H - 600, W, 600), twipsRect(420, SH - 600, 120, 600));   // bottom band
    piece(twipsRect(0, 0, 200, H), twipsRect(0, 880, 200, 40));                   // left edge
    piece(twipsRect(W - 210, 0, 210, H), twipsRect(SW - 210, 880, 210, 40));      // right edge
    piece(twipsRect(0, 0, 450, 600), twipsRect(0, 0, 450, 600));                  // top-left
    piece(twipsRect(0, H - 600, 450, 600), twipsRect(0, SH - 600, 450, 600));     // bottom-left
    piece(twipsRect(W - 1665, 0, 1665, 435), twipsRect(SW - 1665, 0, 1660, 435)); // top-right
    piece(twipsRect(W - 1665, H - 525, 1665, 525),
          twipsRect(SW - 1665, SH - 525, 1665, 525)); // bottom-right
    piece(twipsRect(50, 350, W - 100, H - 425), twipsRect(200, 310, SW - 250, SH - 380)); // body

    recent.prepend({size, QPixmap::fromImage(std::move(img))});
    if (recent.size() > 4) {
        recent.removeLast();
    }
    return recent.first().second;
}

bool hostMaximized(const QWidget* w)
{
    return w->windowState().testFlag(Qt::WindowMaximized);
}

bool hostMinimized(const QWidget* w)
{
    return w->windowState().testFlag(Qt::WindowMinimized);
}

bool hostNormal(const QWidget* w)
{
    return !(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

} // namespace

QQForm::QQForm(QWidget* host) : QWidget(host), m_host(host)
{
    Q_ASSERT(host);
    // The frame draws the whole window, so the host loses the system frame.
    if (!host->windowFlags().testFlag(Qt::FramelessWindowHint)) {
        const bool wasVisible = host->isVisible();
        host->setWindowFlag(Qt::FramelessWindowHint, true);
        if (wasVisible) {
            host->show();
        }
    }
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("QQForm"));

    // The title band lies under the three buttons, so it is created first.
    m_lbMove = new QWidget(this);
    m_lbMove->setObjectName(QStringLiteral("LbMove"));
    m_lbMove->setMouseTracking(true);
    m_lbMove->installEventFilter(this);

    const QCursor cursor(artwork::frameCursorPixmap(), artwork::kCursorHotX, artwork::kCursorHotY);
    auto makeButton = [this, &cursor](const QString& name, Button which, void (QQForm::*action)()) {
        auto* b = new FrameButton(this);
        b->setObjectName(name);
        b->setCursor(cursor);
        connect(b, &FrameButton::pointerMoved, this, [this, which] { buttonMoved(which); });
        connect(b, &FrameButton::mousePressed, this, [this, which] { buttonPressed(which); });
        connect(b, &FrameButton::mouseReleased, this, [this, which] { buttonReleased(which); });
        connect(b, &QAbstractButton::clicked, this, action);
        return b;
    };
    m_imgClose = makeButton(QStringLiteral("ImgClose"), Button::Close, &QQForm::closeAction);
    m_imgMin = makeButton(QStringLiteral("ImgMin"), Button::Min, &QQForm::minAction);
    m_imgMax = makeButton(QStringLiteral("ImgMax"), Button::Max, &QQForm::maxAction);
    m_imgClose->setToolTip(QStringLiteral("关闭"));
    m_imgClose->setAccessibleName(QStringLiteral("关闭"));
    m_imgMin->setToolTip(QStringLiteral("最小化"));
    m_imgMin->setAccessibleName(QStringLiteral("最小化"));

    showPicture(Button::Close, 1);
    showPicture(Button::Min, 1);
    updateMaxGlyph();

    host->installEventFilter(this);
    setGeometry(QRect(QPoint(0, 0), host->size()));
    lower();
}

QQForm::~QQForm() = default;

void QQForm::setMinButton(bool visible)
{
    m_minButton = visible;
    layoutButtons();
}

void QQForm::setMaxButton(bool visible)
{
    m_maxButton = visible;
    layoutButtons();
}

FrameButton* QQForm::frameButton(Button which) const
{
    switch (which) {
    case Button::Close:
        return m_imgClose;
    case Button::Min:
        return m_imgMin;
    case Button::Max:
        return m_imgMax;
    }
    return m_imgClose;
}

int QQForm::pictureIndex(Button button) const
{
    return m_shown[buttonIndex(button)];
}

QPixmap QQForm::picture(Button button, int index) const
{
    return pictureOf(button, index);
}

void QQForm::showPicture(Button button, int index)
{
    m_shown[buttonIndex(button)] = index;
    frameButton(button)->setPicture(picture(button, index));
}

QRegion QQForm::roundRegion(const QSize& size, int ellipse)
{
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0) {
        return {};
    }
    // A corner ellipse of e pixels cuts e/2 rows at each corner, the outermost
    // row by e/2 pixels and each row further in by one pixel less.
    const int rows = qMin(ellipse / 2, qMin(w, h) / 2);
    QRegion region(0, rows, w, h - 2 * rows);
    for (int y = 0; y < rows; ++y) {
        const int inset = rows - y;
        region += QRect(inset, y, w - 2 * inset, 1);
        region += QRect(inset, h - 1 - y, w - 2 * inset, 1);
    }
    return region;
}

void QQForm::Refresh()
{
    if (m_refreshing) {
        return;
    }
    QScopedValueRollback<bool> guard(m_refreshing, true);
    // Cover the host's whole client area.
    if (size() != m_host->size()) {
        resize(m_host->size());
    }
    m_surfaceDirty = true;
    setMask(roundRegion(size(), kCornerEllipse));
    m_host->setMask(roundRegion(m_host->size(), kCornerEllipse));
    updateMaxGlyph();
    layoutButtons();
    update();
}

const QPixmap& QQForm::surface() const
{
    if (m_surfaceDirty || m_surface.size() != size().expandedTo(QSize(1, 1))) {
        m_surface = frameSkinFor(size().expandedTo(QSize(1, 1))).copy();
        QPainter p(&m_surface);
        paintTitle(p);
        m_surfaceDirty = false;
    }
    return m_surface;
}

void QQForm::paintTitle(QPainter& p) const
{
    const QIcon icon = m_host->windowIcon();
    const bool hasIcon = !icon.isNull();
    if (hasIcon) {
        const QRect iconRect = twipsRect(50, 50, 240, 240);
        p.drawPixmap(iconRect, icon.pixmap(iconRect.size()));
    }

    // The caption in white bold, its top left at the text position.
    QFont captionFont = font();
    captionFont.setBold(true);
    p.setFont(captionFont);
    p.setPen(QColor(255, 255, 255));
    QString caption = m_host->windowTitle();
    caption.replace(QStringLiteral("[*]"), QString());
    const QPoint at = twipsPoint(hasIcon ? 360 : 100, 90);
    p.drawText(at + QPoint(0, p.fontMetrics().ascent()), caption);
}

void QQForm::updateMaxGlyph()
{
    if (hostMinimized(m_host)) {
        return;
    }
    if (hostMaximized(m_host)) {
        showPicture(Button::Max, 4);
        m_imgMax->setToolTip(QStringLiteral("向下还原"));
        m_imgMax->setAccessibleName(QStringLiteral("向下还原"));
    } else {
        showPicture(Button::Max, 1);
        m_imgMax->setToolTip(QStringLiteral("最大化"));
        m_imgMax->setAccessibleName(QStringLiteral("最大化"));
    }
}

void QQForm::layoutButtons()
{
    const int scw = pixelsToTwips(width());
    const int closeW = pixelsToTwips(m_imgClose->width());
    const int closeH = pixelsToTwips(m_imgClose->height());
    const int minW = pixelsToTwips(m_imgMin->width());
    const int maxW = pixelsToTwips(m_imgMax->width());

    m_lbMove->setGeometry(0, 0, qMax(0, twipsToPixels(scw - 15)), twipsToPixels(closeH + 50));
    const int closeLeft = scw - closeW - 70;
    int minLeft = 0;
    int maxLeft = 0;
    if (!m_maxButton) {
        minLeft = closeLeft - minW - 30;
    } else {
        maxLeft = closeLeft - maxW - 30;
        minLeft = maxLeft - minW - 30;
    }
    m_imgClose->move(twipsPoint(closeLeft, 50));
    m_imgMax->move(twipsPoint(maxLeft, 50));
    m_imgMin->move(twipsPoint(minLeft, 50));
    m_imgMin->setVisible(m_minButton);
    m_imgMax->setVisible(m_maxButton);
}

void QQForm::restButtons()
{
    showPicture(Button::Close, 1);
    showPicture(Button::Min, 1);
    if (hostMaximized(m_host)) {
        showPicture(Button::Max, 4);
    } else if (!hostMinimized(m_host)) {
        showPicture(Button::Max, 1);
    }
}

void QQForm::frameMoved()
{
    if (!m_buttonsAtRest) {
        restButtons();
        m_buttonsAtRest = true;
    }
    emit MouseMove();
}

void QQForm::closeAction()
{
    QPointer<QQForm> self(this);
    m_host->close();
    if (self) {
        emit CloseClick();
    }
}

void QQForm::minAction()
{
    m_host->setWindowState(m_host->windowState() | Qt::WindowMinimized);
    emit MinClick();
}

void QQForm::maxAction()
{
    if (hostNormal(m_host)) {
        m_host->setWindowState(Qt::WindowMaximized);
    } else if (hostMaximized(m_host) && !hostMinimized(m_host)) {
        m_host->setWindowState(Qt::WindowNoState);
    }
    followHost();
    emit MaxClick();
}

void QQForm::followHost()
{
    if (size() != m_host->size()) {
        resize(m_host->size());
    } else {
        Refresh();
    }
}

// The pictures follow the pointer: hover only when the pointer came from the
// frame (buttonsAtRest), pressed for any mouse button, normal on release.
void QQForm::buttonMoved(Button button)
{
    if (m_buttonsAtRest && showLook(button, 2)) {
        m_buttonsAtRest = false;
    }
}

void QQForm::buttonPressed(Button button)
{
    showLook(button, 3);
}

void QQForm::buttonReleased(Button button)
{
    showLook(button, 1);
}

bool QQForm::showLook(Button button, int look)
{
    if (button != Button::Max) {
        showPicture(button, look);
        return true;
    }
    // The maximise button keeps its picture while the host is minimised and
    // shows the restore glyph's while it is maximised.
    if (hostMinimized(m_host)) {
        return false;
    }
    showPicture(button, look + (hostMaximized(m_host) ? 3 : 0));
    return true;
}

void QQForm::titleEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (m_dragging) {
            m_host->move(m_dragStartHost + me->globalPosition().toPoint() - m_dragStartGlobal);
        } else {
            frameMoved();
        }
        break;
    }
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !hostNormal(m_host)) {
            break;
        }
        setCursor(Qt::SizeAllCursor);
        QWindow* window = m_host->windowHandle();
        if (window && window->startSystemMove()) {
            // The window system moves the window until the button is released.
            unsetCursor();
        } else {
            m_dragging = true;
            m_dragStartGlobal = me->globalPosition().toPoint();
            m_dragStartHost = m_host->pos();
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (m_dragging && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_dragging = false;
            unsetCursor();
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_maxButton) {
            m_dragging = false;
            unsetCursor();
            maxAction();
        }
        break;
    default:
        break;
    }
}

bool QQForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_host) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Show:
            followHost();
            break;
        case QEvent::WindowStateChange:
            m_dragging = false;
            followHost();
            break;
        case QEvent::WindowTitleChange:
        case QEvent::WindowIconChange:
            Refresh();
            break;
        default:
            break;
        }
        return false;
    }
    // The title band keeps its mouse events: passed on, they would reach the
    // frame as moves over its own surface.
    if (watched == m_lbMove) {
        titleEvent(event);
        return event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress ||
               event->type() == QEvent::MouseButtonRelease ||
               event->type() == QEvent::MouseButtonDblClick;
    }
    return QWidget::eventFilter(watched, event);
}

// The skin comes from the per-size cache and the title is drawn over it, so
// a paint copies no whole-window picture.
void QQForm::paintEvent(QPaintEvent* event)
{
    // Only the dirty part, copied from the painted surface: a repaint under a
    // changing child (the collector's counter, a button's picture) then costs
    // a copy of that rectangle, not a new layout of the caption text.
    const QRect dirty = event->rect();
    QPainter p(this);
    p.drawPixmap(dirty, surface(), dirty);
}

// The caption is drawn in the frame's font: a new font paints the surface again.
void QQForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_surfaceDirty = true;
        update();
    }
    QWidget::changeEvent(event);
}

void QQForm::resizeEvent(QResizeEvent*)
{
    Refresh();
}

void QQForm::showEvent(QShowEvent*)
{
    lower();
    Refresh();
}

void QQForm::mouseMoveEvent(QMouseEvent*)
{
    frameMoved();
}

} // namespace velmora
