// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>

class QWidget;

namespace velmora::student {

// Looks shared by the student windows: fonts, pictures painted in code, and
// window placement.
class FormLook
{
public:
    // "宋体" at the given size where it is installed, else the installed CJK
    // family chosen at start-up (see chineseUiFamily).
    static QFont songti(qreal pointSize, bool bold = false);

    enum class Picture
    {
        SetButton, // the exercise-set buttons
        Back,
        Redo,
        Upload,
        Mark,
    };
    static QPixmap picture(Picture which);

    // The window icon and the start form's 28 x 28 decoration.
    static QIcon formIcon();
    static QPixmap logo();

    // The caption of both windows.
    static QString caption();

    static void centerOnScreen(QWidget* window);

    // Puts a top-level window into or out of the always-on-top layer without
    // moving or resizing it.
    static void keepOnTop(QWidget* window, bool onTop);
};

} // namespace velmora::student
