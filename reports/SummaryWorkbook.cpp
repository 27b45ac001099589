// SPDX-License-Identifier: MIT
#include "SummaryWorkbook.h"

#include "ExerciseSets.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <limits>

namespace velmora::reports {

namespace {

const QString kGradeSheet = QStringLiteral("成绩");
const QString kSummarySheet = QStringLiteral("班级汇总");
const QString kMissingSheet = QStringLiteral("未交");
const QString kNotesSheet = QStringLiteral("说明");

// Score bands counted per set under the summary grid (bounds inclusive).
struct Band
{
    int low;
    int high;
    const char16_t* label;
};
constexpr std::array<Band, 5> kBands = {{
    {0, 9, u"0–9分"},
    {10, 14, u"10–14分"},
    {15, 19, u"15–19分"},
    {20, 24, u"20–24分"},
    {25, 25, u"25分"},
}};

// A cell holds at most 32767 characters; longer text is cut rather than
// making the whole workbook fail.
constexpr qsizetype kMaxCellChars = 32000;

// Text as a cell shows it: control characters from a datagram would appear
// as codes, so they become spaces (tab and line feed stay; CR LF becomes a
// line feed).
QByteArray cellText(const QString& text)
{
    QString out = text.left(kMaxCellChars);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0x7F || u == 0xFFFE || u == 0xFFFF) {
            c = u' ';
        }
    }
    return out.toUtf8();
}

// Width of text in character cells: CJK and other wide characters count two.
int displayWidth(const QString& text)
{
    int width = 0;
    int longestLine = 0;
    for (const QChar c : text) {
        if (c == u'\n') {
            longestLine = std::max(longestLine, width);
            width = 0;
            continue;
        }
        width += c.unicode() >= 0x1100 ? 2 : 1;
    }
    return std::max(longestLine, width);
}

struct Computer
{
    QString key;
    QString computer;
    QString name;
    QHash<QString, QString> scores; // set -> score text
};

// The highest score of a set.
constexpr int kFullScore = 25;

struct SetStats
{
    QList<int> numbers; // the scores handed in
};

// Column widths grow with what is written, within limits.
class Widths
{
public:
    void fit(int col, const QString& text)
    {
        if (col >= m_widths.size()) {
            m_widths.resize(col + 1, 0);
        }
        m_widths[col] = std::max(m_widths[col], displayWidth(text));
    }
    void apply(lxw_worksheet* sheet) const
    {
        for (int col = 0; col < m_widths.size(); ++col) {
            const double width = std::clamp(m_widths[col] + 2, 8, 60);
            worksheet_set_column(sheet, lxw_col_t(col), lxw_col_t(col), width, nullptr);
        }
    }

private:
    QList<int> m_widths;
};

class Writer
{
public:
    Writer(lxw_workbook* book, const SummaryInput& input) : m_book(book), m_in(input)
    {
        m_head = workbook_add_format(book);
        format_set_bold(m_head);
        format_set_bg_color(m_head, 0xE3F3FF);
        format_set_border(m_head, LXW_BORDER_THIN);
        format_set_align(m_head, LXW_ALIGN_CENTER);
        format_set_align(m_head, LXW_ALIGN_VERTICAL_CENTER);
        m_label = workbook_add_format(book);
        format_set_bold(m_label);
        m_decimal = workbook_add_format(book);
        format_set_num_format(m_decimal, "0.0");
        format_set_align(m_decimal, LXW_ALIGN_CENTER);
        m_whole = workbook_add_format(book);
        format_set_align(m_whole, LXW_ALIGN_CENTER);
        m_title = workbook_add_format(book);
        format_set_bold(m_title);
        format_set_font_size(m_title, 14);
    }

