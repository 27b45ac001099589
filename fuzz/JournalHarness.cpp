// SPDX-License-Identifier: MIT
#include "JournalHarness.h"

#include "Gbk.h"
#include "ScoreJournal.h"

#include <QSet>

namespace velmora::fuzz {

using collector::JournalContents;
using collector::ScoreJournal;
using collector::ScoreRow;
using collector::ScoreTable;

QString JournalHarness::feed(QByteArrayView bytes)
{
    const JournalContents read = ScoreJournal::read(bytes);
    m_entries = int(read.entries.size());
    const qsizetype lines = bytes.count('\n') + (bytes.endsWith('\n') || bytes.isEmpty() ? 0 : 1);
    if (read.entries.size() + read.damagedLines != lines) {
        return QStringLiteral("entries and damaged lines do not add up to the lines");
    }
    // What was read writes back to exactly the same entries.
    QByteArray again;
    for (const auto& e : read.entries) {
        again += ScoreJournal::encode(e);
    }
    const JournalContents reread = ScoreJournal::read(again);
    if (reread.damagedLines != 0 || reread.entries != read.entries) {
        return QStringLiteral("entries do not survive being written and read again");
    }
    m_table = ScoreTable();
    ScoreJournal::rebuild(read.entries, m_table);
    if (QString problem = checkTable(); !problem.isEmpty()) {
        return problem;
    }
    // The compacted journal rebuilds the same live rows, marks and counts.
    ScoreTable compacted;
    ScoreJournal::rebuild(ScoreJournal::snapshot(m_table), compacted);
    if (compacted.exportText() != m_table.exportText() ||
        compacted.forgedCount() != m_table.forgedCount() ||
        compacted.liveCount() != m_table.liveCount() || compacted.del_count() != 0) {
        return QStringLiteral("the compacted journal does not rebuild the same list");
    }
    return {};
}

QString JournalHarness::checkTable() const
{
    const ScoreTable& t = m_table;
    if (t.rec_count() < 0 || t.liveCount() > ScoreTable::kMaxRows) {
        return QStringLiteral("row count out of range");
    }
    if (t.del_count() < 0 || t.del_count() > t.rec_count()) {
        return QStringLiteral("deleted count out of range");
    }
    int deleted = 0;
    int forged = 0;
    QSet<QString> keys;
    for (int i = 1; i <= t.rec_count(); ++i) {
        const ScoreRow& r = t.row(i);
        if (r.deleted) {
            ++deleted;
            const QString& m = ScoreTable::deletedMarker();
            if (r.address != m || r.computer != m || r.name != m || r.score != m ||
                !r.set.isEmpty() || !t.arr_ip(i).isEmpty() || r.forged()) {
                return QStringLiteral("deleted row %1 is not a marker").arg(i);
            }
            continue;
        }
        forged += r.forged() ? 1 : 0;
        if (t.arr_ip(i) != r.address || t.arr_tao(i) != r.set) {
            return QStringLiteral("row %1 key differs from its cells").arg(i);
        }
        const QString key = r.address + QChar(0) + r.set;
        if (keys.contains(key)) {
            return QStringLiteral("two live rows share the key of row %1").arg(i);
        }
        keys.insert(key);
        if (t.findLive(r.address, r.set) != i) {
            return QStringLiteral("row %1 is not found by its key").arg(i);
        }
    }
    if (deleted != t.del_count() || forged != t.forgedCount()) {
        return QStringLiteral("counts differ from the rows");
    }
    if (t.counterText() != QStringLiteral("已提交成绩") + QString::number(t.liveCount())) {
        return QStringLiteral("counter text wrong");
    }
    const QString text = t.exportText();
    if (text.count(QStringLiteral("\r\n")) != t.liveCount()) {
        return QStringLiteral("export has not one line per live row");
    }
    // Every character of the list has a GBK form or a stand-in: the file
    // keeps its lines.
    if (fromGbk(t.exportBytes()).count(QStringLiteral("\r\n")) != t.liveCount()) {
        return QStringLiteral("export loses lines in GBK");
    }
    return {};
}

} // namespace velmora::fuzz
