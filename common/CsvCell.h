// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

namespace velmora {

// One cell of a CSV file, ready to be joined with commas.
//  - A cell that begins with '=', '+', '-' or '@' gets a leading apostrophe,
//    so a spreadsheet shows it as text instead of running it as a formula.
//  - A cell holding a comma, a quote or a line break is quoted, with quotes
//    doubled.
QString csvCell(QStringView text);

} // namespace velmora
