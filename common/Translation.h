// SPDX-License-Identifier: MIT
#pragma once

namespace velmora {

// Installs Qt's own Chinese texts (message-box buttons "是"/"否", the file
// dialog) when the system has them, so no English shows through. Call once
// after the application object exists.
void installChineseQtTranslation();

} // namespace velmora