    void writeAll()
    {
        lxw_worksheet* grades = addSheet(kGradeSheet);
        lxw_worksheet* summary = addSheet(kSummarySheet);
        lxw_worksheet* missing = addSheet(kMissingSheet);
        lxw_worksheet* notes = addSheet(kNotesSheet);
        collect();
        writeGrades(grades);
        writeSummary(summary);
        writeMissing(missing);
        writeNotes(notes);
        // The file opens on the class at a glance.
        worksheet_activate(summary);
    }

private:
    lxw_worksheet* addSheet(const QString& name)
    {
        return workbook_add_worksheet(m_book, name.toUtf8().constData());
    }

    // Printed landscape, as wide as one page, the header row on every page.
    static void pageSetup(lxw_worksheet* s)
    {
        worksheet_set_landscape(s);
        worksheet_fit_to_pages(s, 1, 0);
        worksheet_repeat_rows(s, 0, 0);
    }

    void text(lxw_worksheet* s, int row, int col, const QString& value, lxw_format* f = nullptr)
    {
        worksheet_write_string(s, lxw_row_t(row), lxw_col_t(col), cellText(value).constData(), f);
    }

    void number(lxw_worksheet* s, int row, int col, double value, lxw_format* f = nullptr)
    {
        worksheet_write_number(s, lxw_row_t(row), lxw_col_t(col), value, f);
    }

    // A summary cell: a number when it counts as a score, otherwise text, so
    // that the spreadsheet's own sums agree with the figures under the grid.
    void summaryScore(lxw_worksheet* s, int row, int col, const QString& value)
    {
        if (const auto n = SummaryWorkbook::scoreValue(value)) {
            number(s, row, col, *n, m_whole);
        } else if (!value.isEmpty()) {
            text(s, row, col, value);
        }
    }

    // A score: a number when it is a whole number, otherwise text.
    void score(lxw_worksheet* s, int row, int col, const QString& value)
    {
        if (SummaryWorkbook::isWholeNumber(value)) {
            number(s, row, col, value.toInt(), m_whole);
        } else if (!value.isEmpty()) {
            text(s, row, col, value);
        }
    }

    void header(lxw_worksheet* s, Widths& widths, const QStringList& titles)
    {
        for (int col = 0; col < titles.size(); ++col) {
            text(s, 0, col, titles.at(col), m_head);
            widths.fit(col, titles.at(col));
        }
    }

    void collect()
    {
        QHash<QString, int> index;
        for (const SummaryEntry& e : m_in.entries) {
            auto it = index.constFind(e.key);
            if (it == index.cend()) {
                it = index.insert(e.key, int(m_computers.size()));
                m_computers.append(Computer{e.key, {}, {}, {}});
            }
            Computer& c = m_computers[*it];
            // The latest row of a computer gives the name shown for it.
            c.computer = e.computer;
            c.name = e.name;
            c.scores.insert(e.set, e.score);
        }
        // Computers in address order, as they sit in the room; other keys
        // (folder names) follow in the order they came.
        const auto ipv4 = [](const QString& key) -> std::optional<quint32> {
            bool ok = false;
            const quint32 value = QHostAddress(key).toIPv4Address(&ok);
            return ok ? std::optional<quint32>(value) : std::nullopt;
        };
        std::stable_sort(m_computers.begin(), m_computers.end(),
                         [&](const Computer& a, const Computer& b) {
                             const auto x = ipv4(a.key);
                             const auto y = ipv4(b.key);
                             return x && (!y || *x < *y);
                         });
        m_sets = SummaryWorkbook::orderedSets(m_in.entries);
        m_labelHeaders = {m_in.keyHeader};
        if (!m_in.computerHeader.isEmpty()) {
            m_labelHeaders << m_in.computerHeader;
        }
        if (!m_in.nameHeader.isEmpty()) {
            m_labelHeaders << m_in.nameHeader;
        }
    }

    QStringList labels(const Computer& c) const
    {
        QStringList out{c.key};
        if (!m_in.computerHeader.isEmpty()) {
            out << c.computer;
        }
        if (!m_in.nameHeader.isEmpty()) {
            out << c.name;
        }
        return out;
    }

