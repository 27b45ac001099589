// SPDX-License-Identifier: MIT
#include "QQButton.h"

#include "Artwork.h"
#include "PropertyBag.h"
#include "Twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <cmath>

namespace velmora {

namespace {

// Mouse arguments as the events carry them: 1 left, 2 right, 4 middle.
int buttonCode(Qt::MouseButtons b)
{
    int code = 0;
    if (b & Qt::LeftButton) {
        code |= 1;
    }
    if (b & Qt::RightButton) {
        code |= 2;
    }
    if (b & Qt::MiddleButton) {
        code |= 4;
    }
    return code;
}

int shiftCode(Qt::KeyboardModifiers m)
{
    int code = 0;
    if (m & Qt::ShiftModifier) {
        code |= 1;
    }
    if (m & Qt::ControlModifier) {
        code |= 2;
    }
    if (m & Qt::AltModifier) {
        code |= 4;
    }
    return code;
}

float toTwips(qreal pixels)
{
    return static_cast<float>(pixels * kTwipsPerPixel);
}

// A text or picture position computed in (fractional) twips, on the pixel grid.
int twipsToPixelsF(double twips)
{
    return twipsToPixels(static_cast<int>(std::lround(twips)));
}

QFont ambientFont(const QWidget* w)
{
    return w->parentWidget() ? w->parentWidget()->font() : QApplication::font();
}

} // namespace

QQButton::QQButton(QWidget* parent) : SkinnedButton(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // Every press of the button itself counts as a left press: the mouse's,
    // Space, a screen reader's press.
    connect(this, &QAbstractButton::pressed, this, [this] { m_leftPressed = true; });
    connect(this, &QAbstractButton::clicked, this, &QQButton::Click);
    PrintB(1);
}

QQButton::~QQButton() = default;

void QQButton::setCaption(const QString& caption)
{
    setCaptionText(caption);
    setAccessibleName(withoutMnemonic(caption));
    PrintB(1);
    emit propertyChanged(QStringLiteral("Caption"));
}

void QQButton::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    PrintB(1);
    emit propertyChanged(QStringLiteral("Picture"));
}

void QQButton::setButtonStyle(int style)
{
    m_style = style;
    PrintB(1);
    emit propertyChanged(QStringLiteral("Style"));
}

void QQButton::setForeColor(StoredColor color)
{
    m_foreColor = color;
    emit propertyChanged(QStringLiteral("ForeColor"));
    PrintB(1);
}

void QQButton::setKeys(const QString& keys)
{
    setAccessKeys(keys.isEmpty() ? QString() : keys.left(1).toUpper());
}

void QQButton::PrintB(int state)
{
    const int face = state == 1 ? (isEnabled() ? 1 : 0) : state;
    m_face = static_cast<Face>(qBound(0, face, 3));
    // A painted caption puts ForeColor back to its default.
    const bool printsCaption =
        !text().isEmpty() && (m_picture.isNull() || m_style == 0 || m_style == 1);
    if (printsCaption) {
        m_foreColor = kSystemButtonText;
    }
    // The face itself is painted when it is next shown or inspected: a
    // button being set up changes several properties, each of them asking
    // for it again.
    m_surfaceStale = true;
    update();
}

void QQButton::paintSurface() const
{
    if (!m_surfaceStale) {
        return;
    }
    m_surfaceStale = false;
    const QImage& skin = artwork::buttonFace(int(m_face));

    m_surface = QPixmap(size().expandedTo(QSize(1, 1)));
    m_surface.fill(palette().color(QPalette::Button));
    QPainter p(&m_surface);
    const int W = pixelsToTwips(width());
    const int H = pixelsToTwips(height());
    const int IW = pixelsToTwips(skin.width());
    const int IH = pixelsToTwips(skin.height());
    auto piece = [&p, &skin](const QRect& dst, const QRect& src) {
        if (dst.width() > 0 && dst.height() > 0) {
            p.drawImage(dst, skin, src);
        }
    };
    piece(twipsRect(0, 0, 45, 45), twipsRect(0, 0, 45, 45));
    piece(twipsRect(W - 45, 0, 45, 45), twipsRect(IW - 45, 0, 45, 45));
    piece(twipsRect(W - 45, H - 45, 45, 45), twipsRect(IW - 45, 250, 45, 45));
    piece(twipsRect(0, H - 45, 45, 45), twipsRect(0, 250, 45, 45));
    piece(twipsRect(45, 0, W - 90, 45), twipsRect(45, 0, 225, 45));
    piece(twipsRect(W - 45, 45, 45, H - 90), twipsRect(IW - 45, 45, 45, 225));
    piece(twipsRect(0, 45, 45, H - 90), twipsRect(0, 45, 45, 225));
    piece(twipsRect(45, H - 45, W - 90, 45), twipsRect(45, IH - 45, 225, 45));
    piece(twipsRect(45, 45, W - 90, H - 90), twipsRect(45, 45, 180, 180));

    drawCaption(p);
}

