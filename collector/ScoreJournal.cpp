// SPDX-License-Identifier: MIT
#include "ScoreJournal.h"

#include "Platform.h"
#include "ScoreDatagram.h"
#include "ScoreTable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include "AnsiFile.h"

#include <optional>

namespace velmora::collector {

namespace {

const QString kActiveName = QStringLiteral("scores.journal");
const QString kLockName = QStringLiteral("scores.journal.lock");
const QString kArchivePrefix = QStringLiteral("scores-");
const QString kSuffix = QStringLiteral(".journal");

// Line kinds; the letters are the first byte of each line.
constexpr char kScore = 'D';
constexpr char kName = 'N';
constexpr char kMark = 'S';
constexpr char kDelete = 'X';
constexpr char kSaved = 'V';
constexpr char kWork = 'W';
constexpr int kScoreFields = 7;

// Fields are UTF-8 with backslash, tab and line breaks escaped, so that a
// line holds exactly one change whatever a datagram carried.
QByteArray escaped(const QString& field)
{
    QByteArray out;
    const QByteArray utf8 = field.toUtf8();
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<QString> unescaped(QByteArrayView field)
{
    if (!field.contains('\\')) {
        return QString::fromUtf8(field); // nearly every field
    }
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == field.size()) {
            return std::nullopt;
        }
        switch (field[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return QString::fromUtf8(out);
}

QByteArray checksum(QByteArrayView body)
{
    return QByteArray::number(qChecksum(body), 16).rightJustified(4, '0');
}

// Fields after the kind letter, unescaped; nullopt when one is malformed.
// The fields after the kind letter, split at tabs and unescaped; nullopt
// when one is malformed.
std::optional<QStringList> fieldsOf(QByteArrayView body)
{
    QStringList out;
    qsizetype start = body.indexOf('\t');
    while (start >= 0) {
        const qsizetype end = body.indexOf('\t', start + 1);
        const QByteArrayView field =
            body.sliced(start + 1, (end < 0 ? body.size() : end) - start - 1);
        auto text = unescaped(field);
        if (!text) {
            return std::nullopt;
        }
        out << std::move(*text);
        start = end;
    }
    return out;
}

std::optional<JournalEntry> decodeLine(QByteArrayView line)
{
    // <kind> TAB <field> ... TAB <checksum of everything before the last tab>
    const qsizetype lastTab = line.lastIndexOf('\t');
    if (lastTab < 1) {
        return std::nullopt;
    }
    const QByteArrayView body = line.first(lastTab);
    if (line.sliced(lastTab + 1) != checksum(body)) {
        return std::nullopt;
    }
    if (body.size() > 1 && body.at(1) != '\t') {
        return std::nullopt; // the kind is one letter
    }
    JournalEntry e;
    qsizetype count = 0;
    switch (body.at(0)) {
    case kScore:
        e.kind = JournalEntry::Kind::Score;
        count = kScoreFields;
        break;
    case kName:
        e.kind = JournalEntry::Kind::Name;
        count = 3;
        break;
    case kMark:
        e.kind = JournalEntry::Kind::Mark;
        count = 3;
        break;
    case kDelete:
        e.kind = JournalEntry::Kind::Delete;
        count = 2;
        break;
    case kSaved:
        e.kind = JournalEntry::Kind::Saved;
        count = 0;
        break;
    case kWork:
        e.kind = JournalEntry::Kind::Work;
        count = 4;
        break;
    default:
        return std::nullopt;
    }
    if (body.count('\t') != count) {
        return std::nullopt;
    }
    auto fields = fieldsOf(body);
    if (!fields) {
        return std::nullopt;
    }
    e.fields = std::move(*fields);
    if (e.kind == JournalEntry::Kind::Score && e.fields.last() != u"0" && e.fields.last() != u"1") {
        return std::nullopt;
    }
    return e;
}

QString dated(const QDateTime& when)
{
    return kArchivePrefix + when.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + kSuffix;
}

} // namespace

bool JournalContents::unsaved() const
{
    return !entries.isEmpty() && entries.last().kind != JournalEntry::Kind::Saved;
}

QString ScoreJournal::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/journal");
}

QByteArray ScoreJournal::encode(const JournalEntry& e)
{
    QByteArray body;
    int count = 0;
    switch (e.kind) {
    case JournalEntry::Kind::Score:
        body += kScore;
        count = kScoreFields;
        break;
    case JournalEntry::Kind::Name:
        body += kName;
        count = 3;
        break;
    case JournalEntry::Kind::Mark:
        body += kMark;
        count = 3;
        break;
    case JournalEntry::Kind::Delete:
        body += kDelete;
        count = 2;
        break;
    case JournalEntry::Kind::Saved:
        body += kSaved;
        count = 0;
        break;
    case JournalEntry::Kind::Work:
        body += kWork;
        count = 4;
        break;
    }
    for (int i = 0; i < count; ++i) {
        body += '\t' + escaped(e.fields.value(i));
    }
    return body + '\t' + checksum(body) + '\n';
}

JournalContents ScoreJournal::read(QByteArrayView bytes)
{
    JournalContents out;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            // A last line without its line end was torn by a crash.
            ++out.damagedLines;
            break;
        }
        if (const auto entry = decodeLine(bytes.sliced(start, end - start))) {
            out.entries.append(*entry);
        } else {
            ++out.damagedLines;
        }
        start = end + 1;
    }
    return out;
}

