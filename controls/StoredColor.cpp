// SPDX-License-Identifier: MIT
#include "StoredColor.h"

namespace velmora {

QColor resolveColor(StoredColor c, const QPalette& palette)
{
    if (isSystemColor(c)) {
        switch (c & 0xFFu) {
        case 0x08: // window text
            return palette.color(QPalette::WindowText);
        case 0x0F: // button face
            return palette.color(QPalette::Button);
        case 0x12: // button text
            return palette.color(QPalette::ButtonText);
        case 0x05: // window
            return palette.color(QPalette::Base);
        case 0x0D: // highlight
            return palette.color(QPalette::Highlight);
        case 0x0E: // highlight text
            return palette.color(QPalette::HighlightedText);
        case 0x11: // grey text
            return palette.color(QPalette::Disabled, QPalette::Text);
        default:
            return palette.color(QPalette::WindowText);
        }
    }
    return QColor(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
                  static_cast<int>((c >> 16) & 0xFFu));
}

StoredColor storedColor(const QColor& c)
{
    return storedRgb(c.red(), c.green(), c.blue());
}

} // namespace velmora
