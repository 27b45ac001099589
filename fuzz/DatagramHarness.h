// SPDX-License-Identifier: MIT
#pragma once

#include "Acceptance.h"
#include "ScoreTable.h"

#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QString>

namespace velmora::fuzz {

// Drives the collector's reception path with raw datagram bytes: decode, then
// record the score into one score table that lives across inputs, so rows pile
// up to the table's limit and later inputs update them. Some inputs also edit
// or delete a row and check the export, chosen by the input's own bytes.
//
// Each input is also judged by the acceptance rules as if it came from one of
// a few senders (this computer's student port, the collector's own port, two
// other computers), chosen by the input's bytes; the verdicts are checked
// against the rules restated plainly.
//
// feed() returns an empty text when every expectation held, otherwise a plain
// English description of what went wrong. The fuzz target traps on it; the
// regression test reports it.
class DatagramHarness
{
public:
    // After this many inputs the table starts again empty, so that a long run
    // keeps creating rows instead of only meeting a full table.
    static constexpr int kInputsPerTable = 20000;

    QString feed(QByteArrayView payload);

    const collector::ScoreTable& table() const { return m_table; }
    int inputs() const { return m_inputs; }

private:
    QString checkAck(QByteArrayView payload) const;
    QString checkAcceptance(QByteArrayView payload);
    QString checkDecode(QByteArrayView payload) const;
    QString checkRecord(QByteArrayView payload);
    QString checkEdit(QByteArrayView payload);
    QString checkTable() const;
    QString checkExport() const;
    // First live row holding the key, 0 when none; scanned independently of
    // the table's own lookup.
    int liveRowOf(const QString& address, const QString& set) const;

    collector::ScoreTable m_table;
    collector::Acceptance m_acceptance;
    QSet<QString> m_acceptedKeys;                 // address + '\n' + set
    QHash<QString, QSet<QString>> m_keysBySource; // new keys each sender created
    int m_inputs = 0;
};

} // namespace velmora::fuzz
