// SPDX-License-Identifier: MIT
#include "ScoreBook.h"

#include "ExerciseSets.h"
#include "ScoreDatagram.h"

namespace velmora::collector {

ScoreBook::ScoreBook(QString journalFolder, QObject* parent)
    : QObject(parent), m_journal(std::move(journalFolder))
{
}

ScoreBook::~ScoreBook()
{
    m_journal.sync();
}

void ScoreBook::open()
{
    if (!m_journal.lock()) {
        setJournalProblem(m_journal.errorString());
        return;
    }
    m_previous = m_journal.takePrevious();
    // This run starts with an empty journal; the last one is filed away and
    // its rows come back only when the teacher asks for them.
    if (!m_journal.start({})) {
        setJournalProblem(m_journal.errorString());
    }
}

void ScoreBook::restorePrevious()
{
    ScoreTable last;
    ScoreJournal::rebuild(m_previous.contents.entries, last);
    m_previous = {};
    const int before = m_table.rec_count();
    for (int i = 1; i <= last.rec_count(); ++i) {
        const ScoreRow& r = last.row(i);
        if (r.deleted || m_table.findLive(r.address, r.set) > 0) {
            continue; // this run already has a newer upload of the key
        }
        const ScoreDatagram d{r.address, r.computer, r.score, r.name, r.set, {}};
        const QString& creator = r.creator.isEmpty() ? r.source : r.creator;
        if (m_table.recordScore(d, creator, r.forged() && r.forgedFrom == creator).outcome ==
            RecordOutcome::Full) {
            break;
        }
        if (r.forged() && r.forgedFrom != creator) {
            m_table.recordScore(d, r.forgedFrom, true);
        }
        if (r.source != creator) {
            m_table.recordScore(d, r.source, false);
        }
        if (r.hasWork()) {
            m_table.setWork(m_table.findLive(r.address, r.set), r.work, r.remark);
        }
    }
    // Journalled as this run's own, so that a crash now loses nothing.
    if (m_journal.isWriting() && !m_journal.rewrite(ScoreJournal::snapshot(m_table))) {
        setJournalProblem(m_journal.errorString());
    }
    m_saved = false;
    refillAcceptance();
    if (m_table.rec_count() > before) {
        emit rowsAdded();
        emit countChanged();
    }
    emit statusChanged();
}

void ScoreBook::discardPrevious()
{
    m_previous = {};
}

void ScoreBook::setOwn(const QList<QHostAddress>& addresses, quint16 port)
{
    m_acceptance.setOwn(addresses, port);
}

Verdict ScoreBook::take(QByteArrayView payload, const QHostAddress& from, quint16 fromPort)
{
    Acceptance::Decision decision = m_acceptance.judge(payload, from, fromPort);
    if (decision.verdict == Verdict::Record && m_table.isFull() &&
        m_table.findLive(decision.score->address, decision.score->set) == 0) {
        decision.verdict = Verdict::Full;
    }
    if (decision.verdict != Verdict::Record) {
        turnedAway(decision.verdict, from);
        return decision.verdict;
    }
    record(*decision.score, from);
    return Verdict::Record;
}

void ScoreBook::record(const ScoreDatagram& score, const QHostAddress& from)
{
    const QString source = from.toString();
    const bool forged = m_addressCheck.isForged(score.address, from);
    const int forgedBefore = m_table.forgedCount();
    const RecordResult result = m_table.recordScore(score, source, forged);
    m_acceptance.recorded(score, from);
    // Into the journal's buffer: commit() puts it on the disk before the
    // acknowledgement goes out.
    m_journal.append(ScoreJournal::scoreEntry(score, source, forged));
    m_saved = false;
    if (result.outcome == RecordOutcome::Created) {
        if (const QString folder = m_waitingWork.take({score.address, score.set});
            !folder.isEmpty()) {
            m_table.setWork(result.row, folder);
            m_journal.append(ScoreJournal::workEntry(m_table.row(result.row)));
        }
        emit rowsAdded();
        emit countChanged();
    } else {
        emit rowChanged(result.row);
    }
    // A forged-address mark, or a new score beside re-marked work, changes
    // what the status line counts.
    if ((forged && m_table.forgedCount() != forgedBefore) ||
        !m_table.row(result.row).remark.isEmpty()) {
        emit statusChanged();
    }
}

void ScoreBook::turnedAway(Verdict verdict, const QHostAddress& from)
{
    ++m_counts[std::size_t(verdict)];
    switch (verdict) {
    case Verdict::OverQuota: {
        const QString source = from.toString();
        ++m_overQuotaBy[source];
        m_overQuotaOrder.removeOne(source);
        m_overQuotaOrder.append(source);
        break;
    }
    case Verdict::Full:
        if (!m_fullReported) {
            m_fullReported = true;
            emit listFilled();
        }
        break;
    case Verdict::Echo:
        return; // our own answers are no news
    default:
        break;
    }
    emit statusChanged();
}

int ScoreBook::refusedCount() const
{
    int n = 0;
    for (std::size_t i = 0; i < m_counts.size(); ++i) {
        if (Verdict(i) != Verdict::Echo) {
            n += m_counts.at(i);
        }
    }
    return n;
}

QList<JournalEntry> ScoreBook::wholeJournal() const
{
    QList<JournalEntry> entries = ScoreJournal::snapshot(m_table);
    if (m_saved && !entries.isEmpty()) {
        JournalEntry mark;
        mark.kind = JournalEntry::Kind::Saved;
        entries.append(mark);
    }
    return entries;
}

bool ScoreBook::commit()
{
    if (!m_journal.isWriting()) {
        if (m_journalProblem.isEmpty()) {
            setJournalProblem(m_journal.errorString());
        }
        return false;
    }
    // A journal whose last write failed may end in a torn line: it is
    // written whole again rather than appended to.
    if (m_journal.isBroken() && !m_journal.rewrite(wholeJournal())) {
        setJournalProblem(m_journal.errorString());
        return false;
    }
    if (!m_journal.commit()) {
        setJournalProblem(m_journal.errorString());
        return false;
    }
    // The journal follows the list, not the traffic: a flood of updates is
    // folded into one line per row. The changes are on the disk already, so
    // a failure here costs nothing.
    if (m_journal.size() > ScoreJournal::kCompactBytes) {
        m_journal.rewrite(wholeJournal());
    }
    setJournalProblem({});
    return true;
}

void ScoreBook::setJournalProblem(const QString& problem)
{
    QString text = problem;
    if (text.isEmpty() && !m_journal.isWriting()) {
        text = QStringLiteral("成绩日志不可用");
    }
    if (text == m_journalProblem) {
        return;
    }
    m_journalProblem = text;
    emit statusChanged();
}

void ScoreBook::journalled(const JournalEntry& entry)
{
    m_journal.append(entry);
    m_saved = entry.kind == JournalEntry::Kind::Saved;
    commit();
}

bool ScoreBook::correctName(int i, const QString& text)
{
    if (!m_table.setName(i, text)) {
        return false;
    }
    journalled(ScoreJournal::rowEntry(JournalEntry::Kind::Name, m_table, i, text));
    emit rowChanged(i);
    return true;
}

bool ScoreBook::correctScore(int i, const QString& text)
{
    if (!m_table.setScore(i, text)) {
        return false;
    }
    journalled(ScoreJournal::rowEntry(JournalEntry::Kind::Mark, m_table, i, text));
    emit rowChanged(i);
    if (!m_table.row(i).remark.isEmpty()) {
        emit statusChanged();
    }
    return true;
}

bool ScoreBook::deleteRow(int i)
{
    if (!m_table.isValidRow(i) || m_table.row(i).deleted) {
        return false;
    }
    // The entry names the row by its key, which the deletion clears.
    const JournalEntry entry = ScoreJournal::rowEntry(JournalEntry::Kind::Delete, m_table, i);
    const bool forged = m_table.row(i).forged();
    m_acceptance.forget(m_table.arr_ip(i), m_table.arr_tao(i));
    m_table.deleteRow(i);
    journalled(entry);
    // A deleted row frees its place: a full list takes rows again.
    m_fullReported = false;
    emit rowChanged(i);
    emit countChanged();
    if (forged) {
        emit statusChanged();
    }
    return true;
}

void ScoreBook::markSaved()
{
    JournalEntry saved;
    saved.kind = JournalEntry::Kind::Saved;
    journalled(saved);
}

void ScoreBook::allowSource(const QString& source)
{
    const QHostAddress address(source);
    if (address.isNull() || m_acceptance.isAllowed(address)) {
        return;
    }
    m_acceptance.allow(address);
    m_overQuotaOrder.removeOne(source);
    emit statusChanged();
}

void ScoreBook::attachWork(const QString& address, const QString& set, const QString& folder)
{
    const int i = m_table.findLive(address, set);
    if (i == 0) {
        m_waitingWork.insert({address, set}, folder);
        return;
    }
    const bool hadMismatch = m_table.row(i).mismatched();
    m_table.setWork(i, folder);
    journalled(ScoreJournal::workEntry(m_table.row(i)));
    emit rowChanged(i);
    if (hadMismatch) {
        emit statusChanged();
    }
}

void ScoreBook::setRemark(const QString& address, const QString& set, const QString& folder,
                          const QString& score)
{
    const int i = m_table.findLive(address, set);
    if (i == 0 || m_table.row(i).work != folder) {
        return;
    }
    m_table.setWork(i, folder, score);
    journalled(ScoreJournal::workEntry(m_table.row(i)));
    emit rowChanged(i);
    emit statusChanged();
}

void ScoreBook::noteWorkRefused(const QString& source, const QString& reason)
{
    ++m_workRefused;
    m_workProblem = source.isEmpty() ? reason : source + QStringLiteral("：") + reason;
    emit statusChanged();
}

void ScoreBook::refillAcceptance()
{
    QList<QPair<QPair<QString, QString>, QString>> keys;
    keys.reserve(m_table.liveCount());
    for (int i = 1; i <= m_table.rec_count(); ++i) {
        const ScoreRow& r = m_table.row(i);
        if (!r.deleted) {
            keys.append({{r.address, r.set}, r.creator.isEmpty() ? r.source : r.creator});
        }
    }
    m_acceptance.refill(keys);
}

QString ScoreBook::statusText() const
{
    QStringList parts;
    if (!m_journalProblem.isEmpty()) {
        parts.append(QStringLiteral("成绩日志无法写入，收到的成绩未被确认：") + m_journalProblem);
    }
    if (const int n = count(Verdict::Full); n > 0) {
        parts.append(QStringLiteral("成绩列表已满(%1条)，已拒收新成绩%2条")
                         .arg(ScoreTable::kMaxRows)
                         .arg(n));
    }
    if (const int forged = m_table.forgedCount(); forged > 0) {
        parts.append(QStringLiteral("地址不符的成绩%1条").arg(forged));
    }
    if (const int n = m_table.mismatchCount(); n > 0) {
        parts.append(QStringLiteral("复核不符%1条").arg(n));
    }
    if (m_workRefused > 0) {
        parts.append(QStringLiteral("作业未收%1份").arg(m_workRefused));
    }
    if (!m_overQuotaOrder.isEmpty()) {
        int n = 0;
        for (const QString& source : m_overQuotaOrder) {
            n += m_overQuotaBy.value(source);
        }
        const QString& last = m_overQuotaOrder.last();
        parts.append(m_overQuotaOrder.size() == 1
                         ? QStringLiteral("已拒收%1的新成绩%2条").arg(last).arg(n)
                         : QStringLiteral("已拒收%1等%2台的新成绩%3条")
                               .arg(last)
                               .arg(m_overQuotaOrder.size())
                               .arg(n));
    }
    if (const int n = count(Verdict::Oversized); n > 0) {
        parts.append(QStringLiteral("已忽略超长数据包%1个").arg(n));
    }
    // The rest in one count; the tool tip tells them apart.
    if (const int n =
            count(Verdict::BadAddress) + count(Verdict::UnknownSet) + count(Verdict::Malformed);
        n > 0) {
        parts.append(QStringLiteral("已拒收无效成绩%1条").arg(n));
    }
    return parts.join(QStringLiteral("  "));
}

QString ScoreBook::statusDetails() const
{
    QStringList lines;
    if (!m_journalProblem.isEmpty()) {
        lines.append(QStringLiteral("成绩日志无法写入（") + m_journalProblem +
                     QStringLiteral("），收到的成绩不会被确认，学生机会提示上传未确认。"));
    }
    if (const int n = count(Verdict::Full); n > 0) {
        lines.append(
            QStringLiteral("成绩列表已满（%1条），拒收新成绩%2条；删除不需要的行后即可继续接收。")
                .arg(ScoreTable::kMaxRows)
                .arg(n));
    }
    if (const int forged = m_table.forgedCount(); forged > 0) {
        lines.append(
            QStringLiteral("地址不符的成绩%1条（数据包中的地址与发送它的计算机不同）").arg(forged));
    }
    if (const int n = m_table.mismatchCount(); n > 0) {
        lines.append(
            QStringLiteral("复核不符%1条：收到的作业重新批改后的得分与上报的分数不同").arg(n));
    }
    if (m_workRefused > 0) {
        lines.append(QStringLiteral("作业未收%1份，最近一次：").arg(m_workRefused) + m_workProblem);
    }
    for (const QString& source : m_overQuotaOrder) {
        lines.append(QStringLiteral("已拒收%1的新成绩%2条（每台计算机最多%3行；"
                                    "若一个机房共用此地址，可右键点击状态栏允许它）")
                         .arg(source)
                         .arg(m_overQuotaBy.value(source))
                         .arg(acceptance::kNewRowsPerSource));
    }
    if (const int n = count(Verdict::Oversized); n > 0) {
        lines.append(QStringLiteral("已忽略超长数据包%1个").arg(n));
    }
    if (const int n = count(Verdict::Malformed); n > 0) {
        lines.append(QStringLiteral("已忽略格式不对的数据包%1个").arg(n));
    }
    if (const int n = count(Verdict::BadAddress); n > 0) {
        lines.append(QStringLiteral("已拒收地址无效的成绩%1条").arg(n));
    }
    if (const int n = count(Verdict::UnknownSet); n > 0) {
        lines.append(QStringLiteral("已拒收套名不是%1至%2的新成绩%3条")
                         .arg(sets::folderName(sets::kFirst), sets::folderName(sets::kLast))
                         .arg(n));
    }
    return lines.join(u'\n');
}

} // namespace velmora::collector
