// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <optional>

namespace velmora::bench {

// Resident memory of this process, as the system counts it.
class ProcStatus
{
public:
    // A "Name:   1234 kB" field of /proc/<pid>/status text, in KiB; nullopt
    // when the field is missing or not a number.
    static std::optional<qint64> fieldKiB(QByteArrayView statusText, QByteArrayView name);

    // Peak resident size so far (VmHWM; getrusage where /proc is missing).
    static std::optional<qint64> peakResidentKiB();
    // Resident size now (VmRSS); nullopt without /proc.
    static std::optional<qint64> residentKiB();
};

} // namespace velmora::bench
