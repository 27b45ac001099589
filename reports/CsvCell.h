// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

namespace velmora::reports {

// One cell of a CSV file, ready to be joined with commas.
//  - A cell that begins with '=', '+', '-' (unless it is a plain number), '@',
//    a tab or a CR gets a leading apostrophe, so a spreadsheet shows it as
//    text instead of running it as a formula.
//  - Control characters (line breaks, NUL, ESC ...) and DEL become spaces.
//  - A cell holding a comma or a quote is quoted, with quotes doubled.
QString csvCell(QStringView text);

} // namespace velmora::reports
