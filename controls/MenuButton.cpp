// SPDX-License-Identifier: MIT
#include "MenuButton.h"

#include <QLabel>

namespace velmora {

MenuButton::MenuButton(QWidget* parent) : QWidget(parent), m_label(new QLabel(this)) {}
MenuButton::~MenuButton() = default;
void MenuButton::setBackColor(StoredColor color)
{
    m_backColor = color;
}
void MenuButton::setForeColor(StoredColor color)
{
    m_foreColor = color;
}
QFont MenuButton::captionFont() const
{
    return m_label->font();
}
void MenuButton::setCaptionFont(const QFont& font)
{
    m_label->setFont(font);
}
void MenuButton::setBackStyle(int style)
{
    m_backStyle = style;
}
void MenuButton::setBorderStyle(int style)
{
    m_borderStyle = style;
}
QString MenuButton::caption() const
{
    return m_label->text();
}
void MenuButton::setCaption(const QString& caption)
{
    m_label->setText(caption);
}
void MenuButton::setBorderColor(StoredColor color)
{
    m_borderColor = color;
}
void MenuButton::setAlignment(int alignment)
{
    m_alignment = alignment;
}
void MenuButton::setBorderWidth(int width)
{
    m_borderWidth = width;
}
void MenuButton::setFontName(const QString& name)
{
    m_fontName = name;
}
void MenuButton::setFontSize(float size)
{
    m_fontSize = size;
}
void MenuButton::setShape(int shape)
{
    m_shape = shape;
}
void MenuButton::Refresh()
{
    update();
}
void MenuButton::writeProperties(PropertyBag&) {}
void MenuButton::readProperties(const PropertyBag&) {}
bool MenuButton::eventFilter(QObject* w, QEvent* e)
{
    return QWidget::eventFilter(w, e);
}
void MenuButton::paintEvent(QPaintEvent*) {}
void MenuButton::mousePressEvent(QMouseEvent*) {}
void MenuButton::mouseReleaseEvent(QMouseEvent*) {}
void MenuButton::mouseMoveEvent(QMouseEvent*) {}
void MenuButton::focusOutEvent(QFocusEvent*) {}
void MenuButton::changed(const QString& name)
{
    emit propertyChanged(name);
}

} // namespace velmora
