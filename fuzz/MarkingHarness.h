// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QString>

namespace velmora::fuzz {

// Marks raw bytes as the page of every set and checks what any marking run
// must hold, whatever the page: each question scores 0 to 5, the total is
// their sum, the report has its fixed shape, the passed checks add up to the
// question scores, bytes and decoded text mark alike, and letter case of
// ASCII letters changes nothing.
//
// check() returns an empty text when all of that held, otherwise a plain
// English description naming the set.
class MarkingHarness
{
public:
    static QString check(QByteArrayView page);

private:
    static QString checkSet(int set, QByteArrayView page, const QString& text,
                            const QString& upper);
};

} // namespace velmora::fuzz
