// SPDX-License-Identifier: MIT
#pragma once

#include <QStringView>
#include <array>
#include <cstddef>

namespace velmora::marking {

// A UTF-16 text built at compile time, so a rule-table snippet can be written
// as "mailto:" followed by a named address and still be constant data.
template <std::size_t N> struct FixedText
{
    std::array<char16_t, N + 1> data{}; // NUL-terminated

    constexpr QStringView view() const { return QStringView(data.data(), qsizetype(N)); }
    constexpr operator QStringView() const { return view(); }
};

// Joins string literals and other FixedTexts: join(u"mailto:", SomeAddress).
template <std::size_t... N> constexpr auto join(const char16_t (&... parts)[N])
{
    FixedText<((N - 1) + ...)> out;
    std::size_t at = 0;
    (
        [&] {
            for (std::size_t i = 0; i + 1 < N; ++i) {
                out.data[at++] = parts[i];
            }
        }(),
        ...);
    return out;
}

// The fixed texts of the rule tables: the web sites and mail addresses the
// exercise pages link to. Not inline: gcc's sanitizers make the address of an
// inline variable a run-time value, and a view of it then no longer forms at
// compile time.
constexpr char16_t ScienceSiteHost[] = u"www.kepu.net.cn";
constexpr char16_t SampleMailAddress[] = u"ahe@example.com";
constexpr char16_t SearchSiteDomain[] = u"baidu.com";
constexpr char16_t WebmasterMailAddress[] = u"webmaster@example.com";
constexpr char16_t GamesSiteHost[] = u"www.beijing2008.cn";

} // namespace velmora::marking
