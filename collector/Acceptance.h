// SPDX-License-Identifier: MIT
#pragma once

#include "ExerciseSets.h"
#include "ScoreDatagram.h"

#include <QByteArrayView>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace velmora::collector {

// The collector's acceptance rules: which datagrams are recorded and
// acknowledged, and which are turned away.
namespace acceptance {

// Genuine score datagrams are under 200 bytes; anything over this is ignored
// and never acknowledged.
inline constexpr qsizetype kMaxDatagramBytes = 1024;

// A new row needs one of the set names the student program sends
// (sets::isKnown).

// New rows one source address may create in a run: one per exercise set.
// The collector's own computer is exempt; updates of rows are never limited.
inline constexpr int kNewRowsPerSource = sets::kCount;

} // namespace acceptance

enum class Verdict
{
    Record,     // record and acknowledge
    Oversized,  // longer than kMaxDatagramBytes: ignored
    Echo,       // an acknowledgement, or sent from the collector's own socket: ignored
    Malformed,  // fewer than five fields: ignored
    BadAddress, // the address field is not a canonical dotted IPv4 address: refused
    UnknownSet, // would create a row for a set name outside the nine: refused
    OverQuota,  // would be one new row too many for its source: refused
    Full,       // would be a new row in a full list: refused
};

// Applies the rules to one datagram at a time. It remembers the keys
// (address, set) recorded in this run and how many of them each source
// created; no sockets, no widgets.
class Acceptance
{
public:
    struct Decision
    {
        Verdict verdict = Verdict::Malformed;
        std::optional<ScoreDatagram> score; // set when the payload decoded
    };

    // The addresses of this computer and the port the collector listens on.
    // Loopback addresses always count as this computer's.
    void setOwn(const QList<QHostAddress>& addresses, quint16 port);
    bool isOwnAddress(const QHostAddress& address) const;

    // What to do with payload from source address and port. Changes nothing.
    // The decoded score's computer, name and set are as the list shows them
    // (control characters as spaces), so that keys compare as they look.
    Decision judge(QByteArrayView payload, const QHostAddress& from, quint16 fromPort) const;

    // The score of a Record verdict went into the table: a key new to this
    // run is counted against its source.
    void recorded(const ScoreDatagram& score, const QHostAddress& from);
    // The row of a key was deleted: a new upload of it makes a new row, which
    // counts again.
    void forget(const QString& address, const QString& set);
    // Starts again from the live rows of a restored list, each counted
    // against the source that created it.
    void refill(const QList<QPair<QPair<QString, QString>, QString>>& keysAndCreators);

    // New keys the source created in this run.
    int newRowsFrom(const QHostAddress& from) const;

    // Lets a source (a lab behind one address) add rows without the limit
    // for the rest of the run.
    void allow(const QHostAddress& source);
    bool isAllowed(const QHostAddress& source) const;

private:
    static quint32 v4(const QHostAddress& address);

    QSet<quint32> m_own;
    quint16 m_ownPort = kCollectorPort;
    QSet<QPair<QString, QString>> m_keys;
    QHash<quint32, int> m_newRows;
    QSet<quint32> m_allowed;
};

} // namespace velmora::collector
