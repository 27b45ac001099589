// SPDX-License-Identifier: MIT
#pragma once

#include "CommandLine.h"

namespace velmora::collector {

// Velcoll's command line: --help, --version and --port N (1 to 65535; 1202
// when not given). On success *port holds the port to listen on.
CommandLineOutcome parseCommandLine(const QStringList& arguments, quint16* port);

} // namespace velmora::collector
