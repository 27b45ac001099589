// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace velmora::collector {

// The pictures of the score list, painted in code at their pixel sizes.
class CollectorArt
{
public:
    // 16 x 16 computer: the address and computer-name columns (I1, I2, Image1, Image2).
    static QPixmap computerIcon();
    // 16 x 16 person: the name column (I3, Image3).
    static QPixmap personIcon();
    // 20 x 20 marked sheet: the score column (I4, Image4).
    static QPixmap scorePicture();
    // 18 x 18 pencil: unlock name and score (Img_edit).
    static QPixmap editPicture();
    // 16 x 16 red cross: delete the row (Img_del).
    static QPixmap deletePicture();
    // 16 x 16 yellow triangle with "!": a row whose address field names
    // another computer than the one that sent it (in place of Image1).
    static QPixmap warningIcon();
    // A green tick: the collected work, marked again, earned the score shown.
    static QPixmap tickIcon();
    // Chinese Windows' "宋体" at a point size; where it is missing the
    // system's CJK fallback draws.
    static QFont songFont(qreal points);
    // The window's icon.
    static QIcon windowIcon();
};

} // namespace velmora::collector
