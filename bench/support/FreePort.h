// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

namespace velmora::bench {

// A UDP port on 127.0.0.1 that nobody held a moment ago (the system picks
// it), so that benchmarks leave the programs' fixed ports to the programs.
// 0 when no socket could be bound at all.
quint16 freeUdpPort();

} // namespace velmora::bench
