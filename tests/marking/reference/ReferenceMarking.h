// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <vector>

// The marking engine as it was first written: every search folds its snippet
// into a new string and scans from the top of the page for the snippet's first
// character. Slow but plainly correct; the differential test holds the engine
// to the same results.
namespace velmora::marking::reference {

struct Outcome
{
    std::array<int, 5> questions{};
    int total = 0;
    std::vector<bool> passed; // every check of the set, in table order
    QString report;
};

// Simple case folding of every character, one code point for one.
QString folded(QStringView text);

// The outcome of marking text as a page of set (1..9).
Outcome mark(int set, const QString& text);

} // namespace velmora::marking::reference
