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
#include <QScopedValueRollback>
#include <QShortcut>

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

QQButton::QQButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    PrintB(1);
}

QQButton::~QQButton() = default;

void QQButton::setCaption(const QString& caption)
{
    m_caption = caption;
    setAccessibleName(caption);
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

void QQButton::setAccessKeys(const QString& keys)
{
    qDeleteAll(m_shortcuts);
    m_shortcuts.clear();
    m_keys = keys;
    for (const QChar ch : keys) {
        const int key = static_cast<int>(ch.toUpper().unicode());
        auto* shortcut =
            new QShortcut(QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(key))), this);
        connect(shortcut, &QShortcut::activated, this, &QQButton::clickPath);
        m_shortcuts.append(shortcut);
    }
}

void QQButton::PrintB(int state)
{
    const int face = state == 1 ? (isEnabled() ? 1 : 0) : state;
    m_face = static_cast<Face>(qBound(0, face, 3));
    const QImage& skin = artwork::buttonFace(face);

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
    update();
}

void QQButton::drawCaption(QPainter& p)
{
    m_pictureRect = QRect();
    m_captionPos = QPoint(-1, -1);
    const bool hasCaption = !m_caption.isEmpty();
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
    const double TW = pixelsToTwips(fm.horizontalAdvance(m_caption));
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

void QQButton::printText(QPainter& p, int xTwips, int yTwips)
{
    const int ascent = p.fontMetrics().ascent();
    const QPoint at = twipsPoint(xTwips, yTwips);
    m_captionPos = at;
    if (isEnabled()) {
        m_foreColor = kSystemButtonText;
        p.setPen(resolveColor(m_foreColor, palette()));
        p.drawText(at + QPoint(0, ascent), m_caption);
    } else {
        // Engraved: a white copy 18 twips right and down under the grey text.
        p.setPen(QColor(255, 255, 255));
        p.drawText(twipsPoint(xTwips + 18, yTwips + 18) + QPoint(0, ascent), m_caption);
        p.setPen(QColor(128, 128, 128));
        p.drawText(at + QPoint(0, ascent), m_caption);
        m_foreColor = kSystemButtonText;
    }
}

void QQButton::clickPath()
{
    // Whatever Click opens (a modal box, a file dialog) must get the pointer:
    // a capture kept from hovering would send its clicks here instead. This
    // matters for Enter and the access key, which come while the pointer may
    // rest on the button.
    dropHover();
    if (m_leftPressed) {
        emit Click();
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
    bag.writeProperty(QStringLiteral("Caption"), m_caption, QString());
    bag.writeProperty(QStringLiteral("Font"), font(), ambientFont(this));
    bag.writeProperty(QStringLiteral("ForeColor"), m_foreColor, kSystemButtonText);
    bag.writeProperty(QStringLiteral("Enabled"), isEnabled(), true);
    bag.writeProperty(QStringLiteral("Keys"), m_keys, QString());
}

void QQButton::readProperties(const PropertyBag& bag)
{
    {
        // Everything but the picture is applied quietly; the picture's setter
        // then repaints once.
        QSignalBlocker quiet(this);
        m_style = bag.readProperty(QStringLiteral("Style"), 0).toInt();
        setEnabled(bag.readProperty(QStringLiteral("Enabled"), true).toBool());
        m_caption = bag.readProperty(QStringLiteral("Caption"), QString()).toString();
        setAccessibleName(m_caption);
        setFont(bag.readProperty(QStringLiteral("Font"), ambientFont(this)).value<QFont>());
    }
    setPicture(bag.readProperty(QStringLiteral("Picture"), QPixmap()).value<QPixmap>());
    m_foreColor = bag.readProperty(QStringLiteral("ForeColor"), kSystemButtonText).toUInt();
    setAccessKeys(bag.readProperty(QStringLiteral("Keys"), QString()).toString());
}

void QQButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_surface);
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
    QWidget::changeEvent(event);
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
    m_clickArmed = event->type() == QEvent::MouseButtonPress;
    m_pressButton = event->button();
}

void QQButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click shows the pressed face but clicks no
    // second time (the first click already ran the action).
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
    const bool click = m_clickArmed && event->button() == m_pressButton &&
                       (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) &&
                       rect().contains(pos.toPoint());
    m_clickArmed = false;
    if (click) {
        clickPath();
    }
}

void QQButton::focusOutEvent(QFocusEvent* event)
{
    dropHover();
    QWidget::focusOutEvent(event);
}

void QQButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        clickPath();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace velmora
