// SPDX-License-Identifier: MIT
#include "SkinnedButton.h"

#include <QColor>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <utility>

namespace velmora {

SkinnedButton::SkinnedButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

SkinnedButton::~SkinnedButton() = default;

void SkinnedButton::setAccessKeys(const QString& keys)
{
    for (const int id : std::as_const(m_accessKeyIds)) {
        releaseShortcut(id);
    }
    m_accessKeyIds.clear();
    m_accessKeys = keys;
    QList<QKeySequence> taken{shortcut()};
    for (const QChar ch : keys) {
        const auto key = static_cast<Qt::Key>(ch.toUpper().unicode());
        const QKeySequence sequence(QKeyCombination(Qt::AltModifier, key));
        if (!taken.contains(sequence)) {
            taken.append(sequence);
            m_accessKeyIds.append(grabShortcut(sequence));
        }
    }
}

void SkinnedButton::setCaptionText(const QString& text)
{
    setText(text);
    // The new mnemonic may be one of the access keys.
    setAccessKeys(m_accessKeys);
}

QString SkinnedButton::withoutMnemonic(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&') {
            if (i + 1 < text.size() && text.at(i + 1) == u'&') {
                shown += u'&';
                ++i;
            }
            continue;
        }
        shown += text.at(i);
    }
    return shown;
}

void SkinnedButton::keyActivated()
{
    click();
}

void SkinnedButton::drawFocusMark(QPainter& painter, const QRect& rect, const QColor& colour)
{
    if (rect.width() < 2 || rect.height() < 2) {
        return;
    }
    // Every other pixel of the edge, on one checkerboard colour, so that the
    // dots meet at the corners as a classic focus rectangle's do.
    QPolygon dots;
    auto dot = [&dots, &rect](int x, int y) {
        if ((x - rect.left() + y - rect.top()) % 2 == 0) {
            dots << QPoint(x, y);
        }
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        dot(rect.right(), y);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 0));
    painter.drawPoints(dots);
    painter.restore();
}

bool SkinnedButton::event(QEvent* event)
{
    // The mnemonic of text() and the access keys both arrive here. A key
    // that two buttons share only moves the focus, so the user can see which
    // one a second press would reach (what Qt's own buttons do).
    if (event->type() == QEvent::Shortcut) {
        if (static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
            if (focusPolicy() != Qt::NoFocus) {
                setFocus(Qt::ShortcutFocusReason);
            }
            window()->setAttribute(Qt::WA_KeyboardFocusChange);
        } else {
            keyActivated();
        }
        return true;
    }
    return QAbstractButton::event(event);
}

void SkinnedButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        keyActivated();
        return;
    }
    // Space (pressed, then clicked on release), Escape while it is held, and
    // the arrow keys, which move the focus to the neighbouring button.
    QAbstractButton::keyPressEvent(event);
}

void SkinnedButton::focusInEvent(QFocusEvent* event)
{
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        m_keyboardFocus = true;
        break;
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        // The focus comes back to where it was: it keeps its mark, or none.
        break;
    default:
        m_keyboardFocus = false;
        break;
    }
    QAbstractButton::focusInEvent(event);
}

void SkinnedButton::mousePressEvent(QMouseEvent* event)
{
    QAbstractButton::mousePressEvent(event);
    event->accept();
}

void SkinnedButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Not a press of the button: its release then clicks nothing.
    event->accept();
}

void SkinnedButton::mouseReleaseEvent(QMouseEvent* event)
{
    QAbstractButton::mouseReleaseEvent(event);
    event->accept();
}

void SkinnedButton::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    event->accept();
}

} // namespace velmora
