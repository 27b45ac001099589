// SPDX-License-Identifier: MIT
#pragma once

#include "ScoreDatagram.h"

#include <QString>

namespace velmora::bench {

// A class uploading at once, as one burst of score datagrams: first one
// datagram for each of `keys` distinct (address, set) pairs, then `updates`
// datagrams that cycle over those keys in order. Every datagram's score is
// distinct, so the score a row ends with tells which update it saw last.
class Burst
{
public:
    Burst(int keys, int updates);

    int keys() const { return m_keys; }
    int updates() const { return m_updates; }
    // Number of datagrams in the burst.
    int size() const { return m_keys + m_updates; }

    // Datagram i of the burst, 0 <= i < size().
    ScoreDatagram at(int i) const;
    // The key (0 .. keys - 1) that datagram i belongs to.
    int keyOf(int i) const;

    // The first datagram of key k: its row keeps this computer and name.
    ScoreDatagram first(int key) const { return at(key); }
    // The score that key k's row holds once the whole burst is recorded.
    QString finalScore(int key) const;

private:
    int m_keys;
    int m_updates;
};

} // namespace velmora::bench