void QQButton::drawCaption(QPainter& p) const
{
    m_pictureRect = QRect();
    m_captionPos = QPoint(-1, -1);
    const QString caption = text();
    const bool hasCaption = !caption.isEmpty();
    const bool hasPicture = !m_picture.isNull();
    if (!hasCaption && !hasPicture) {
        return;
    }
    const QSizeF picSize = hasPicture ? m_picture.deviceIndependentSize() : QSizeF();
    const double PW = pixelsToTwips(qRound(picSize.width()));
    const double PH = pixelsToTwips(qRound(picSize.height()));
    const double W = pixelsToTwips(width());
    const double H = pixelsToTwips(height());
    p.setFont(font());
    const QFontMetrics fm = p.fontMetrics();
    // A caption with a mnemonic is measured as shown, without its markers.
    const double TW =
        pixelsToTwips(caption.contains(u'&') ? fm.size(Qt::TextShowMnemonic, caption).width()
                                             : fm.horizontalAdvance(caption));
    const double TH = pixelsToTwips(fm.height());

    auto drawPicture = [&](double x, double y) {
        m_pictureRect = QRect(QPoint(twipsToPixelsF(x), twipsToPixelsF(y)),
                              QSize(qRound(picSize.width()), qRound(picSize.height())));
        p.drawPixmap(m_pictureRect, m_picture);
    };

    double X = 0;
    double Y = 0;
    if (hasCaption && !hasPicture) {
        X = (W - TW) / 2;
        Y = (H - TH) / 2;
    } else if (hasCaption && m_style == 0) {
        drawPicture((W - PW - TW) / 3, (H - PH) / 2);
        X = PW + 2 * (W - PW - TW) / 3;
        Y = (H - TH) / 2;
    } else if (hasCaption && m_style == 1) {
        drawPicture((W - PW) / 2, (H - PH - TH) / 3);
        X = (W - TW) / 2;
        Y = PH + 2 * (H - TH - PH) / 3;
    } else if (hasCaption) {
        return; // other styles draw neither when both are present
    } else {
        drawPicture((W - PW) / 2, (H - PH) / 2);
        return;
    }
    printText(p, static_cast<int>(std::lround(X)), static_cast<int>(std::lround(Y)));
}

void QQButton::printText(QPainter& p, int xTwips, int yTwips) const
{
    const QString caption = text();
    const int ascent = p.fontMetrics().ascent();
    // Text from its top left corner; a mnemonic is shown underlined.
    auto print = [&p, &caption, ascent](const QPoint& at) {
        if (caption.contains(u'&')) {
            p.drawText(QRect(at, QSize(0, 0)),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextShowMnemonic,
                       caption);
        } else {
            p.drawText(at + QPoint(0, ascent), caption);
        }
    };
    const QPoint at = twipsPoint(xTwips, yTwips);
    m_captionPos = at;
    if (isEnabled()) {
        // Always the default colour: PrintB put ForeColor back to it.
        p.setPen(resolveColor(kSystemButtonText, palette()));
        print(at);
    } else {
        // Engraved: a white copy 18 twips right and down under the grey text.
        p.setPen(QColor(255, 255, 255));
        print(twipsPoint(xTwips + 18, yTwips + 18));
        p.setPen(QColor(128, 128, 128));
        print(at);
    }
}

void QQButton::keyActivated()
{
    // Whatever Click opens (a modal box, a file dialog) must get the pointer:
    // a capture kept from hovering would send its clicks here instead. Enter
    // and the access keys come while the pointer may rest on the button.
    dropHover();
    if (m_leftPressed) {
        click();
    }
}

void QQButton::dropHover()
{
    const bool wasHovering = m_hovering;
    stopHover();
    if (wasHovering && m_face == Face::Hover) {
        PrintB(1);
    }
}

void QQButton::stopHover()
{
    m_hovering = false;
    if (mouseGrabber() == this) {
        releaseMouse();
    }
}

void QQButton::writeProperties(PropertyBag& bag) const
{
    bag.writeProperty(QStringLiteral("Style"), m_style, 0);
    bag.writeProperty(QStringLiteral("Picture"), m_picture, QPixmap());
    bag.writeProperty(QStringLiteral("Caption"), text(), QString());
    bag.writeProperty(QStringLiteral("Font"), font(), ambientFont(this));
    bag.writeProperty(QStringLiteral("ForeColor"), m_foreColor, kSystemButtonText);
    bag.writeProperty(QStringLiteral("Enabled"), isEnabled(), true);
    bag.writeProperty(QStringLiteral("Keys"), accessKeys(), QString());
}

