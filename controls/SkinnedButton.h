// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractButton>
#include <QList>
#include <QString>

class QColor;
class QPainter;

namespace velmora {

// What every painted button of the kit shares, on QAbstractButton, so that a
// skin only paints: QQButton, MenuButton and the frame's caption buttons.
//
// - Click: a left press and a release over the button emit clicked() (and
//   pressed()/released() around it), as for any QAbstractButton; so does
//   Space on the focused button, and click() or animateClick() (which
//   screen readers use through the button's accessible press action). The
//   second press of a double-click shows the button down but clicks no
//   second time: the first click already ran the action.
// - Auto-repeat: QAbstractButton's (setAutoRepeat), off by default.
// - Enter or Return on the focused button, the mnemonic of text() ("&S":
//   Alt+S) and the extra access keys (each character of accessKeys() with
//   Alt) run keyActivated(), which clicks unless a skin has its own rule.
//   Two buttons of a window that share a key move the focus between them
//   instead, as Qt's buttons do.
// - Focus: a tab stop (Qt::StrongFocus) unless a skin says otherwise. The
//   focus mark is the skin's to draw, and only while showsFocusMark(): the
//   focus came from the keyboard (Tab, Backtab, an access key), so whoever
//   uses the mouse sees the same pictures as before.
// - Mouse events never pass through a button to the widget under it, as they
//   did not when these controls were plain widgets.
// - Accessibility: Qt's button interface (role QAccessible::Button, the press
//   action); the skins set accessibleName() to their caption.
class SkinnedButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SkinnedButton(QWidget* parent = nullptr);
    ~SkinnedButton() override;

    // Each character, with Alt, activates the button like its mnemonic (a
    // key that the mnemonic or an earlier character already holds is not
    // taken twice: the button would then only take the focus).
    QString accessKeys() const { return m_accessKeys; }
    void setAccessKeys(const QString& keys);

    // The button has the focus and got it from the keyboard.
    bool showsFocusMark() const { return m_keyboardFocus && hasFocus(); }

    // A caption as shown and read out: single '&' (mnemonic markers) removed,
    // "&&" shown as "&".
    static QString withoutMnemonic(const QString& text);

protected:
    // Sets text(), and so its mnemonic; the skins' caption setters use it.
    void setCaptionText(const QString& text);

    // Enter, Return, the mnemonic or an access key asked for a click.
    virtual void keyActivated();

    // The focus mark: a dotted rectangle, one pixel wide, along the inside of
    // rect, in colour, dots and gaps one pixel each.
    static void drawFocusMark(QPainter& painter, const QRect& rect, const QColor& colour);

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QString m_accessKeys;
    QList<int> m_accessKeyIds;
    bool m_keyboardFocus = false;
};

} // namespace velmora
