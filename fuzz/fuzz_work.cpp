// SPDX-License-Identifier: MIT
// libFuzzer entry: every input is everything one connection sends to the
// collector's work port.
#include "WorkHarness.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static velmora::fuzz::WorkHarness harness;
    const QString problem =
        harness.feed(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "work input %d: %s\n", harness.inputs(), problem.toUtf8().constData());
        __builtin_trap();
    }
    return 0;
}
