// SPDX-License-Identifier: MIT
#pragma once

#include "Marking.h"

#include <QString>

namespace velmora::editor {

// The exercise set a page belongs to, from the name of its folder
// (第一套 ... 第九套); 0 when it is in no set's folder.
int setOfPage(const QString& pagePath);

// The status line after a save: "当前得分：18/25".
QString scoreLine(const marking::MarkResult& result);

// The checks that failed, one a line, for the status line's tool tip.
QString failedChecks(const marking::MarkResult& result);

} // namespace velmora::editor
