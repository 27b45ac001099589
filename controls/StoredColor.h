// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

namespace velmora {

// A colour as the controls store it: 0x00BBGGRR for a plain colour, or
// 0x800000nn for the system colour with index nn (resolved from a palette).
using StoredColor = quint32;

inline constexpr StoredColor kSystemWindowText = 0x80000008u;
inline constexpr StoredColor kSystemButtonFace = 0x8000000Fu;
inline constexpr StoredColor kSystemButtonText = 0x80000012u;

constexpr StoredColor storedRgb(int red, int green, int blue)
{
    return static_cast<StoredColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

constexpr bool isSystemColor(StoredColor c)
{
    return (c & 0x80000000u) != 0;
}

// Turns a stored colour into a QColor; system colours come from the palette.
QColor resolveColor(StoredColor c, const QPalette& palette);

// The stored value of a plain colour (alpha is dropped).
StoredColor storedColor(const QColor& c);

} // namespace velmora
