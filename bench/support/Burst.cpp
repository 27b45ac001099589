// SPDX-License-Identifier: MIT
#include "Burst.h"

#include "Marking.h"

#include <algorithm>

namespace velmora::bench {

namespace {

// Spread the keys over the nine sets and over distinct addresses, so that
// neither field alone tells two keys apart.
QString addressOf(int key)
{
    return QStringLiteral("10.%1.%2.%3")
        .arg(1 + key / 62500)
        .arg(key / 250 % 250)
        .arg(key % 250 + 1);
}

QString setOf(int key)
{
    return marking::setFolderName(marking::kFirstSet + key % marking::kLastSet);
}

} // namespace

Burst::Burst(int keys, int updates) : m_keys(std::max(keys, 0)), m_updates(std::max(updates, 0))
{
    if (m_keys == 0) {
        m_updates = 0; // updates of no key do not exist
    }
}

int Burst::keyOf(int i) const
{
    return i < m_keys ? i : (i - m_keys) % m_keys;
}

ScoreDatagram Burst::at(int i) const
{
    const int key = keyOf(i);
    ScoreDatagram d;
    d.address = addressOf(key);
    d.computer = QStringLiteral("PC-") + QString::number(key);
    // Creations carry "0"; update j carries j + 1.
    d.score = i < m_keys ? QStringLiteral("0") : QString::number(i - m_keys + 1);
    // The name changes with every datagram: the row must keep the first one.
    d.name = QStringLiteral("学生") + QString::number(key) + u'-' + QString::number(i);
    d.set = setOf(key);
    return d;
}

QString Burst::finalScore(int key) const
{
    if (key < 0 || key >= m_keys) {
        return {};
    }
    if (m_updates <= key) {
        return QStringLiteral("0"); // no update reached this key
    }
    // The last update j with j % keys == key.
    const int last = (m_updates - 1 - key) / m_keys * m_keys + key;
    return QString::number(last + 1);
}

} // namespace velmora::bench
