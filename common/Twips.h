// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace velmora {

// Window geometry is given in twips; at 96 dots per inch a pixel is 15 twips.
// Every conversion of the project goes through these.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    // round half away from zero, like the toolkit the numbers come from
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr int pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

constexpr QPoint twipsPoint(int x, int y)
{
    return {twipsToPixels(x), twipsToPixels(y)};
}

constexpr QSize twipsSize(int w, int h)
{
    return {twipsToPixels(w), twipsToPixels(h)};
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

} // namespace velmora
