// SPDX-License-Identifier: MIT
#pragma once

namespace velmora::collector {
class ScoreTable;
}

namespace velmora::bench {

class Burst;

// How much of a burst a score table holds.
struct BurstCheck
{
    int rowsFound = 0;     // keys of the burst that have a live row
    int finalScores = 0;   // of those, rows whose score is the burst's last update
    int firstKept = 0;     // of those, rows that kept the first computer and name
    int foreignRows = 0;   // rows that belong to no key of the burst
    int duplicateRows = 0; // extra rows for a key that already has one

    // The whole burst arrived and was recorded as the collector should.
    bool complete(const Burst& burst) const;

    static BurstCheck of(const Burst& burst, const collector::ScoreTable& table);
};

} // namespace velmora::bench