    void writeGrades(lxw_worksheet* s)
    {
        Widths widths;
        header(s, widths, m_in.gradeHeader);
        int row = 1;
        for (const QStringList& cells : m_in.gradeRows) {
            for (int col = 0; col < cells.size(); ++col) {
                score(s, row, col, cells.at(col));
                widths.fit(col, cells.at(col));
            }
            ++row;
        }
        widths.apply(s);
        worksheet_freeze_panes(s, 1, 0);
        pageSetup(s);
    }

    void writeSummary(lxw_worksheet* s)
    {
        Widths widths;
        const int firstSetCol = int(m_labelHeaders.size());
        const int totalCol = firstSetCol + int(m_sets.size());
        header(s, widths,
               m_labelHeaders + m_sets +
                   QStringList{QStringLiteral("总分"), QStringLiteral("平均分")});
        QList<SetStats> stats(m_sets.size());
        int row = 1;
        for (const Computer& c : m_computers) {
            const QStringList lead = labels(c);
            for (int col = 0; col < lead.size(); ++col) {
                text(s, row, col, lead.at(col));
                widths.fit(col, lead.at(col));
            }
            qint64 total = 0;
            int counted = 0;
            for (int i = 0; i < m_sets.size(); ++i) {
                const auto it = c.scores.constFind(m_sets.at(i));
                if (it == c.scores.cend()) {
                    continue;
                }
                summaryScore(s, row, firstSetCol + i, *it);
                widths.fit(firstSetCol + i, *it);
                if (const auto value = SummaryWorkbook::scoreValue(*it)) {
                    stats[i].numbers.append(*value);
                    total += *value;
                    ++counted;
                }
            }
            if (counted > 0) {
                number(s, row, totalCol, double(total), m_whole);
                number(s, row, totalCol + 1, double(total) / counted, m_decimal);
            }
            ++row;
        }

        widths.apply(s);
        worksheet_freeze_panes(s, 1, lxw_col_t(firstSetCol));
        pageSetup(s);
        if (m_sets.isEmpty()) {
            return; // an empty list: the header row only
        }

        // Per set, under the grid: how many handed in, the average, the
        // extremes and the score bands.
        const int statsTop = row + 1;
        QStringList statLabels{QStringLiteral("交卷人数"), QStringLiteral("平均分"),
                               QStringLiteral("最高分"), QStringLiteral("最低分")};
        for (const Band& band : kBands) {
            statLabels << QString::fromUtf16(band.label);
        }
        for (int k = 0; k < statLabels.size(); ++k) {
            text(s, statsTop + k, 0, statLabels.at(k), m_label);
            widths.fit(0, statLabels.at(k));
        }
        for (int i = 0; i < m_sets.size(); ++i) {
            const int col = firstSetCol + i;
            const QList<int>& n = stats.at(i).numbers;
            number(s, statsTop, col, double(n.size()), m_whole);
            if (!n.isEmpty()) {
                qint64 sum = 0;
                for (int v : n) {
                    sum += v;
                }
                number(s, statsTop + 1, col, double(sum) / double(n.size()), m_decimal);
                number(s, statsTop + 2, col, *std::max_element(n.begin(), n.end()), m_whole);
                number(s, statsTop + 3, col, *std::min_element(n.begin(), n.end()), m_whole);
            }
            for (int b = 0; b < int(kBands.size()); ++b) {
                const Band& band = kBands.at(std::size_t(b));
                const auto count = std::count_if(
                    n.begin(), n.end(), [&](int v) { return v >= band.low && v <= band.high; });
                number(s, statsTop + 4 + b, col, double(count), m_whole);
            }
        }
        widths.apply(s);

        // A bar per set: the class average at a glance.
        lxw_chart* chart = workbook_add_chart(m_book, LXW_CHART_COLUMN);
        lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
        const QByteArray sheet = kSummarySheet.toUtf8();
        chart_series_set_categories(series, sheet.constData(), 0, lxw_col_t(firstSetCol), 0,
                                    lxw_col_t(totalCol - 1));
        chart_series_set_values(series, sheet.constData(), lxw_row_t(statsTop + 1),
                                lxw_col_t(firstSetCol), lxw_row_t(statsTop + 1),
                                lxw_col_t(totalCol - 1));
        chart_series_set_labels(series);
        chart_title_set_name(chart, "各套题平均分");
        chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
        chart_axis_set_min(chart->y_axis, 0);
        // Beside the grid, so that it is in view when the file opens.
        worksheet_insert_chart(s, 1, lxw_col_t(totalCol + 3), chart);
    }

