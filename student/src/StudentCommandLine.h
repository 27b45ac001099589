// SPDX-License-Identifier: MIT
#pragma once

#include "CommandLine.h"

namespace velmora::student {

// Velmora's command line: --help, --version and --server ADDRESS, which fills
// in the teacher address for this run (the outcome's values["server"]).
CommandLineOutcome parseCommandLine(const QStringList& arguments);

} // namespace velmora::student