JournalEntry ScoreJournal::scoreEntry(const ScoreDatagram& d, const QString& source, bool forged)
{
    JournalEntry e;
    e.kind = JournalEntry::Kind::Score;
    e.fields = {d.address,
                d.computer,
                d.score,
                d.name,
                d.set,
                source,
                forged ? QStringLiteral("1") : QStringLiteral("0")};
    return e;
}

JournalEntry ScoreJournal::rowEntry(JournalEntry::Kind kind, const ScoreTable& table, int i,
                                    const QString& text)
{
    JournalEntry e;
    e.kind = kind;
    e.fields = {table.arr_ip(i), table.arr_tao(i)};
    if (kind != JournalEntry::Kind::Delete) {
        e.fields << text;
    }
    return e;
}

void ScoreJournal::apply(const JournalEntry& e, ScoreTable& table)
{
    switch (e.kind) {
    case JournalEntry::Kind::Score: {
        ScoreDatagram d;
        d.address = e.fields.value(0);
        d.computer = e.fields.value(1);
        d.score = e.fields.value(2);
        d.name = e.fields.value(3);
        d.set = e.fields.value(4);
        table.recordScore(d, e.fields.value(5), e.fields.value(6) == u"1");
        break;
    }
    case JournalEntry::Kind::Name:
        table.setName(table.findLive(e.fields.value(0), e.fields.value(1)), e.fields.value(2));
        break;
    case JournalEntry::Kind::Mark:
        table.setScore(table.findLive(e.fields.value(0), e.fields.value(1)), e.fields.value(2));
        break;
    case JournalEntry::Kind::Delete:
        table.deleteRow(table.findLive(e.fields.value(0), e.fields.value(1)));
        break;
    case JournalEntry::Kind::Work:
        table.setWork(table.findLive(e.fields.value(0), e.fields.value(1)), e.fields.value(2),
                      e.fields.value(3));
        break;
    case JournalEntry::Kind::Saved:
        break;
    }
}

JournalEntry ScoreJournal::workEntry(const ScoreRow& row)
{
    JournalEntry e;
    e.kind = JournalEntry::Kind::Work;
    e.fields = {row.address, row.set, row.work, row.remark};
    return e;
}

void ScoreJournal::rebuild(const QList<JournalEntry>& entries, ScoreTable& table)
{
    for (const JournalEntry& e : entries) {
        apply(e, table);
    }
}

QList<JournalEntry> ScoreJournal::snapshot(const ScoreTable& table)
{
    QList<JournalEntry> out;
    out.reserve(table.liveCount());
    const QString one = QStringLiteral("1");
    const QString zero = QStringLiteral("0");
    for (int i = 1; i <= table.rec_count(); ++i) {
        const ScoreRow& r = table.row(i);
        if (r.deleted) {
            continue;
        }
        // The row as it stands now (hand corrections included), created by
        // the source that created it, so that a restore counts it against
        // that source's new rows; then the later senders that show.
        auto entry = [&](const QString& source, bool forged) {
            JournalEntry e;
            e.kind = JournalEntry::Kind::Score;
            e.fields = {r.address, r.computer, r.score, r.name, r.set, source, forged ? one : zero};
            out.append(e);
        };
        const QString& creator = r.creator.isEmpty() ? r.source : r.creator;
        entry(creator, r.forged() && r.forgedFrom == creator);
        if (r.forged() && r.forgedFrom != creator) {
            entry(r.forgedFrom, true);
        }
        if (r.source != creator && !(r.forged() && r.source == r.forgedFrom)) {
            entry(r.source, false);
        }
        if (r.hasWork()) {
            out.append(workEntry(r));
        }
    }
    return out;
}

