// SPDX-License-Identifier: MIT
#include "MenuButton.h"

#include "PropertyBag.h"
#include "Twips.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace velmora {

namespace {

int buttonCode(Qt::MouseButtons b)
{
    return ((b & Qt::LeftButton) ? 1 : 0) | ((b & Qt::RightButton) ? 2 : 0) |
           ((b & Qt::MiddleButton) ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers m)
{
    return ((m & Qt::ShiftModifier) ? 1 : 0) | ((m & Qt::ControlModifier) ? 2 : 0) |
           ((m & Qt::AltModifier) ? 4 : 0);
}

Qt::Alignment labelAlignment(int alignment)
{
    switch (alignment) {
    case 1:
        return Qt::AlignRight | Qt::AlignTop;
    case 2:
        return Qt::AlignHCenter | Qt::AlignTop;
    default:
        return Qt::AlignLeft | Qt::AlignTop;
    }
}

Qt::PenStyle penStyle(int borderStyle)
{
    switch (borderStyle) {
    case 0:
        return Qt::NoPen;
    case 2:
        return Qt::DashLine;
    case 3:
        return Qt::DotLine;
    case 4:
        return Qt::DashDotLine;
    case 5:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

QFont ambientFont(const QWidget* w)
{
    return w->parentWidget() ? w->parentWidget()->font() : QApplication::font();
}

} // namespace

MenuButton::MenuButton(QWidget* parent) : SkinnedButton(parent), m_label(new QLabel(this))
{
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setGeometry(twipsRect(120, 120, 975, 375));
    m_label->setAlignment(labelAlignment(m_alignment));
    m_label->installEventFilter(this);
    setCaptionText(QStringLiteral("Label1"));
    m_label->setText(text());
    setAccessibleName(text());
    setMouseTracking(true);
    connect(this, &QAbstractButton::clicked, this, &MenuButton::Click);
}

MenuButton::~MenuButton() = default;

void MenuButton::changed(const QString& name)
{
    update();
    emit propertyChanged(name);
}

void MenuButton::setBackColor(StoredColor color)
{
    m_backColor = color;
    changed(QStringLiteral("BackColor"));
}

void MenuButton::setForeColor(StoredColor color)
{
    m_foreColor = color;
    changed(QStringLiteral("ForeColor"));
}

QFont MenuButton::captionFont() const
{
    return m_label->font();
}

void MenuButton::setCaptionFont(const QFont& font)
{
    m_label->setFont(font);
    changed(QStringLiteral("Font"));
}

void MenuButton::setBackStyle(int style)
{
    m_backStyle = style;
    changed(QStringLiteral("BackStyle"));
}

void MenuButton::setBorderStyle(int style)
{
    m_borderStyle = style;
    changed(QStringLiteral("BorderStyle"));
}

QString MenuButton::caption() const
{
    return text();
}

void MenuButton::setCaption(const QString& caption)
{
    setCaptionText(caption);
    m_label->setText(withoutMnemonic(caption));
    setAccessibleName(m_label->text());
    changed(QStringLiteral("Caption"));
}

void MenuButton::setBorderColor(StoredColor color)
{
    m_borderColor = color;
    changed(QStringLiteral("BorderColor"));
}

void MenuButton::setAlignment(int alignment)
{
    m_alignment = alignment;
    m_label->setAlignment(labelAlignment(alignment));
    changed(QStringLiteral("Alignment"));
}

void MenuButton::setBorderWidth(int width)
{
    m_borderWidth = width;
    changed(QStringLiteral("BorderWidth"));
}

void MenuButton::setFontName(const QString& name)
{
    m_fontName = name;
    changed(QStringLiteral("FontName"));
}

void MenuButton::setFontSize(float size)
{
    m_fontSize = size;
    changed(QStringLiteral("FontSize"));
}

void MenuButton::setShape(int shape)
{
    m_shape = shape;
    changed(QStringLiteral("Shape"));
}

void MenuButton::Refresh()
{
    update();
}

void MenuButton::writeProperties(PropertyBag& bag)
{
    emit WriteProperties(bag);
    bag.writeProperty(QStringLiteral("BackColor"), m_backColor, kSystemButtonFace);
    bag.writeProperty(QStringLiteral("ForeColor"), m_foreColor, StoredColor(0));
    bag.writeProperty(QStringLiteral("Enabled"), isEnabled(), true);
    bag.writeProperty(QStringLiteral("Font"), captionFont(), ambientFont(this));
    bag.writeProperty(QStringLiteral("BackStyle"), m_backStyle, 0);
    bag.writeProperty(QStringLiteral("BorderStyle"), m_borderStyle, 1);
    bag.writeProperty(QStringLiteral("Caption"), caption(), QStringLiteral("Label1"));
    bag.writeProperty(QStringLiteral("BorderColor"), m_borderColor, kSystemWindowText);
    bag.writeProperty(QStringLiteral("Alignment"), m_alignment, 0);
    bag.writeProperty(QStringLiteral("BorderWidth"), m_borderWidth, 1);
    bag.writeProperty(QStringLiteral("FontName"), m_fontName, QString());
    bag.writeProperty(QStringLiteral("FontSize"), m_fontSize, 0.0f);
    bag.writeProperty(QStringLiteral("Shape"), m_shape, 0);
}

void MenuButton::readProperties(const PropertyBag& bag)
{
    setBackColor(bag.readProperty(QStringLiteral("BackColor"), kSystemButtonFace).toUInt());
    setForeColor(bag.readProperty(QStringLiteral("ForeColor"), StoredColor(0)).toUInt());
    setEnabled(bag.readProperty(QStringLiteral("Enabled"), true).toBool());
    setCaptionFont(bag.readProperty(QStringLiteral("Font"), ambientFont(this)).value<QFont>());
    setBackStyle(bag.readProperty(QStringLiteral("BackStyle"), 0).toInt());
    setBorderStyle(bag.readProperty(QStringLiteral("BorderStyle"), 1).toInt());
    setCaption(bag.readProperty(QStringLiteral("Caption"), QStringLiteral("Label1")).toString());
    setBorderColor(bag.readProperty(QStringLiteral("BorderColor"), kSystemWindowText).toUInt());
    setAlignment(bag.readProperty(QStringLiteral("Alignment"), 0).toInt());
    setBorderWidth(bag.readProperty(QStringLiteral("BorderWidth"), 1).toInt());
    setFontName(bag.readProperty(QStringLiteral("FontName"), QString()).toString());
    setFontSize(bag.readProperty(QStringLiteral("FontSize"), 0.0f).toFloat());
    setShape(bag.readProperty(QStringLiteral("Shape"), 0).toInt());
}

bool MenuButton::eventFilter(QObject* watched, QEvent* event)
{
    // The caption keeps its own presses, moves and clicks: they raise nothing.
    if (watched == m_label) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return true;
        default:
            break;
        }
    }
    return SkinnedButton::eventFilter(watched, event);
}

void MenuButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), resolveColor(m_backColor, palette()));

    const int pw = m_borderStyle == 0 ? 0 : qMax(1, m_borderWidth);
    QPen pen(resolveColor(m_borderColor, palette()), pw, penStyle(m_borderStyle));
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(m_backStyle == 1 ? QBrush(palette().color(QPalette::Base)) : QBrush(Qt::NoBrush));

    // The outline lies inside the control, half a pen width in from the edge.
    QRectF r = QRectF(rect()).adjusted(pw / 2.0, pw / 2.0, -pw / 2.0, -pw / 2.0);
    if (m_shape == 1 || m_shape == 3 || m_shape == 5) {
        const qreal side = qMin(r.width(), r.height());
        r = QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
    }
    const qreal radius = qMin(r.width(), r.height()) / 6;
    switch (m_shape) {
    case 2:
    case 3:
        p.setRenderHint(QPainter::Antialiasing);
        p.drawEllipse(r);
        break;
    case 4:
    case 5:
        p.setRenderHint(QPainter::Antialiasing);
        p.drawRoundedRect(r, radius, radius);
        break;
    default:
        p.drawRect(r);
        break;
    }
    if (showsFocusMark()) {
        const int inset = pw + 2;
        drawFocusMark(p, rect().adjusted(inset, inset, -inset, -inset),
                      palette().color(QPalette::WindowText));
    }
}

