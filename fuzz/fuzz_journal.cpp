// SPDX-License-Identifier: MIT
// libFuzzer entry: every input is a whole journal file as the collector finds
// it at start; it must give a valid list or an empty one.
#include "JournalHarness.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static velmora::fuzz::JournalHarness harness;
    const QString problem =
        harness.feed(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "journal input: %s\n", problem.toUtf8().constData());
        __builtin_trap();
    }
    return 0;
}
