// SPDX-License-Identifier: MIT
#include "ScoreJournal.h"

#include "Platform.h"
#include "ScoreDatagram.h"
#include "ScoreTable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

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
std::optional<QStringList> fieldsOf(const QList<QByteArray>& parts)
{
    QStringList out;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const auto field = unescaped(parts.at(i));
        if (!field) {
            return std::nullopt;
        }
        out << *field;
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
    const QList<QByteArray> parts = QByteArray(body.data(), body.size()).split('\t');
    if (parts.first().size() != 1) {
        return std::nullopt;
    }
    JournalEntry e;
    qsizetype count = 0;
    switch (parts.first().at(0)) {
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
    default:
        return std::nullopt;
    }
    if (parts.size() != count + 1) {
        return std::nullopt;
    }
    auto fields = fieldsOf(parts);
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

void ScoreJournal::rebuild(const QList<JournalEntry>& entries, ScoreTable& table)
{
    for (const JournalEntry& e : entries) {
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
        case JournalEntry::Kind::Saved:
            break;
        }
    }
}

ScoreJournal::ScoreJournal(QString folder, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_syncTimer(new QTimer(this))
{
    m_syncTimer->setSingleShot(true);
    connect(m_syncTimer, &QTimer::timeout, this, &ScoreJournal::sync);
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
    // Held as long as the program runs; a lock left by a killed program is
    // recognised by its process number and taken over.
    lockFile->setStaleLockTime(0);
    if (!lockFile->tryLock(0)) {
        m_error = lockFile->error() == QLockFile::LockFailedError
                      ? QStringLiteral("另一个Velcoll正在使用成绩日志")
                      : QStringLiteral("无法锁定成绩日志");
        return false;
    }
    m_lock = std::move(lockFile);
    return true;
}

JournalContents ScoreJournal::previous() const
{
    if (!m_lock) {
        return {};
    }
    QFile file(activePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return read(file.readAll());
}

bool ScoreJournal::start(const QList<JournalEntry>& restored)
{
    if (!m_lock) {
        return false;
    }
    // This run's journal is written whole beside the old one before the old
    // one is filed away, so that a crash here leaves one of the two.
    const QString next = activePath() + QStringLiteral(".new");
    QFile::remove(next);
    QFile fresh(next);
    if (!fresh.open(QIODevice::WriteOnly)) {
        m_error = fresh.errorString();
        return false;
    }
    QByteArray bytes;
    for (const JournalEntry& e : restored) {
        bytes += encode(e);
    }
    if (fresh.write(bytes) != bytes.size() || !fresh.flush()) {
        m_error = fresh.errorString();
        fresh.close();
        QFile::remove(next);
        return false;
    }
    platform::syncToDisk(fresh.handle());
    fresh.close();
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
    m_sinceSync.start();
    prune();
    return true;
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
    QDateTime when = old.lastModified();
    QString name = dated(when);
    while (QFileInfo::exists(QDir(m_folder).filePath(name))) {
        when = when.addMSecs(1);
        name = dated(when);
    }
    QFile::rename(old.filePath(), QDir(m_folder).filePath(name));
}

void ScoreJournal::prune()
{
    // Dated names sort by date.
    QStringList dated = QDir(m_folder).entryList({kArchivePrefix + u'*' + kSuffix}, QDir::Files,
                                                 QDir::Name | QDir::Reversed);
    while (dated.size() > kKeptJournals) {
        QFile::remove(QDir(m_folder).filePath(dated.takeLast()));
    }
}

bool ScoreJournal::append(const JournalEntry& entry, bool flush)
{
    if (!m_file.isOpen()) {
        return false;
    }
    const QByteArray line = encode(entry);
    // Flushed before anyone is told: what the system has survives the
    // program being killed.
    const bool ok = m_file.write(line) == line.size() && (!flush || m_file.flush());
    if (!ok) {
        m_error = m_file.errorString();
    }
    // On the disk within kSyncIntervalMs, so a power cut loses at most that.
    if (m_sinceSync.elapsed() >= kSyncIntervalMs) {
        sync();
    } else if (!m_syncTimer->isActive()) {
        m_syncTimer->start(kSyncIntervalMs - int(m_sinceSync.elapsed()));
    }
    return ok;
}

bool ScoreJournal::flush()
{
    if (!m_file.isOpen()) {
        return false;
    }
    if (!m_file.flush()) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

void ScoreJournal::sync()
{
    m_syncTimer->stop();
    if (m_file.isOpen()) {
        m_file.flush();
        platform::syncToDisk(m_file.handle());
    }
    m_sinceSync.start();
}

} // namespace velmora::collector