    static bool handedIn(const Computer& c, const QString& set)
    {
        return SummaryWorkbook::scoreValue(c.scores.value(set)).has_value();
    }

    void writeMissing(lxw_worksheet* s)
    {
        Widths widths;
        header(s, widths, QStringList{QStringLiteral("套题")} + m_labelHeaders);
        // Only a set that at least half of the class handed in was part of
        // the lesson: one student who went ahead does not make everyone else
        // "missing" those sets. The other sets are named with their counts.
        QList<std::pair<QString, int>> fewSets;
        int row = 1;
        for (const QString& set : m_sets) {
            const auto count = std::count_if(m_computers.cbegin(), m_computers.cend(),
                                             [&](const Computer& c) { return handedIn(c, set); });
            if (2 * count < m_computers.size()) {
                fewSets.append({set, int(count)});
                continue;
            }
            for (const Computer& c : m_computers) {
                if (handedIn(c, set)) {
                    continue;
                }
                text(s, row, 0, set);
                widths.fit(0, set);
                const QStringList lead = labels(c);
                for (int col = 0; col < lead.size(); ++col) {
                    text(s, row, col + 1, lead.at(col));
                    widths.fit(col + 1, lead.at(col));
                }
                ++row;
            }
        }
        if (!fewSets.isEmpty()) {
            ++row; // a gap under the list
            text(s, row++, 0,
                 QStringLiteral("以下套题交卷不到全班（") + QString::number(m_computers.size()) +
                     QStringLiteral("台）的一半，不列出未交名单："),
                 m_label);
            text(s, row, 0, QStringLiteral("套题"), m_head);
            text(s, row++, 1, QStringLiteral("交卷人数"), m_head);
            widths.fit(1, QStringLiteral("交卷人数"));
            for (const auto& [set, count] : fewSets) {
                text(s, row, 0, set);
                widths.fit(0, set);
                number(s, row++, 1, count, m_whole);
            }
        }
        widths.apply(s);
        worksheet_freeze_panes(s, 1, 0);
        pageSetup(s);
    }

    void writeNotes(lxw_worksheet* s)
    {
        const QString when = m_in.written.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QStringList lines{
            QStringLiteral("本文件由 ") + m_in.program + QStringLiteral(" 于 ") + when +
                QStringLiteral(" 写出。"),
            QString(),
            QStringLiteral("“成绩”：每行一条成绩，按列表顺序；已删除的行不在其中。"
                           "分数是整数的存为数字，可以求和；其余存为文本。"),
            QStringLiteral("“班级汇总”：每台") + m_in.unitText +
                QStringLiteral("一行，显示它最后一条成绩的名字；每套题一列，"
                               "按第一套到第九套排列。"),
            QStringLiteral("    分数是0到25的整数（前后的空格不算）才算交卷：交卷人数、总分、"
                           "平均分和分数段都只计这样的分数，其余（如“缺考”）显示为文字。"),
            QStringLiteral("    表格下方按套题列出交卷人数、平均分、最高分、最低分和各分数段人数，"
                           "图表为各套题的平均分。"),
            QStringLiteral("“未交”：全班至少一半交了的套题，没有交的按套题列在这里；"
                           "交卷不到一半的套题只列出交卷人数。"),
            QString(),
            QStringLiteral("汇总是写出文件时算好的数值：修改“成绩”表不会改变“班级汇总”和“未交”。"),
        };
        text(s, 0, 0, QStringLiteral("说明"), m_title);
        for (int i = 0; i < lines.size(); ++i) {
            if (!lines.at(i).isEmpty()) {
                text(s, i + 1, 0, lines.at(i));
            }
        }
        worksheet_set_column(s, 0, 0, 110, nullptr);
        pageSetup(s);
    }

