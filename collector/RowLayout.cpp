// SPDX-License-Identifier: MIT
#include "RowLayout.h"

#include <cmath>

namespace velmora::collector {

namespace {

// Left, top, width, height of each template cell, in twips.
constexpr std::array<std::array<int, 4>, kRowCellCount> kTemplate{{
    {0, 0, 240, 240},     // Image1
    {240, 0, 1695, 210},  // lbl_ip
    {1920, 0, 240, 240},  // Image2
    {2160, 0, 1215, 210}, // lbl_hostname
    {3360, 0, 240, 240},  // Image3
    {3600, 0, 975, 210},  // lbl_stname
    {4560, 0, 300, 300},  // Image4
    {4920, 0, 615, 210},  // lbl_score
    {5640, 0, 855, 210},  // lbl_tao
    {6600, 0, 270, 270},  // Img_edit
    {7320, 0, 240, 240},  // Img_del
}};

// A row is the tallest of its usual cells plus the gap below it.
static_assert(kTemplate[0][3] + RowLayout::kMargin == RowLayout::kRowPitch);

constexpr int index(RowCell cell)
{
    return static_cast<int>(cell);
}

} // namespace

QRect RowLayout::templateRect(RowCell cell)
{
    const auto& t = kTemplate[static_cast<size_t>(index(cell))];
    return QRect(t[0], t[1], t[2], t[3]);
}

std::array<QRect, kRowCellCount> RowLayout::rowRects(int n)
{
    // Each cell is placed right after the previous one, starting from the
    // template sizes, exactly in the order the list builds a new row.
    std::array<QRect, kRowCellCount> r;
    auto size = [](RowCell c) { return templateRect(c).size(); };
    auto at = [&r](RowCell c) -> QRect& { return r[static_cast<size_t>(index(c))]; };
    auto place = [&](RowCell c, int left, int top) { at(c) = QRect(QPoint(left, top), size(c)); };

    const QRect image1 = templateRect(RowCell::Image1);
    const int top = kRowPitch * (n - 1) + kMargin;
    place(RowCell::Image1, image1.left() + kMargin, top);
    const QRect& i1 = at(RowCell::Image1);
    place(RowCell::lbl_ip, i1.left() + i1.width(), i1.top());
    place(RowCell::Image2, i1.left() + i1.width() + at(RowCell::lbl_ip).width(), i1.top());
    const QRect& i2 = at(RowCell::Image2);
    place(RowCell::lbl_hostname, i2.left() + i2.width(), i1.top());
    place(RowCell::Image3, i2.left() + i2.width() + at(RowCell::lbl_hostname).width(), i2.top());
    const QRect& i3 = at(RowCell::Image3);
    place(RowCell::lbl_stname, i3.left() + i3.width(), i1.top());
    place(RowCell::Image4, i3.left() + i3.width() + at(RowCell::lbl_stname).width(), i3.top());
    const QRect& i4 = at(RowCell::Image4);
    place(RowCell::lbl_score, i4.left() + i4.width(), i1.top());
    const QRect& score = at(RowCell::lbl_score);
    place(RowCell::lbl_tao, score.left() + score.width(), i1.top());
    const QRect& tao = at(RowCell::lbl_tao);
    place(RowCell::Img_edit, tao.left() + tao.width() + 200, i1.top());
    place(RowCell::Img_del, at(RowCell::Img_edit).left() + 500, i1.top());
    return r;
}

QRect RowLayout::cellRect(int n, RowCell cell)
{
    return rowRects(n)[static_cast<size_t>(index(cell))];
}

int RowLayout::rowAt(int y)
{
    return y < kMargin ? 0 : (y - kMargin) / kRowPitch + 1;
}

int RowLayout::panelHeight(int lastRow)
{
    const QRect image1 = cellRect(lastRow, RowCell::Image1);
    return image1.top() + image1.height() + 200;
}

int RowLayout::panelTop(int panelHeight, int scrollValue)
{
    // The step is worked out in single precision, as the list always did, and
    // the panel position is rounded to whole twips.
    const float step = static_cast<float>(panelHeight) / static_cast<float>(kScrollMaximum);
    return -static_cast<int>(std::lround(step * static_cast<float>(scrollValue)));
}

} // namespace velmora::collector
