// SPDX-License-Identifier: MIT
#include "DatagramHarness.h"

#include "ExerciseSets.h"
#include "Gbk.h"
#include "InputHash.h"
#include "ScoreDatagram.h"

#include <optional>

namespace velmora::fuzz {

using collector::RecordOutcome;
using collector::ScoreRow;
using collector::ScoreTable;

namespace {

bool sameRow(const ScoreRow& a, const ScoreRow& b)
{
    return a.address == b.address && a.computer == b.computer && a.name == b.name &&
           a.score == b.score && a.set == b.set && a.deleted == b.deleted;
}

QString fail(QStringView what)
{
    return what.toString();
}

QString fail(QStringView what, int row)
{
    return what.toString() + QStringLiteral(" (row ") + QString::number(row) + u')';
}

} // namespace

QString DatagramHarness::feed(QByteArrayView payload)
{
    if (m_inputs > 0 && m_inputs % kInputsPerTable == 0) {
        m_table = ScoreTable();
        m_acceptance = collector::Acceptance();
        m_acceptedKeys.clear();
        m_keysBySource.clear();
    }
    ++m_inputs;
    for (const QString& problem :
         {checkAck(payload), checkAcceptance(payload), checkDecode(payload), checkRecord(payload),
          checkEdit(payload), checkTable()}) {
        if (!problem.isEmpty()) {
            return problem;
        }
    }
    return {};
}

QString DatagramHarness::checkAck(QByteArrayView payload) const
{
    // The collector's answer to this payload is recognised, and this payload
    // taken as an answer confirms only the one datagram it echoes.
    if (!isAckFor(ackFor(payload), payload)) {
        return fail(u"the acknowledgement of a payload does not confirm it");
    }
    const QByteArrayView prefix("ACK#");
    const bool echoes = payload.startsWith(prefix);
    const QByteArrayView echoed = echoes ? payload.sliced(prefix.size()) : QByteArrayView();
    if (isAckFor(payload, echoed) != echoes) {
        return fail(u"an answer was taken for the wrong datagram");
    }
    if (!payload.isEmpty() && isAckFor(payload, payload.first(payload.size() - 1))) {
        return fail(u"an answer confirmed a datagram it does not echo");
    }
    return {};
}

QString DatagramHarness::checkAcceptance(QByteArrayView payload)
{
    using collector::Verdict;
    struct Sender
    {
        const char* address;
        quint16 port;
        bool own;
    };
    static constexpr Sender senders[] = {
        {"127.0.0.1", kStudentPort, true},
        {"127.0.0.1", kCollectorPort, true},
        {"10.1.2.3", kStudentPort, false},
        {"10.1.2.4", kCollectorPort, false},
    };
    const Sender& sender = senders[(inputHash(payload) >> 16) % 4];
    const QHostAddress from(QString::fromLatin1(sender.address));
    const collector::Acceptance::Decision decision = m_acceptance.judge(payload, from, sender.port);
    const Verdict v = decision.verdict;

    // Restated: size first, then echoes, then the fields, then new rows.
    if (payload.size() > collector::acceptance::kMaxDatagramBytes) {
        return v == Verdict::Oversized ? QString()
                                       : fail(u"a datagram over 1,024 bytes was not refused");
    }
    if (v == Verdict::Oversized) {
        return fail(u"a datagram of at most 1,024 bytes was called oversized");
    }
    if (payload.startsWith(QByteArrayView("ACK#")) ||
        (sender.own && sender.port == kCollectorPort)) {
        return v == Verdict::Echo ? QString()
                                  : fail(u"an acknowledgement or own datagram was not ignored");
    }
    if (v == Verdict::Echo) {
        return fail(u"a datagram from another sender was taken for an echo");
    }
    std::optional<ScoreDatagram> d = ScoreDatagram::decode(payload);
    if (!d) {
        return v == Verdict::Malformed ? QString()
                                       : fail(u"a payload without five fields was not ignored");
    }
    if (!isCanonicalIPv4(d->address)) {
        return v == Verdict::BadAddress ? QString()
                                        : fail(u"a non-canonical address field was not refused");
    }
    // Keys compare as the list shows them.
    d->set = collector::ScoreTable::shownField(d->set);
    d->name = collector::ScoreTable::shownField(d->name);
    d->computer = collector::ScoreTable::shownField(d->computer);
    if (decision.score && *decision.score != *d) {
        return fail(u"the judged score differs from the shown fields");
    }
    const QString key = d->address + u'\n' + d->set;
    const bool known = m_acceptedKeys.contains(key);
    QSet<QString>& created = m_keysBySource[QString::fromLatin1(sender.address)];
    Verdict expected = Verdict::Record;
    if (!known && !sets::isKnown(d->set)) {
        expected = Verdict::UnknownSet;
    } else if (!known && !sender.own &&
               created.size() >= collector::acceptance::kNewRowsPerSource) {
        expected = Verdict::OverQuota;
    }
    if (v != expected) {
        return fail(u"the acceptance verdict differs from the rules");
    }
    if (v == Verdict::Record) {
        m_acceptance.recorded(*d, from);
        if (!known) {
            m_acceptedKeys.insert(key);
            created.insert(key);
        }
    }
    if (m_acceptance.newRowsFrom(from) != created.size()) {
        return fail(u"new rows of a sender are counted wrongly");
    }
    return {};
}

QString DatagramHarness::checkDecode(QByteArrayView payload) const
{
    const QStringList parts = fromGbk(payload).split(u'#');
    const std::optional<ScoreDatagram> d = ScoreDatagram::decode(payload);
    if (parts.size() < 5) {
        return d ? fail(u"a payload with fewer than five fields was decoded") : QString();
    }
    if (!d) {
        return fail(u"a payload with five fields was refused");
    }
    if (d->address != parts[0] || d->computer != parts[1] || d->score != parts[2] ||
        d->name != parts[3] || d->set != parts[4]) {
        return fail(u"decoded fields differ from the payload's first five fields");
    }
    // What a student program sends must arrive unchanged.
    if (fitsGbk(d->text()) && ScoreDatagram::decode(d->encode()) != d) {
        return fail(u"a datagram whose text fits GBK did not survive encode and decode");
    }
    return {};
}

int DatagramHarness::liveRowOf(const QString& address, const QString& set) const
{
    for (int i = 1; i <= m_table.rec_count(); ++i) {
        const ScoreRow& r = m_table.row(i);
        if (!r.deleted && m_table.arr_ip(i) == address && m_table.arr_tao(i) == set) {
            return i;
        }
    }
    return 0;
}

QString DatagramHarness::checkRecord(QByteArrayView payload)
{
    const std::optional<ScoreDatagram> d = ScoreDatagram::decode(payload);
    if (!d) {
        return {};
    }
    const int before = m_table.rec_count();
    const int deletedBefore = m_table.del_count();
    const int match = liveRowOf(d->address, d->set);
    const std::optional<ScoreRow> old =
        match > 0 ? std::optional<ScoreRow>(m_table.row(match)) : std::nullopt;

    const collector::RecordResult result = m_table.recordScore(*d);

    if (m_table.del_count() != deletedBefore) {
        return fail(u"recording changed the deleted count");
    }
    if (match > 0) {
        if (result.outcome != RecordOutcome::Updated || result.row != match) {
            return fail(u"a datagram of a live key was not recorded as an update of its row",
                        match);
        }
        if (m_table.rec_count() != before) {
            return fail(u"an update changed the row count");
        }
        ScoreRow expected = *old;
        expected.score = d->score;
        if (!sameRow(m_table.row(match), expected)) {
            return fail(u"an update changed more than the score", match);
        }
        return {};
    }
    if (before - m_table.del_count() >= ScoreTable::kMaxRows) {
        if (result.outcome != RecordOutcome::Full || result.row != 0) {
            return fail(u"a new key was taken although the table is full");
        }
        if (m_table.rec_count() != before) {
            return fail(u"a full table changed its row count");
        }
        return {};
    }
    if (result.outcome != RecordOutcome::Created || result.row != before + 1 ||
        m_table.rec_count() != before + 1) {
        return fail(u"a new key did not become the next row", before + 1);
    }
    const ScoreRow& r = m_table.row(result.row);
    if (r.deleted || r.address != d->address || r.computer != d->computer || r.score != d->score ||
        r.name != d->name || r.set != d->set || m_table.arr_ip(result.row) != d->address ||
        m_table.arr_tao(result.row) != d->set) {
        return fail(u"a new row does not hold the datagram's fields", result.row);
    }
    return {};
}

QString DatagramHarness::checkEdit(QByteArrayView payload)
{
    const quint32 h = inputHash(payload);
    // One input in 32 deletes a row, one sets a name, one a score, one checks
    // the export (it walks every row, so now and then is enough); the rest
    // only record.
    const int action = int(h % 32);
    if (action > 3) {
        return {};
    }
    if (action == 3) {
        return checkExport();
    }
    // Row 0 and the row after the last are asked for too: both must be refused.
    const int target = int((h >> 8) % quint32(m_table.rec_count() + 2));
    const bool valid = m_table.isValidRow(target);
    const bool live = valid && !m_table.row(target).deleted;
    const std::optional<ScoreRow> old =
        valid ? std::optional<ScoreRow>(m_table.row(target)) : std::nullopt;
    const QString oldSet = m_table.arr_tao(target);
    const int deletedBefore = m_table.del_count();
    const int rowsBefore = m_table.rec_count();
    // Hand corrections may hold anything the teacher types, "#" and line
    // breaks included: the raw payload text serves.
    const QString value = fromGbk(payload);

    bool done = false;
    ScoreRow expected = old.value_or(ScoreRow());
    if (action == 0) {
        done = m_table.deleteRow(target);
        const QString& marker = ScoreTable::deletedMarker();
        expected = ScoreRow();
        expected.address = expected.computer = expected.name = expected.score = marker;
        expected.deleted = true;
    } else if (action == 1) {
        done = m_table.setName(target, value);
        expected.name = value;
    } else {
        done = m_table.setScore(target, value);
        expected.score = value;
    }
    if (done != live) {
        return fail(live ? u"an edit of a live row was refused"
                         : u"an edit of a deleted or unknown row was accepted",
                    target);
    }
    if (m_table.rec_count() != rowsBefore) {
        return fail(u"an edit changed the row count", target);
    }
    if (!done) {
        if (valid && !sameRow(m_table.row(target), *old)) {
            return fail(u"a refused edit changed the row", target);
        }
        return m_table.del_count() == deletedBefore
                   ? QString()
                   : fail(u"a refused edit changed the deleted count", target);
    }
    if (!sameRow(m_table.row(target), expected)) {
        return fail(u"an edited row does not hold what was set", target);
    }
    if (action == 0) {
        if (m_table.del_count() != deletedBefore + 1) {
            return fail(u"deleting did not count the row", target);
        }
        if (!m_table.arr_ip(target).isEmpty() || m_table.arr_tao(target) != oldSet) {
            return fail(u"deleting left the wrong key entries", target);
        }
    } else if (m_table.del_count() != deletedBefore) {
        return fail(u"an edit changed the deleted count", target);
    }
    return {};
}

QString DatagramHarness::checkTable() const
{
    const int rows = m_table.rec_count();
    if (rows < 0 || m_table.liveCount() > ScoreTable::kMaxRows) {
        return fail(u"the live row count left 0..500");
    }
    int deleted = 0;
    for (int i = 1; i <= rows; ++i) {
        deleted += m_table.row(i).deleted ? 1 : 0;
    }
    if (deleted != m_table.del_count() || m_table.liveCount() != rows - deleted) {
        return fail(u"the deleted and live counts disagree with the rows");
    }
    if (m_table.counterText() != QStringLiteral("已提交成绩") + QString::number(rows - deleted)) {
        return fail(u"the counter does not show the live rows");
    }
    return {};
}

QString DatagramHarness::checkExport() const
{
    const QString text = m_table.exportText();
    const QByteArray bytes = m_table.exportBytes();
    if (bytes != toGbk(text)) {
        return fail(u"the exported bytes are not the export text in GBK");
    }
    // The file as the teacher's workbook reads it back: one CR LF line per
    // live row, five fields each, in row order.
    const QString reread = fromGbk(bytes);
    if (!reread.isEmpty() && !reread.endsWith(QStringLiteral("\r\n"))) {
        return fail(u"the export does not end with CR LF");
    }
    QStringList lines = reread.split(QStringLiteral("\r\n"));
    lines.removeLast(); // after the final CR LF, or the whole of an empty text
    if (lines.size() != m_table.liveCount()) {
        return fail(u"the export has not one line per live row");
    }
    qsizetype line = 0;
    for (int i = 1; i <= m_table.rec_count(); ++i) {
        const ScoreRow& r = m_table.row(i);
        if (r.deleted) {
            continue;
        }
        const QString& l = lines.at(line++);
        if (l.contains(u'\r') || l.contains(u'\n')) {
            return fail(u"an export line holds a stray line break", i);
        }
        const QStringList fields = l.split(u'#');
        if (fields.size() != 5) {
            return fail(u"an export line has not five fields", i);
        }
        // Fields without "#" are written as shown in the list (control
        // characters as spaces), where GBK can carry them.
        const QString values[5] = {r.address, r.computer, r.name, r.score, r.set};
        for (int f = 0; f < 5; ++f) {
            const QString v = ScoreTable::shownField(values[f]);
            const bool plain = !v.contains(u'#');
            if (fields.at(f) != v && plain && fitsGbk(v)) {
                return fail(u"an export field differs from its cell", i);
            }
        }
    }
    return {};
}

} // namespace velmora::fuzz
