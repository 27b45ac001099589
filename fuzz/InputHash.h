// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>

namespace velmora::fuzz {

// FNV-1a: a fixed hash, so the same input always chooses the same action
// (qHash is seeded per process).
inline quint32 inputHash(QByteArrayView bytes)
{
    quint32 h = 2166136261u;
    for (const char c : bytes) {
        h = (h ^ quint8(c)) * 16777619u;
    }
    return h;
}

} // namespace velmora::fuzz
