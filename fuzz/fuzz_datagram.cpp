// SPDX-License-Identifier: MIT
// libFuzzer entry: every input is one datagram as the collector receives it.
// One harness, and so one score table, serves the whole run.
#include "DatagramHarness.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static velmora::fuzz::DatagramHarness harness;
    const QString problem =
        harness.feed(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "datagram input %d: %s\n", harness.inputs(),
                     problem.toUtf8().constData());
        __builtin_trap();
    }
    return 0;
}
