// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace velmora::bench {

// Prints one line of figures in UTF-8 and flushes, so a parent process that
// reads the output sees it at once.
void print(const QString& text);

// Runs the event loop for ms milliseconds.
void spin(int ms);

} // namespace velmora::bench