PreviousRun ScoreJournal::load(const QString& path)
{
    PreviousRun out;
    QFile file;
    QString why;
    switch (platform::openRegularFile(file, path, why)) {
    case platform::OpenResult::Opened:
        break;
    case platform::OpenResult::NotRegular:
        out.reason = QStringLiteral("不是普通文件");
        return out;
    case platform::OpenResult::Failed:
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            out.reason = why;
        }
        return out;
    }
    if (file.size() > kMaxReadBytes) {
        out.reason = QStringLiteral("文件过大（%1 MB）").arg(file.size() / (1024 * 1024));
        return out;
    }
    ScoreTable table;
    bool saved = false;
    bool any = false;
    QByteArray carry;      // the start of a line whose end is in the next block
    bool skipping = false; // inside an over-long line
    QByteArray block(256 * 1024, Qt::Uninitialized);
    auto line = [&](QByteArrayView bytes) {
        if (const auto entry = decodeLine(bytes)) {
            apply(*entry, table);
            saved = entry->kind == JournalEntry::Kind::Saved;
            any = true;
        } else {
            ++out.contents.damagedLines;
        }
    };
    for (;;) {
        const qint64 got = file.read(block.data(), block.size());
        if (got <= 0) {
            break;
        }
        QByteArrayView rest(block.constData(), got);
        for (;;) {
            const qsizetype end = rest.indexOf('\n');
            if (end < 0) {
                if (!skipping) {
                    carry += rest;
                    if (carry.size() > kMaxLineBytes) {
                        carry.clear();
                        skipping = true;
                    }
                }
                break;
            }
            if (skipping) {
                ++out.contents.damagedLines;
                skipping = false;
            } else if (carry.isEmpty()) {
                line(rest.first(end));
            } else {
                carry += rest.first(end);
                line(carry);
                carry.clear();
            }
            rest = rest.sliced(end + 1);
        }
    }
    if (!carry.isEmpty() || skipping) {
        // A last line without its line end was torn by a crash.
        ++out.contents.damagedLines;
    }
    out.contents.entries = snapshot(table);
    out.rows = table.liveCount();
    if (any && saved) {
        JournalEntry mark;
        mark.kind = JournalEntry::Kind::Saved;
        out.contents.entries.append(mark);
    }
    return out;
}

ScoreJournal::ScoreJournal(QString folder, QObject* parent)
    : QObject(parent), m_folder(std::move(folder))
{
}

ScoreJournal::~ScoreJournal()
{
    sync();
}

QString ScoreJournal::activePath() const
{
    return QDir(m_folder).filePath(kActiveName);
}

bool ScoreJournal::lock()
{
    if (m_lock) {
        return true;
    }
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("无法建立文件夹“") + QDir::toNativeSeparators(m_folder) +
                  QStringLiteral("”");
        return false;
    }
    auto lockFile = std::make_unique<QLockFile>(QDir(m_folder).filePath(kLockName));
    // QLockFile takes over a lock whose process is gone, or whose process
    // number now belongs to another program (after a reboot); one from
    // another computer counts as stale after a day without change.
    lockFile->setStaleLockTime(24 * 60 * 60 * 1000);
    // A collector that is just closing gets a moment to let go.
    if (!lockFile->tryLock(1500)) {
        m_error = lockFile->error() == QLockFile::LockFailedError
                      ? QStringLiteral("另一个Velcoll正在使用成绩日志")
                      : QStringLiteral("无法锁定成绩日志");
        return false;
    }
    m_lock = std::move(lockFile);
    return true;
}

PreviousRun ScoreJournal::takePrevious()
{
    if (!m_lock) {
        return {};
    }
    PreviousRun previous = load(activePath());
    if (!previous.reason.isEmpty()) {
        // Moved out of the way, never read or deleted: the teacher may want it.
        QString aside = QDir(m_folder).filePath(
            dated(QDateTime::currentDateTime()).replace(kSuffix, QStringLiteral("-unreadable")));
        if (QFile::rename(activePath(), aside)) {
            previous.setAside = aside;
        } else {
            QFile::remove(activePath());
        }
    }
    m_previousDamaged = previous.contents.damagedLines > 0;
    return previous;
}

