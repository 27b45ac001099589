// SPDX-License-Identifier: MIT
#include "QQButton.h"

#include <QShortcut>

namespace velmora {

QQButton::QQButton(QWidget* parent) : QWidget(parent) {}
QQButton::~QQButton() = default;
void QQButton::setCaption(const QString& caption)
{
    m_caption = caption;
}
void QQButton::setPicture(const QPixmap& picture)
{
    m_picture = picture;
}
void QQButton::setButtonStyle(int style)
{
    m_style = style;
}
void QQButton::setForeColor(StoredColor color)
{
    m_foreColor = color;
}
void QQButton::setKeys(const QString& keys)
{
    m_keys = keys.left(1).toUpper();
}
void QQButton::PrintB(int) {}
void QQButton::writeProperties(PropertyBag&) const {}
void QQButton::readProperties(const PropertyBag&) {}
void QQButton::paintEvent(QPaintEvent*) {}
void QQButton::resizeEvent(QResizeEvent*) {}
void QQButton::showEvent(QShowEvent*) {}
void QQButton::hideEvent(QHideEvent*) {}
void QQButton::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
}
void QQButton::mousePressEvent(QMouseEvent*) {}
void QQButton::mouseReleaseEvent(QMouseEvent*) {}
void QQButton::mouseMoveEvent(QMouseEvent*) {}
void QQButton::keyPressEvent(QKeyEvent*) {}
void QQButton::focusOutEvent(QFocusEvent*) {}

} // namespace velmora
