// SPDX-License-Identifier: MIT
// libFuzzer entry: every input is a page file, marked for every set.
#include "MarkingHarness.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString problem = velmora::fuzz::MarkingHarness::check(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "marking: %s\n", problem.toUtf8().constData());
        __builtin_trap();
    }
    return 0;
}
