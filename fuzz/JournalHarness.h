// SPDX-License-Identifier: MIT
#pragma once

#include "ScoreTable.h"

#include <QByteArrayView>
#include <QString>

namespace velmora::fuzz {

// Drives the collector's journal reader with raw file bytes: read, rebuild a
// score table from what was read, and check that the result is a valid list
// (or an empty one) whatever the bytes were, and that what was read writes
// back to the same entries.
//
// feed() returns an empty text when every expectation held, otherwise a plain
// English description of what went wrong.
class JournalHarness
{
public:
    QString feed(QByteArrayView bytes);

    const collector::ScoreTable& table() const { return m_table; }
    int entries() const { return m_entries; }

private:
    QString checkTable() const;

    collector::ScoreTable m_table;
    int m_entries = 0;
};

} // namespace velmora::fuzz
