// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <string_view>

// The exercise sets: their range and their folder names, in one place. A
// set's folder name is also its name on the wire (the last field of a score
// datagram, the set of collected work) and in the collector's list, so every
// program compares set names through this header.
namespace velmora::sets {

inline constexpr int kFirst = 1;
inline constexpr int kLast = 9;
inline constexpr int kCount = kLast - kFirst + 1;

// Folder names by index from kFirst: the nine sets, then the three more names
// the student program's list holds (第十套 ... 第十二套), which no exercise uses.
inline constexpr std::array<std::u16string_view, 12> kFolderNames = {
    u"第一套", u"第二套", u"第三套", u"第四套", u"第五套",   u"第六套",
    u"第七套", u"第八套", u"第九套", u"第十套", u"第十一套", u"第十二套",
};
static_assert(int(kFolderNames.size()) >= kCount);

// True for kFirst..kLast.
constexpr bool isSet(int set)
{
    return set >= kFirst && set <= kLast;
}

// "第一套" ... "第十二套" for 1..12; empty for any other index. The text is
// shared with the table above, not copied.
inline QString folderName(int set)
{
    if (set < kFirst || set >= kFirst + int(kFolderNames.size())) {
        return {};
    }
    const std::u16string_view name = kFolderNames[std::size_t(set - kFirst)];
    return QString::fromRawData(reinterpret_cast<const QChar*>(name.data()),
                                qsizetype(name.size()));
}

// The set (kFirst..kLast) whose folder name is exactly `name`; 0 for any
// other text, including the names after the last set.
inline int indexOf(QStringView name)
{
    for (int set = kFirst; set <= kLast; ++set) {
        const std::u16string_view known = kFolderNames[std::size_t(set - kFirst)];
        if (name == QStringView(known.data(), qsizetype(known.size()))) {
            return set;
        }
    }
    return 0;
}

// True when `name` is exactly one of the nine sets' folder names.
inline bool isKnown(QStringView name)
{
    return indexOf(name) != 0;
}

} // namespace velmora::sets
