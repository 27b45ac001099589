// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QPixmap>

namespace velmora::artwork {

// The pictures of the skinned controls, painted in code.

// The window frame's skin: 256 x 159 pixels (3840 x 2385 twips).
const QImage& frameSkin();

// Copies the source rectangle of src into the target rectangle of dst,
// scaled to fit by taking the nearest pixel, and cut at dst's edges. Both
// images are Format_RGB32. The pixels are exactly those QPainter::drawImage
// gives for the same rectangles, at a fraction of the cost: rows that come
// from the same source row are copied whole.
void stretchImage(QImage& dst, const QRect& target, const QImage& src, const QRect& source);

enum class Glyph
{
    Close,
    Min,
    Max,
    Restore
};
enum class Look
{
    Normal,
    Hover,
    Pressed
};

// A 16 x 16 frame button picture.
QPixmap framePicture(Glyph glyph, Look look);

// The 32 x 32 pointer shown over the frame buttons; its hot spot.
QPixmap frameCursorPixmap();
inline constexpr int kCursorHotX = 1;
inline constexpr int kCursorHotY = 1;

// The 45 x 20 button face skins: 0 disabled, 1 normal, 2 hover, 3 pressed.
// Out-of-range faces give the normal one.
const QImage& buttonFace(int face);

// The dotted keyboard focus mark inside a button face: the faces' outline blue.
inline constexpr QRgb kButtonFocusMark = qRgb(35, 96, 177);

} // namespace velmora::artwork
