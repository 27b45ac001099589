// SPDX-License-Identifier: MIT
#pragma once

#include "SkinnedButton.h"
#include "StoredColor.h"

#include <QFont>
#include <QString>

class QLabel;

namespace velmora {

class PropertyBag;

// A flat menu label: a caption (child "Label1", fixed at (120, 120) twips,
// 975 x 375 twips) inside an outline shape that fills the control. While the
// pointer moves over the control the outline turns magenta (255, 17, 255);
// a move seen outside it (a button held across the edge) or the loss of focus
// turns it green (17, 255, 17). The hover colours become BorderColor.
//
// Presses, moves and clicks over the caption belong to the caption and emit
// nothing; those over the rest of the control emit Click / MouseDown /
// MouseMove / MouseUp (arguments as for QQButton: button, shift, x and y in
// twips).
//
// Click is clicked() of the button (SkinnedButton): a left click on the
// margin, Space or Enter with the focus, the mnemonic of the caption ("&M":
// Alt+M; the caption shows without the marker). Its accessible role is a
// plain button: it opens no menu of its own, its host decides what a click
// does. With the focus from the keyboard a dotted mark lies inside the outline.
class MenuButton : public SkinnedButton
{
    Q_OBJECT
    Q_PROPERTY(quint32 BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(quint32 ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QFont Font READ captionFont WRITE setCaptionFont)
    Q_PROPERTY(int BackStyle READ backStyle WRITE setBackStyle)
    Q_PROPERTY(int BorderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(quint32 BorderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(int Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(int BorderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(QString FontName READ fontName WRITE setFontName)
    Q_PROPERTY(float FontSize READ fontSize WRITE setFontSize)
    Q_PROPERTY(int Shape READ shape WRITE setShape)

public:
    static constexpr StoredColor kHoverBorder = 0xFF11FFu; // RGB 255, 17, 255
    static constexpr StoredColor kRestBorder = 0x11FF11u;  // RGB 17, 255, 17

    explicit MenuButton(QWidget* parent = nullptr);
    ~MenuButton() override;

    StoredColor backColor() const { return m_backColor; }
    void setBackColor(StoredColor color);
    // Stored only; nothing draws with it.
    StoredColor foreColor() const { return m_foreColor; }
    void setForeColor(StoredColor color);
    QFont captionFont() const;
    void setCaptionFont(const QFont& font);
    int backStyle() const { return m_backStyle; } // 0 transparent, 1 opaque
    void setBackStyle(int style);
    // 0 transparent, 1 solid, 2 dash, 3 dot, 4 dash-dot, 5 dash-dot-dot, 6 inside solid
    int borderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    QString caption() const;
    void setCaption(const QString& caption);
    StoredColor borderColor() const { return m_borderColor; }
    void setBorderColor(StoredColor color);
    int alignment() const { return m_alignment; } // 0 left, 1 right, 2 centre
    void setAlignment(int alignment);
    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    // Stored only; nothing draws with them.
    QString fontName() const { return m_fontName; }
    void setFontName(const QString& name);
    float fontSize() const { return m_fontSize; }
    void setFontSize(float size);
    // 0 rectangle, 1 square, 2 oval, 3 circle, 4 rounded rectangle, 5 rounded square
    int shape() const { return m_shape; }
    void setShape(int shape);

    void Refresh();

    // Stored properties, written and read in the order BackColor, ForeColor,
    // Enabled, Font, BackStyle, BorderStyle, Caption, BorderColor, Alignment,
    // BorderWidth, FontName, FontSize, Shape; defaults are omitted.
    // Writing emits WriteProperties first.
    void writeProperties(PropertyBag& bag);
    void readProperties(const PropertyBag& bag);

    QLabel* label() const { return m_label; }

signals:
    void Click();
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void WriteProperties(velmora::PropertyBag& bag);
    // A stored property was set.
    void propertyChanged(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The caption is set through setCaption, which also repaints, names the
    // button and marks the property changed.
    using SkinnedButton::setText;
    void changed(const QString& name);

    QLabel* m_label = nullptr;
    StoredColor m_backColor = kSystemButtonFace;
    StoredColor m_foreColor = 0;
    int m_backStyle = 0;
    int m_borderStyle = 1;
    StoredColor m_borderColor = kSystemWindowText;
    int m_alignment = 0;
    int m_borderWidth = 1;
    QString m_fontName;
    float m_fontSize = 0;
    int m_shape = 0;
};

} // namespace velmora
