// SPDX-License-Identifier: MIT
#include "ScoreTable.h"

#include "Gbk.h"
#include "ScoreDatagram.h"

#include <algorithm>

namespace velmora::collector {

namespace {

// A field of the export file must not break the line apart: "#" would shift
// the columns and a line break would split the row. A corrected name can
// carry "#", so it becomes the fullwidth sign (also in GBK).
QString exportField(const QString& field)
{
    QString out = ScoreTable::shownField(field);
    out.replace(u'#', u'\uFF03');
    return out;
}

} // namespace

QString ScoreTable::shownField(const QString& field)
{
    // Datagram fields can carry line breaks, NUL and other control
    // characters: none of them belongs in a list cell or a text file line.
    const auto isControl = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; };
    if (std::none_of(field.cbegin(), field.cend(), isControl)) {
        return field; // shares the text, no copy
    }
    QString out = field;
    for (QChar& c : out) {
        if (isControl(c)) {
            c = u' ';
        }
    }
    return out;
}

const QString& ScoreTable::deletedMarker()
{
    static const QString marker = QStringLiteral("已删除");
    return marker;
}

int ScoreTable::findLive(const QString& address, const QString& set) const
{
    // A deleted row is never matched again, even by a datagram whose address
    // field is empty like the row's cleared key.
    return m_live.value({address, set}, 0);
}

RecordResult ScoreTable::recordScore(const QString& address, const QString& computer,
                                     const QString& score, const QString& name, const QString& set)
{
    if (const int i = findLive(address, set); i > 0) {
        m_rows[i - 1].score = score;
        return {RecordOutcome::Updated, i};
    }
    if (isFull()) {
        return {RecordOutcome::Full, 0};
    }
    ScoreRow row;
    row.address = address;
    row.computer = computer;
    row.name = name;
    row.score = score;
    row.set = set;
    m_rows.append(row);
    m_arrIp.append(address);
    m_arrTao.append(set);
    m_live.insert({address, set}, rec_count());
    return {RecordOutcome::Created, rec_count()};
}

RecordResult ScoreTable::recordScore(const ScoreDatagram& d)
{
    return recordScore(d.address, d.computer, d.score, d.name, d.set);
}

RecordResult ScoreTable::recordScore(const ScoreDatagram& d, const QString& source, bool forged)
{
    const RecordResult result = recordScore(d);
    if (result.outcome != RecordOutcome::Full) {
        ScoreRow& r = m_rows[result.row - 1];
        r.source = source;
        if (result.outcome == RecordOutcome::Created) {
            r.creator = source;
        }
        if (forged) {
            r.forgedFrom = source;
        }
    }
    return result;
}

int ScoreTable::forgedCount() const
{
    int n = 0;
    for (const ScoreRow& r : m_rows) {
        n += (!r.deleted && r.forged()) ? 1 : 0;
    }
    return n;
}

QString ScoreTable::arr_ip(int i) const
{
    return isValidRow(i) ? m_arrIp.at(i - 1) : QString();
}

QString ScoreTable::arr_tao(int i) const
{
    // The set entry stays when a row is deleted; only its cell is cleared.
    return isValidRow(i) ? m_arrTao.at(i - 1) : QString();
}

const ScoreRow& ScoreTable::row(int i) const
{
    Q_ASSERT(isValidRow(i));
    return m_rows.at(i - 1);
}

bool ScoreTable::setWork(int i, const QString& folder, const QString& remark)
{
    if (!isValidRow(i) || m_rows.at(i - 1).deleted) {
        return false;
    }
    m_rows[i - 1].work = folder;
    m_rows[i - 1].remark = remark;
    return true;
}

int ScoreTable::mismatchCount() const
{
    int n = 0;
    for (const ScoreRow& r : m_rows) {
        n += (!r.deleted && r.mismatched()) ? 1 : 0;
    }
    return n;
}

bool ScoreTable::setName(int i, const QString& name)
{
    if (!isValidRow(i) || m_rows.at(i - 1).deleted) {
        return false;
    }
    m_rows[i - 1].name = name;
    return true;
}

bool ScoreTable::setScore(int i, const QString& score)
{
    if (!isValidRow(i) || m_rows.at(i - 1).deleted) {
        return false;
    }
    m_rows[i - 1].score = score;
    return true;
}

bool ScoreTable::deleteRow(int i)
{
    if (!isValidRow(i) || m_rows.at(i - 1).deleted) {
        return false;
    }
    m_live.remove({m_arrIp.at(i - 1), m_arrTao.at(i - 1)});
    ScoreRow& r = m_rows[i - 1];
    // The marker replaces every shown value; a deleted row carries no mark.
    r = ScoreRow{};
    r.address = r.computer = r.name = r.score = deletedMarker();
    r.deleted = true;
    m_arrIp[i - 1].clear();
    ++m_delCount;
    return true;
}

QString ScoreTable::counterText() const
{
    return QStringLiteral("已提交成绩") + QString::number(liveCount());
}

QString ScoreTable::exportText() const
{
    QString text;
    const QChar sep(u'#');
    for (const ScoreRow& r : m_rows) {
        if (r.deleted) {
            continue;
        }
        text += exportField(r.address) + sep + exportField(r.computer) + sep + exportField(r.name) +
                sep + exportField(r.score) + sep + exportField(r.set) + QStringLiteral("\r\n");
    }
    return text;
}

QByteArray ScoreTable::exportBytes() const
{
    return toGbk(exportText());
}

} // namespace velmora::collector
