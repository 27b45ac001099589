// SPDX-License-Identifier: MIT
#pragma once

#include <QStringView>
#include <array>
#include <cstddef>
#include <initializer_list>

// The data model of a rule table and the small vocabulary the nine tables are
// written in. A table reads like the teachers' rule sheet: each question names
// its segments, then its checks with their points.
namespace velmora::marking {

enum class SegmentKind
{
    WholePage,
    Span,
    From,
    Before,
    ShiftedSpan,
    Row
};

// A stretch of the page text. Which fields count depends on the kind:
//   Span(a, b, k)         start find(a), length find(b) - find(a) + k
//   From(a, n)            start find(a), length n
//   Before(a, n)          the n characters just before find(a)
//   ShiftedSpan(a, b, n)  start find(a) - n, length find(b) - find(a)
//   Row(r, e, k)          start at the r-th "<tr", length from the next "<td"
//                         to the next e, plus k
struct Segment
{
    SegmentKind kind = SegmentKind::WholePage;
    QStringView a;
    QStringView b;
    int n = 0; // k for Span and Row, n for From, Before and ShiftedSpan
    int r = 0; // Row only: which "<tr"
};

constexpr Segment WholePage()
{
    return {};
}
constexpr Segment Span(QStringView a, QStringView b, int k)
{
    return {SegmentKind::Span, a, b, k, 0};
}
constexpr Segment From(QStringView a, int n)
{
    return {SegmentKind::From, a, {}, n, 0};
}
constexpr Segment Before(QStringView a, int n)
{
    return {SegmentKind::Before, a, {}, n, 0};
}
constexpr Segment ShiftedSpan(QStringView a, QStringView b, int n)
{
    return {SegmentKind::ShiftedSpan, a, b, n, 0};
}
constexpr Segment Row(int r, QStringView e, int k)
{
    return {SegmentKind::Row, {}, e, k, r};
}

enum class CheckKind
{
    Contains,
    ContainsAll,
    ContainsAny,
    RelativeLink,
    InBoth,
    Guarded
};

// Where a RelativeLink looks for its link snippet: in its own segment, or
// anywhere in the page. The "www"/"http" test always uses the segment.
enum class LinkScope
{
    SameSegment,
    WholePage
};

// Names for a question's segments, in the order they are listed.
inline constexpr int S1 = 0;
inline constexpr int S2 = 1;
inline constexpr int S3 = 2;
inline constexpr int S4 = 3;

inline constexpr std::size_t kMaxSnippets = 3;

struct Check
{
    CheckKind kind = CheckKind::Contains;
    std::array<QStringView, kMaxSnippets> snippets{};
    int snippetCount = 0;
    int points = 0;
    QStringView what;  // plain Chinese: what the check looks for
    int segment = S1;  // the segment it looks at (InBoth: the first of two)
    int segment2 = S1; // InBoth: the second segment
    LinkScope where = LinkScope::SameSegment;
    int window = 0; // Guarded: the n of Before(g, n)

    // The same check, looking at another of the question's segments.
    constexpr Check on(int seg) const
    {
        Check c = *this;
        c.segment = seg;
        return c;
    }
};

constexpr Check Contains(QStringView s, int points, QStringView what)
{
    Check c;
    c.kind = CheckKind::Contains;
    c.snippets = {s, {}, {}};
    c.snippetCount = 1;
    c.points = points;
    c.what = what;
    return c;
}

constexpr Check ContainsAll(std::initializer_list<QStringView> all, int points, QStringView what)
{
    Check c;
    c.kind = CheckKind::ContainsAll;
    for (QStringView s : all) {
        c.snippets[static_cast<std::size_t>(c.snippetCount++)] = s;
    }
    c.points = points;
    c.what = what;
    return c;
}

constexpr Check ContainsAny(QStringView s1, QStringView s2, int points, QStringView what)
{
    Check c;
    c.kind = CheckKind::ContainsAny;
    c.snippets = {s1, s2, {}};
    c.snippetCount = 2;
    c.points = points;
    c.what = what;
    return c;
}

constexpr Check RelativeLink(QStringView link, LinkScope where, int points, QStringView what)
{
    Check c;
    c.kind = CheckKind::RelativeLink;
    c.snippets = {link, {}, {}};
    c.snippetCount = 1;
    c.points = points;
    c.what = what;
    c.where = where;
    return c;
}

constexpr Check InBoth(QStringView s, int first, int second, int points, QStringView what)
{
    Check c;
    c.kind = CheckKind::InBoth;
    c.snippets = {s, {}, {}};
    c.snippetCount = 1;
    c.points = points;
    c.what = what;
    c.segment = first;
    c.segment2 = second;
    return c;
}

// Passes when the page contains guard and Before(guard, n) contains s; the
// window is formed only when the guard is present.
constexpr Check Guarded(QStringView guard, int n, QStringView s, int points, QStringView what)
{
    Check c;
    c.kind = CheckKind::Guarded;
    c.snippets = {guard, s, {}};
    c.snippetCount = 2;
    c.points = points;
    c.what = what;
    c.window = n;
    return c;
}

inline constexpr std::size_t kMaxSegments = 4;
inline constexpr std::size_t kMaxChecks = 5;

struct Question
{
    std::array<Segment, kMaxSegments> segments{};
    int segmentCount = 0;
    std::array<Check, kMaxChecks> checks{};
    int checkCount = 0;

    constexpr Question() = default;
    constexpr Question(std::initializer_list<Segment> segs, std::initializer_list<Check> list)
    {
        for (const Segment& s : segs) {
            segments[static_cast<std::size_t>(segmentCount++)] = s;
        }
        for (const Check& c : list) {
            checks[static_cast<std::size_t>(checkCount++)] = c;
        }
    }

    constexpr int points() const
    {
        int sum = 0;
        for (int i = 0; i < checkCount; ++i) {
            sum += checks[static_cast<std::size_t>(i)].points;
        }
        return sum;
    }
};

inline constexpr int kQuestions = 5;
inline constexpr int kQuestionPoints = 5;

struct RuleTable
{
    QStringView pageFile;
    std::array<Question, kQuestions> questions{};
};

// The rule table of a set (1..9), or nullptr for any other index.
const RuleTable* ruleTable(int set);

// Name of a kind as the rule sheet writes it ("Contains", "Span", ...).
QStringView kindName(CheckKind kind);
QStringView kindName(SegmentKind kind);

} // namespace velmora::marking
