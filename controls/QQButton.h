// SPDX-License-Identifier: MIT
#pragma once

#include "SkinnedButton.h"
#include "StoredColor.h"

#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

namespace velmora {

class PropertyBag;

// The skinned push button.
//
// How a host form uses it:
//   auto* Command2 = new QQButton(this);
//   Command2->setObjectName(u"Command2"_s);
//   Command2->setGeometry(twipsRect(240, 480, 1365, 375));
//   Command2->setCaption(u"保存"_s);
//   Command2->setPicture(icon);            // optional
//   Command2->setButtonStyle(1);           // 0 picture left, 1 picture above
//   Command2->setKeys(u"s"_s);             // Alt+S clicks it
//   connect(Command2, &QQButton::Click, this, &Host::save);
//
// Properties (Qt property names in brackets): Caption, Picture, Style
// (buttonStyle(), since QWidget::style() is taken), Font and Enabled
// (QWidget's font and enabled), ForeColor (a StoredColor) and Keys.
// Setting any of them repaints the button.
//
// Click is clicked() of the button (SkinnedButton), with one rule of its own:
// Enter on the focused button and the access keys (Keys, and the mnemonic of
// a caption such as "&S") click only when the last press of the button was a
// left mouse press (Space and a screen reader's press count as one); a press
// with another mouse button clears that. MouseDown/MouseUp/MouseMove carry the
// mouse button (1 left, 2 right, 4 middle), the shift state (1 Shift, 2 Ctrl,
// 4 Alt) and the position in twips within the button. The caption is the
// button's text(); without its '&' markers it is the accessible name. With
// the focus from the keyboard a dotted mark lies inside the face.
class QQButton : public SkinnedButton
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(QPixmap Picture READ picture WRITE setPicture)
    Q_PROPERTY(int Style READ buttonStyle WRITE setButtonStyle)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(quint32 ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QString Keys READ keys WRITE setKeys)

public:
    // The faces of the button, as painted by PrintB.
    enum class Face
    {
        Disabled = 0,
        Normal = 1,
        Hover = 2,
        Pressed = 3
    };

    explicit QQButton(QWidget* parent = nullptr);
    ~QQButton() override;

    QString caption() const { return text(); }
    void setCaption(const QString& caption);
    QPixmap picture() const { return m_picture; }
    void setPicture(const QPixmap& picture);
    int buttonStyle() const { return m_style; }
    void setButtonStyle(int style);
    StoredColor foreColor() const { return m_foreColor; }
    void setForeColor(StoredColor color);
    // The access keys: setting takes the first character, upper-cased.
    QString keys() const { return accessKeys(); }
    void setKeys(const QString& keys);

    // Repaints the whole button: 1 normal (or disabled), 2 hover, 3 pressed.
    void PrintB(int state);

    // Stored properties: written in the order Style, Picture, Caption, Font,
    // ForeColor, Enabled, Keys (defaults omitted), read back in the order
    // Style, Enabled, Caption, Font, Picture, ForeColor, Keys.
    void writeProperties(PropertyBag& bag) const;
    void readProperties(const PropertyBag& bag);

    // State for inspection.
    Face face() const { return m_face; }
    bool hovering() const { return m_hovering; }
    bool leftPressed() const { return m_leftPressed; }
    // Where the last painting put the picture and the caption (pixels; null
    // rectangle / (-1, -1) when it drew none).
    QRect pictureRect() const
    {
        paintSurface();
        return m_pictureRect;
    }
    QPoint captionPos() const
    {
        paintSurface();
        return m_captionPos;
    }
    const QPixmap& surface() const
    {
        paintSurface();
        return m_surface;
    }

signals:
    void Click();
    void MouseDown(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    // A stored property was set (not raised for Keys).
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyActivated() override;

private:
    // The caption is set through setCaption, which also repaints, names the
    // button and marks the property changed.
    using SkinnedButton::setText;
    void paintSurface() const;
    void drawCaption(QPainter& painter) const;
    void printText(QPainter& painter, int xTwips, int yTwips) const;
    void stopHover();
    // Releases the pointer and shows the normal face if hover showed.
    void dropHover();

    QPixmap m_picture;
    int m_style = 0;
    StoredColor m_foreColor = kSystemButtonText;
    Face m_face = Face::Normal;
    bool m_hovering = false;
    bool m_leftPressed = false;
    // The key (Space) that holds the button down, or 0.
    int m_downKey = 0;
    // The painted face, brought up to date by paintSurface().
    mutable QPixmap m_surface;
    mutable bool m_surfaceStale = true;
    mutable QRect m_pictureRect;
    mutable QPoint m_captionPos{-1, -1};
};

} // namespace velmora
