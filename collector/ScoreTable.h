// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

namespace velmora {
struct ScoreDatagram;
}

namespace velmora::collector {

// One score row as the list shows it: the five cell values and whether the
// teacher deleted it. A deleted row keeps its place and shows the marker text.
struct ScoreRow
{
    QString address;  // lbl_ip
    QString computer; // lbl_hostname
    QString name;     // lbl_stname, may be corrected by hand
    QString score;    // lbl_score, may be corrected by hand
    QString set;      // lbl_tao
    bool deleted = false;
    // Sender address of the last datagram that created or updated the row.
    QString source;
    // Sender address of the datagram that created the row: the source whose
    // allowance of new rows it used.
    QString creator;
    // Sender address of a datagram whose address field named another
    // computer; empty while every datagram came from the address it names.
    QString forgedFrom;
    // The folder of the student's collected work for this row, empty when
    // none arrived; and the score the work earned when marked again here,
    // empty until it has been.
    QString work;
    QString remark;

    bool forged() const { return !forgedFrom.isEmpty(); }
    bool hasWork() const { return !work.isEmpty(); }
    // The work was marked again and its score differs from the row's.
    bool mismatched() const { return !remark.isEmpty() && remark != score.trimmed(); }
};

enum class RecordOutcome
{
    Created, // a new row was added at the bottom
    Updated, // an existing row got the new score
    Full,    // the table holds its maximum of live rows; nothing changed
};

struct RecordResult
{
    RecordOutcome outcome = RecordOutcome::Full;
    int row = 0; // 1-based row number; 0 when nothing was recorded
};

// The collector's in-memory score table. Rows are numbered from 1 in order of
// first arrival and never renumbered; a row is identified by the pair
// (address, set name) as exact, case-sensitive text.
class ScoreTable
{
public:
    // At most this many live rows; a deleted row frees its place.
    static constexpr int kMaxRows = 500;

    static const QString& deletedMarker(); // "已删除"
    // A field as the list shows it and the export writes it: every C0 control
    // character (line breaks, NUL ...) and DEL becomes a space.
    static QString shownField(const QString& field);

    // Creates or updates the row of (address, set). An existing row gets only
    // the new score; its name, computer name and set stay as they are.
    RecordResult recordScore(const QString& address, const QString& computer, const QString& score,
                             const QString& name, const QString& set);
    RecordResult recordScore(const ScoreDatagram& datagram);
    // The same, remembering the sender; `forged` marks the row as sent from
    // another computer than its address field names.
    RecordResult recordScore(const ScoreDatagram& datagram, const QString& source, bool forged);

    // Number of rows created since start (deleted ones included).
    int rec_count() const { return static_cast<int>(m_rows.size()); }
    // Number of rows deleted since start.
    int del_count() const { return m_delCount; }
    int liveCount() const { return rec_count() - m_delCount; }
    bool isFull() const { return liveCount() >= kMaxRows; }
    // Live rows with a forged-address mark.
    int forgedCount() const;
    // Live rows whose re-marked work differs from the score.
    int mismatchCount() const;

    // Key entries of row i (1-based); the address entry is empty once the row
    // is deleted. Out-of-range rows give empty text.
    QString arr_ip(int i) const;
    QString arr_tao(int i) const;

    bool isValidRow(int i) const { return i >= 1 && i <= rec_count(); }
    // Row i, 1 <= i <= rec_count().
    const ScoreRow& row(int i) const;

    // The row's collected work and its re-marked score (empty: not yet).
    // False for deleted or unknown rows.
    bool setWork(int i, const QString& folder, const QString& remark = {});

    // Hand corrections of a live row. False for deleted or unknown rows.
    bool setName(int i, const QString& name);
    bool setScore(int i, const QString& score);

    // Marks row i deleted. False when it is unknown or already deleted.
    bool deleteRow(int i);

    // "已提交成绩" followed by the number of live rows.
    QString counterText() const;

    // The export text: one line "address#computer#name#score#set" CR LF per
    // live row, in row order; empty when there is none.
    QString exportText() const;
    // The export text in GBK, as written to the file.
    QByteArray exportBytes() const;

    // The live row holding the key (address, set), 0 when none. At most one
    // live row holds a key.
    int findLive(const QString& address, const QString& set) const;

private:
    QList<ScoreRow> m_rows; // row i at index i - 1
    QList<QString> m_arrIp; // key entries, same indexing as m_rows
    QList<QString> m_arrTao;
    QHash<QPair<QString, QString>, int> m_live; // key -> row number of the live row
    int m_delCount = 0;
};

} // namespace velmora::collector