bool ScoreJournal::writeWhole(const QString& path, const QList<JournalEntry>& entries)
{
    QFile::remove(path);
    QFile fresh(path);
    if (!fresh.open(QIODevice::WriteOnly)) {
        m_error = fresh.errorString();
        return false;
    }
    QByteArray bytes;
    for (const JournalEntry& e : entries) {
        bytes += encode(e);
    }
    if (fresh.write(bytes) != bytes.size() || !fresh.flush() ||
        !platform::syncToDisk(fresh.handle())) {
        m_error = fresh.error() != QFileDevice::NoError ? fresh.errorString()
                                                        : QStringLiteral("无法写入磁盘");
        fresh.close();
        QFile::remove(path);
        return false;
    }
    fresh.close();
    return true;
}

bool ScoreJournal::start(const QList<JournalEntry>& restored)
{
    if (!m_lock) {
        return false;
    }
    // This run's journal is written whole beside the old one before the old
    // one is filed away, so that a crash here leaves one of the two.
    const QString next = activePath() + QStringLiteral(".new");
    if (!writeWhole(next, restored)) {
        return false;
    }
    archivePrevious();
    if (!QFile::rename(next, activePath())) {
        m_error = QStringLiteral("无法改名为“") + QDir::toNativeSeparators(activePath()) +
                  QStringLiteral("”");
        return false;
    }
    m_file.setFileName(activePath());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = m_file.errorString();
        return false;
    }
    m_broken = false;
    prune();
    return true;
}

bool ScoreJournal::rewrite(const QList<JournalEntry>& entries)
{
    if (!m_lock) {
        return false;
    }
    QByteArray bytes;
    for (const JournalEntry& e : entries) {
        bytes += encode(e);
    }
    // Written beside the journal and synced, then put in its place in one
    // step: a crash leaves the old journal or the new one, never a mix.
    QSaveFile fresh(activePath());
    if (!fresh.open(QIODevice::WriteOnly) || fresh.write(bytes) != bytes.size() || !fresh.flush() ||
        !platform::syncToDisk(fresh.handle())) {
        m_error = fresh.errorString();
        fresh.cancelWriting();
        return false;
    }
    m_file.close();
    const bool replaced = fresh.commit();
    if (!replaced) {
        m_error = fresh.errorString();
    }
    m_file.setFileName(activePath());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = m_file.errorString();
        return false;
    }
    if (replaced) {
        m_pending.clear();
        m_broken = false;
    }
    return replaced;
}

void ScoreJournal::archivePrevious()
{
    const QFileInfo old(activePath());
    if (!old.exists()) {
        return;
    }
    if (old.size() == 0) {
        QFile::remove(old.filePath());
        return;
    }
    // A journal with damaged lines keeps a name that says so.
    const QString mark = m_previousDamaged ? QStringLiteral("-damaged") : QString();
    QDateTime when = old.lastModified();
    auto nameAt = [&](const QDateTime& t) { return dated(t).replace(kSuffix, mark + kSuffix); };
    QString name = nameAt(when);
    while (QFileInfo::exists(QDir(m_folder).filePath(name))) {
        when = when.addMSecs(1);
        name = nameAt(when);
    }
    QFile::rename(old.filePath(), QDir(m_folder).filePath(name));
}

void ScoreJournal::prune()
{
    // Dated names sort by date.
    QStringList dated = QDir(m_folder).entryList(
        {kArchivePrefix + u'*'}, QDir::Files | QDir::System, QDir::Name | QDir::Reversed);
    while (dated.size() > kKeptJournals) {
        QFile::remove(QDir(m_folder).filePath(dated.takeLast()));
    }
}

bool ScoreJournal::append(const JournalEntry& entry)
{
    if (!m_file.isOpen()) {
        return false;
    }
    m_pending += encode(entry);
    return true;
}

bool ScoreJournal::commit()
{
    if (!m_file.isOpen() || m_broken) {
        return false;
    }
    if (!m_pending.isEmpty()) {
        const qint64 written = m_file.write(m_pending);
        if (written != m_pending.size() || !m_file.flush()) {
            // What went out may end in a torn line: the next commit rewrites
            // the journal whole instead of appending after it.
            m_error = m_file.errorString();
            m_broken = true;
            return false;
        }
        m_pending.clear();
    }
    if (!platform::syncToDisk(m_file.handle())) {
        m_error = QStringLiteral("无法把成绩日志写入磁盘");
        return false;
    }
    return true;
}

void ScoreJournal::sync()
{
    commit();
}

} // namespace velmora::collector
