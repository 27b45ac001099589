// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

#include <array>

namespace velmora::collector {

// The eleven cells of one score row, left to right. The names are the names of
// the row control arrays of the list.
enum class RowCell
{
    Image1,
    lbl_ip,
    Image2,
    lbl_hostname,
    Image3,
    lbl_stname,
    Image4,
    lbl_score,
    lbl_tao,
    Img_edit,
    Img_del,
};

inline constexpr int kRowCellCount = 11;

// Geometry of the score list in twips: where the cells of row n go, how high
// the list panel grows and where the panel sits for a scroll value. No widgets
// here; the window converts the results to pixels. The list's numbers live
// here and nowhere else.
class RowLayout
{
public:
    // Distance from one row's top to the next row's.
    static constexpr int kRowPitch = 290;
    // Space above the first row (and left of the first cell).
    static constexpr int kMargin = 50;
    // Height of the visible part of the list (and of its scroll bar).
    static constexpr int kViewportHeight = 5055;
    // The scroll bar runs from 0 to this once a row exists.
    static constexpr int kScrollMaximum = 32767;
    static constexpr int kScrollLargeChange = 200;
    static constexpr int kScrollSmallChange = 50;

    // Design-time rectangle of the template element (element 0) of a cell array.
    static QRect templateRect(RowCell cell);

    // Rectangle of cell `cell` of score row n (n >= 1), relative to the panel.
    static QRect cellRect(int n, RowCell cell);

    // All eleven rectangles of row n, in cell order.
    static std::array<QRect, kRowCellCount> rowRects(int n);

    // The row whose band of one pitch, from its top down to the next row's
    // top, holds the panel coordinate y: 0 above the first row. Not limited
    // to the rows that exist; a cell can reach a little past its band (the
    // score picture is taller than the pitch), so hit tests also look at the
    // row above.
    static int rowAt(int y);

    // Height of the list panel once row n is the last row.
    static int panelHeight(int lastRow);

    // Top of the list panel inside the viewport for a scroll value: the value
    // range 0..kScrollMaximum maps linearly onto 0..-panelHeight.
    static int panelTop(int panelHeight, int scrollValue);
};

} // namespace velmora::collector
