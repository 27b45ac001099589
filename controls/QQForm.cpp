// SPDX-License-Identifier: MIT
#include "QQForm.h"

#include <QLabel>

namespace velmora {

QQForm::QQForm(QWidget* host) : QWidget(host), m_host(host) {}
QQForm::~QQForm() = default;
void QQForm::setMinButton(bool visible)
{
    m_minButton = visible;
}
void QQForm::setMaxButton(bool visible)
{
    m_maxButton = visible;
}
void QQForm::Refresh() {}
int QQForm::pictureIndex(Button button) const
{
    return m_shown[static_cast<int>(button)];
}
QPixmap QQForm::picture(Button, int) const
{
    return {};
}
QRegion QQForm::roundRegion(const QSize& size, int)
{
    return QRegion(QRect(QPoint(), size));
}
bool QQForm::eventFilter(QObject* watched, QEvent* event)
{
    return QWidget::eventFilter(watched, event);
}
void QQForm::paintEvent(QPaintEvent*) {}
void QQForm::resizeEvent(QResizeEvent*) {}
void QQForm::showEvent(QShowEvent*) {}
void QQForm::mouseMoveEvent(QMouseEvent*) {}

} // namespace velmora
