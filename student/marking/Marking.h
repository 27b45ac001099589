// SPDX-License-Identifier: MIT
#pragma once

#include "ExerciseSets.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

// The marking run: a page's source text judged against its set's rule table.
// No widgets, no files written; the student window, velmora-mark and the tests
// all go through this face.
namespace velmora::marking {

// The sets that have rule tables (see ExerciseSets.h).
inline constexpr int kFirstSet = sets::kFirst;
inline constexpr int kLastSet = sets::kLast;

// "第一套" ... "第十二套" for 1..12; empty for any other index.
inline QString setFolderName(int set)
{
    return sets::folderName(set);
}

// The page file a set is about ("hu.htm" for set 1 ...); empty outside 1..9.
QString pageFileName(int set);

// One check of a rule table, as it went on one page.
struct CheckOutcome
{
    int question = 0; // 1..5
    QString kind; // "Contains", "ContainsAll", "ContainsAny", "RelativeLink", "InBoth", "Guarded"
    QStringList snippets; // what it looks for, in table order
    QString segment;      // the segment it looks at, in table terms, e.g. Span("<tr", "</tr>", 0)
    QString description;  // in plain Chinese, what it looks for
    int points = 0;
    bool passed = false;
};

struct MarkResult
{
    bool pageFound = false;
    std::array<int, 5> questions{};
    int total = 0;
    QString report;             // exactly the message-box text, lines separated by CR
    QList<CheckOutcome> checks; // every check of the set, in table order (empty when no page)
    QString readError;          // why a page that is there could not be read; empty otherwise
};

// Marks page text of a set (1..9). Any other set has no rule table and gives
// the no-page report with total 0.
MarkResult markText(int set, const QString& pageText);

// Decodes page bytes (see decodePage) and marks them.
MarkResult markBytes(int set, QByteArrayView bytes);

// The page file `fileName` in `folder`, its name compared without regard to
// case as the target system does (Hu.htm serves for hu.htm): the exact name
// first, else the first case-insensitive match in name order. A folder is not
// a page. With no match, the exact path, which does not exist.
QString findPage(const QString& folder, const QString& fileName);

// Reads and marks a page file: absent, unreadable, not a regular file or
// over 16 MiB -> the no-page report with total 0 (readError says why when
// the page is there); empty -> marked as empty text. The bytes are decoded as GBK,
// or as UTF-8 when the page says so (see decodePage).
MarkResult markFile(int set, const QString& pagePath);

// A score as the report, the caption and the upload write it: "0" ... "25".
QString scoreText(int score);

// The report for a result: header, a line per question when the page was
// found, an empty line and the total, each line ending with CR.
QString reportText(const MarkResult& result);

} // namespace velmora::marking