void MenuButton::mousePressEvent(QMouseEvent* event)
{
    QPointer<MenuButton> self(this);
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()),
                   static_cast<float>(event->position().x() * kTwipsPerPixel),
                   static_cast<float>(event->position().y() * kTwipsPerPixel));
    if (self) {
        SkinnedButton::mousePressEvent(event);
    }
}

void MenuButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Reported as a press; the double-click itself clicks no second time.
    QPointer<MenuButton> self(this);
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()),
                   static_cast<float>(event->position().x() * kTwipsPerPixel),
                   static_cast<float>(event->position().y() * kTwipsPerPixel));
    if (self) {
        SkinnedButton::mouseDoubleClickEvent(event);
    }
}

void MenuButton::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    QPointer<MenuButton> self(this);
    emit MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()),
                 static_cast<float>(pos.x() * kTwipsPerPixel),
                 static_cast<float>(pos.y() * kTwipsPerPixel));
    if (!self) {
        return;
    }
    // A left press on the margin and its release over the control click.
    SkinnedButton::mouseReleaseEvent(event);
}

void MenuButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    QPointer<MenuButton> self(this);
    emit MouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()),
                   static_cast<float>(pos.x() * kTwipsPerPixel),
                   static_cast<float>(pos.y() * kTwipsPerPixel));
    if (!self) {
        return;
    }
    const bool outside = pos.x() < 0 || pos.x() > width() || pos.y() < 0 || pos.y() > height();
    setBorderColor(outside ? kRestBorder : kHoverBorder);
    SkinnedButton::mouseMoveEvent(event);
}

void MenuButton::focusOutEvent(QFocusEvent* event)
{
    setBorderColor(kRestBorder);
    SkinnedButton::focusOutEvent(event);
}

} // namespace velmora
