// SPDX-License-Identifier: MIT
#include "BurstCheck.h"

#include "Burst.h"
#include "ScoreTable.h"

#include <QHash>

namespace velmora::bench {

bool BurstCheck::complete(const Burst& burst) const
{
    return rowsFound == burst.keys() && finalScores == burst.keys() && firstKept == burst.keys() &&
           foreignRows == 0 && duplicateRows == 0;
}

BurstCheck BurstCheck::of(const Burst& burst, const collector::ScoreTable& table)
{
    QHash<QString, int> keyOf; // "address#set" -> key
    for (int k = 0; k < burst.keys(); ++k) {
        const ScoreDatagram d = burst.first(k);
        keyOf.insert(d.address + u'#' + d.set, k);
    }
    QList<bool> seen(burst.keys(), false);
    BurstCheck check;
    for (int i = 1; i <= table.rec_count(); ++i) {
        const collector::ScoreRow& row = table.row(i);
        if (row.deleted) {
            continue;
        }
        const auto it = keyOf.constFind(row.address + u'#' + row.set);
        if (it == keyOf.constEnd()) {
            ++check.foreignRows;
            continue;
        }
        const int k = it.value();
        if (seen[k]) {
            ++check.duplicateRows;
            continue;
        }
        seen[k] = true;
        ++check.rowsFound;
        if (row.score == burst.finalScore(k)) {
            ++check.finalScores;
        }
        const ScoreDatagram first = burst.first(k);
        if (row.computer == first.computer && row.name == first.name) {
            ++check.firstKept;
        }
    }
    return check;
}

} // namespace velmora::bench