    lxw_workbook* m_book;
    const SummaryInput& m_in;
    lxw_format* m_head = nullptr;
    lxw_format* m_label = nullptr;
    lxw_format* m_decimal = nullptr;
    lxw_format* m_whole = nullptr; // whole numbers, centred under their header
    lxw_format* m_title = nullptr;
    QList<Computer> m_computers;
    QStringList m_sets;
    QStringList m_labelHeaders;
};

} // namespace

std::optional<int> SummaryWorkbook::scoreValue(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("\\A[0-9]{1,3}\\z"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch()) {
        return std::nullopt;
    }
    const int value = t.toInt();
    return value <= kFullScore ? std::optional<int>(value) : std::nullopt;
}

bool SummaryWorkbook::isWholeNumber(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("\\A-?(0|[1-9][0-9]{0,8})\\z"));
    return text != u"-0" && whole.match(text).hasMatch();
}

QStringList SummaryWorkbook::orderedSets(const QList<SummaryEntry>& entries)
{
    // The nine sets in the order teachers use them, then the others as met.
    std::array<bool, sets::kLast + 1> known{};
    QStringList others;
    for (const SummaryEntry& e : entries) {
        if (const int set = sets::indexOf(e.set); set != 0) {
            known[std::size_t(set)] = true;
        } else if (!others.contains(e.set)) {
            others.append(e.set);
        }
    }
    QStringList out;
    for (int set = sets::kFirst; set <= sets::kLast; ++set) {
        if (known[std::size_t(set)]) {
            out.append(sets::folderName(set));
        }
    }
    return out + others;
}

std::optional<QByteArray> SummaryWorkbook::build(const SummaryInput& input, QString* error)
{
    // The library writes to a named file; it is made in a private folder and
    // read back, so that the target itself is replaced in one step.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        if (error) {
            *error = dir.errorString();
        }
        return std::nullopt;
    }
    const QByteArray folder = QDir::toNativeSeparators(dir.path()).toUtf8();
    const QString file = dir.filePath(QStringLiteral("workbook.xlsx"));
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    options.tmpdir = const_cast<char*>(folder.constData());
    options.use_zip64 = LXW_FALSE;
    lxw_workbook* book =
        workbook_new_opt(QDir::toNativeSeparators(file).toUtf8().constData(), &options);
    if (!book) {
        if (error) {
            *error = QStringLiteral("cannot create the workbook");
        }
        return std::nullopt;
    }
    lxw_doc_properties properties{};
    const QByteArray program = input.program.toUtf8();
    properties.author = const_cast<char*>(program.constData());
    workbook_set_properties(book, &properties);

    Writer(book, input).writeAll();
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        if (error) {
            *error = QString::fromUtf8(lxw_strerror(closed));
        }
        return std::nullopt;
    }
    QFile written(file);
    if (!written.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = written.errorString();
        }
        return std::nullopt;
    }
    return written.readAll();
}

WriteResult SummaryWorkbook::write(const QString& path, const SummaryInput& input)
{
    QString error;
    const std::optional<QByteArray> bytes = build(input, &error);
    if (!bytes) {
        return WriteResult{false, error, false, WriteStep::Write};
    }
    return writeFileBytes(path, *bytes);
}

} // namespace velmora::reports