void QQButton::readProperties(const PropertyBag& bag)
{
    {
        // Everything but the picture is applied quietly; the picture's setter
        // then repaints once.
        QSignalBlocker quiet(this);
        m_style = bag.readProperty(QStringLiteral("Style"), 0).toInt();
        setEnabled(bag.readProperty(QStringLiteral("Enabled"), true).toBool());
        setCaptionText(bag.readProperty(QStringLiteral("Caption"), QString()).toString());
        setAccessibleName(withoutMnemonic(text()));
        setFont(bag.readProperty(QStringLiteral("Font"), ambientFont(this)).value<QFont>());
    }
    setPicture(bag.readProperty(QStringLiteral("Picture"), QPixmap()).value<QPixmap>());
    m_foreColor = bag.readProperty(QStringLiteral("ForeColor"), kSystemButtonText).toUInt();
    setAccessKeys(bag.readProperty(QStringLiteral("Keys"), QString()).toString());
}

void QQButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, surface());
    if (showsFocusMark()) {
        // Inside the outline and its highlight, in the outline's blue.
        drawFocusMark(p, rect().adjusted(3, 3, -3, -3), artwork::kButtonFocusMark);
    }
}

void QQButton::resizeEvent(QResizeEvent*)
{
    PrintB(1);
}

void QQButton::showEvent(QShowEvent*)
{
    PrintB(1);
}

void QQButton::hideEvent(QHideEvent*)
{
    // A hidden button must not keep the pointer to itself.
    stopHover();
}

void QQButton::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            stopHover();
        }
        PrintB(1);
        emit propertyChanged(QStringLiteral("Enabled"));
        break;
    case QEvent::FontChange:
        PrintB(1);
        emit propertyChanged(QStringLiteral("Font"));
        break;
    case QEvent::PaletteChange:
        PrintB(1);
        break;
    case QEvent::ActivationChange:
        // Another window (a modal box) came up: it must get the pointer.
        if (!isActiveWindow()) {
            dropHover();
        }
        break;
    default:
        break;
    }
    SkinnedButton::changeEvent(event);
}

void QQButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    QPointer<QQButton> self(this);
    emit MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), toTwips(pos.x()),
                   toTwips(pos.y()));
    if (!self) {
        return;
    }
    const bool outside = pos.x() < 0 || pos.x() > width() || pos.y() < 0 || pos.y() > height();
    if (outside) {
        PrintB(1);
        stopHover();
    } else {
        if (!m_hovering) {
            PrintB(2);
            m_hovering = true;
        }
        // Holding the pointer is what lets the button see the move that leaves it.
        if (isVisible() && mouseGrabber() != this) {
            grabMouse();
        }
    }
    SkinnedButton::mouseMoveEvent(event);
}

void QQButton::mousePressEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    QPointer<QQButton> self(this);
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), toTwips(pos.x()),
                   toTwips(pos.y()));
    if (!self) {
        return;
    }
    if (event->button() == Qt::LeftButton) {
        PrintB(3);
        m_leftPressed = true;
    } else {
        m_leftPressed = false;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        // The second press of a double-click shows the pressed face but
        // clicks no second time (the first click already ran the action).
        SkinnedButton::mouseDoubleClickEvent(event);
    } else {
        SkinnedButton::mousePressEvent(event);
    }
}

void QQButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void QQButton::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    QPointer<QQButton> self(this);
    emit MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), toTwips(pos.x()),
                 toTwips(pos.y()));
    if (!self) {
        return;
    }
    stopHover();
    PrintB(1);
    // A left press and its release over the button click.
    SkinnedButton::mouseReleaseEvent(event);
}

void QQButton::focusOutEvent(QFocusEvent* event)
{
    dropHover();
    if (m_downKey != 0) {
        // The button lets go of a held Space.
        m_downKey = 0;
        PrintB(1);
    }
    SkinnedButton::focusOutEvent(event);
}

void QQButton::keyPressEvent(QKeyEvent* event)
{
    const bool wasDown = isDown();
    QPointer<QQButton> self(this);
    SkinnedButton::keyPressEvent(event);
    if (!self) {
        return;
    }
    if (!wasDown && isDown()) {
        // Space holds the button down: the pressed face until it is released.
        m_downKey = event->key();
        PrintB(3);
    } else if (wasDown && !isDown() && m_downKey != 0) {
        // Escape let it go without a click.
        m_downKey = 0;
        PrintB(1);
    }
}

void QQButton::keyReleaseEvent(QKeyEvent* event)
{
    if (m_downKey != 0 && event->key() == m_downKey && !event->isAutoRepeat()) {
        // The release clicks: as for Enter, what the click opens gets the pointer.
        m_downKey = 0;
        dropHover();
        PrintB(1);
    }
    SkinnedButton::keyReleaseEvent(event);
}

} // namespace velmora
