// SPDX-License-Identifier: MIT
#include "WorkProtocol.h"

#include <QHash>
#include <QHostAddress>
#include <QSet>
#include <QtEndian>

#include <array>

namespace velmora::work {

namespace {

struct RefusalName
{
    Refusal refusal;
    const char* code;
    const char16_t* text;
};

// The codes and their Chinese, for the log and the status line.
constexpr std::array<RefusalName, 18> kRefusals = {{
    {Refusal::None, "accepted", u"已收下"},
    {Refusal::BadMagic, "bad-magic", u"不是作业数据"},
    {Refusal::BadVersion, "bad-version", u"作业数据的版本不认识"},
    {Refusal::HeaderTooLarge, "header-too-large", u"作业清单过长"},
    {Refusal::Malformed, "malformed", u"作业清单格式不对"},
    {Refusal::BadText, "bad-text", u"作业清单中的文字或地址不对"},
    {Refusal::TooManyFiles, "too-many-files", u"文件超过64个"},
    {Refusal::TooLarge, "too-large", u"作业超过8 MiB"},
    {Refusal::UnsafeName, "unsafe-name", u"文件名不安全"},
    {Refusal::DuplicateName, "duplicate-name", u"文件名只差大小写"},
    {Refusal::BadHash, "bad-hash", u"文件校验值不符"},
    {Refusal::TrailingBytes, "trailing-bytes", u"作业末尾有多余数据"},
    {Refusal::Incomplete, "incomplete", u"作业没有传完"},
    {Refusal::TimedOut, "timed-out", u"传送超时"},
    {Refusal::Busy, "busy", u"同时提交的人太多"},
    {Refusal::RateLimited, "rate-limited", u"提交过于频繁"},
    {Refusal::UnknownSet, "unknown-set", u"套题名称不对"},
    {Refusal::StoreFailed, "store-failed", u"无法保存"},
}};

const RefusalName* find(Refusal refusal)
{
    for (const RefusalName& r : kRefusals) {
        if (r.refusal == refusal) {
            return &r;
        }
    }
    return nullptr;
}

void putU16(QByteArray& out, quint16 v)
{
    char b[2];
    qToBigEndian(v, b);
    out.append(b, 2);
}

void putU32(QByteArray& out, quint32 v)
{
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

void putU64(QByteArray& out, quint64 v)
{
    char b[8];
    qToBigEndian(v, b);
    out.append(b, 8);
}

void putText(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    putU16(out, quint16(qMin<qsizetype>(utf8.size(), 0xFFFF)));
    out.append(utf8.first(qMin<qsizetype>(utf8.size(), 0xFFFF)));
}

// A cursor over the header body that never reads past its end.
class Cursor
{
public:
    explicit Cursor(QByteArrayView bytes) : m_bytes(bytes) {}

    bool u16(quint16& v)
    {
        if (left() < 2) {
            return false;
        }
        v = qFromBigEndian<quint16>(m_bytes.data() + m_at);
        m_at += 2;
        return true;
    }
    bool u64(quint64& v)
    {
        if (left() < 8) {
            return false;
        }
        v = qFromBigEndian<quint64>(m_bytes.data() + m_at);
        m_at += 8;
        return true;
    }
    bool bytes(qsizetype n, QByteArrayView& v)
    {
        if (left() < n) {
            return false;
        }
        v = m_bytes.sliced(m_at, n);
        m_at += n;
        return true;
    }
    qsizetype left() const { return m_bytes.size() - m_at; }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

// Strict UTF-8: the text must encode back to exactly the same bytes, so
// invalid sequences, overlong forms and a byte-order mark are all refused.
bool utf8(QByteArrayView bytes, QString& text)
{
    text = QString::fromUtf8(bytes);
    return text.toUtf8() == bytes;
}

bool isDeviceName(QStringView name)
{
    // The part before the first dot decides: "con.htm" is CON on Windows.
    QStringView stem = name;
    if (const qsizetype dot = stem.indexOf(u'.'); dot >= 0) {
        stem = stem.first(dot);
    }
    stem = stem.trimmed();
    static const QSet<QString> kDevices = {
        QStringLiteral("CON"), QStringLiteral("PRN"),    QStringLiteral("AUX"),
        QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$"),
    };
    const QString upper = stem.toString().toUpper();
    if (kDevices.contains(upper)) {
        return true;
    }
    // COM1..COM9, LPT1..LPT9 (and the superscript digits Windows also takes).
    if (upper.size() == 4 && (upper.startsWith(u"COM") || upper.startsWith(u"LPT"))) {
        const QChar d = upper.at(3);
        return (d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3';
    }
    return false;
}

} // namespace

QString refusalCode(Refusal refusal)
{
    const RefusalName* r = find(refusal);
    return r ? QString::fromLatin1(r->code) : QStringLiteral("refused-%1").arg(quint16(refusal));
}

QString refusalText(Refusal refusal)
{
    const RefusalName* r = find(refusal);
    return r ? QString::fromUtf16(r->text) : QStringLiteral("拒收(%1)").arg(quint16(refusal));
}

qint64 WorkHeader::totalBytes() const
{
    qint64 sum = 0;
    for (const WorkFile& f : files) {
        sum += f.size;
    }
    return sum;
}

QByteArray sha256(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QString nameProblem(QStringView name)
{
    if (name.isEmpty()) {
        return QStringLiteral("empty name");
    }
    if (name.toUtf8().size() > kMaxNameBytes) {
        return QStringLiteral("name longer than %1 bytes").arg(kMaxNameBytes);
    }
    if (name == u"." || name == u".." || name.contains(u"..")) {
        return QStringLiteral("name holds \"..\"");
    }
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        // Controls, and format characters such as the right-to-left override
        // that would make a name read as another.
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || c.category() == QChar::Other_Format ||
            c.category() == QChar::Other_Control) {
            return QStringLiteral("control character in name");
        }
        switch (u) {
        case u'/':
        case u'\\':
            return QStringLiteral("separator in name");
        case u':':
            return QStringLiteral("drive or stream colon in name");
        case u'<':
        case u'>':
        case u'"':
        case u'|':
        case u'?':
        case u'*':
            return QStringLiteral("character Windows forbids in name");
        default:
            break;
        }
    }
    if (name.endsWith(u'.') || name.endsWith(u' ')) {
        return QStringLiteral("name ends in a dot or space");
    }
    if (isDeviceName(name)) {
        return QStringLiteral("device name");
    }
    return {};
}

QString caseKey(QStringView name)
{
    return name.toString().toCaseFolded();
}

QByteArray encodeHeader(const WorkHeader& header)
{
    QByteArray body;
    for (const QString* text : {&header.address, &header.computer, &header.name, &header.set,
                                &header.score, &header.token}) {
        putText(body, *text);
    }
    putU16(body, quint16(qMin<qsizetype>(header.files.size(), 0xFFFF)));
    for (const WorkFile& f : header.files) {
        putText(body, f.name);
        putU64(body, quint64(f.size));
        QByteArray hash = f.sha256.left(kShaBytes);
        hash.append(QByteArray(kShaBytes - hash.size(), '\0'));
        body.append(hash);
    }
    QByteArray out;
    out.reserve(kPrefixBytes + body.size());
    out.append(kMagic, 4);
    putU16(out, kVersion);
    putU32(out, quint32(body.size()));
    out.append(body);
    return out;
}

WorkHeader describe(WorkHeader header, const QList<WorkFileData>& files)
{
    header.files.clear();
    for (const WorkFileData& f : files) {
        header.files.append(WorkFile{f.name, f.bytes.size(), sha256(f.bytes)});
    }
    return header;
}

QByteArray encodeWork(const WorkHeader& header, const QList<WorkFileData>& files)
{
    QByteArray out = encodeHeader(describe(header, files));
    for (const WorkFileData& f : files) {
        out.append(f.bytes);
    }
    return out;
}

QByteArray encodeReply(Refusal refusal)
{
    QByteArray out(kReplyMagic, 4);
    putU16(out, kVersion);
    putU16(out, quint16(refusal));
    return out;
}

std::optional<Refusal> decodeReply(QByteArrayView bytes)
{
    if (bytes.size() < kReplyBytes || !bytes.startsWith(QByteArrayView(kReplyMagic, 4))) {
        return std::nullopt;
    }
    return Refusal(qFromBigEndian<quint16>(bytes.data() + 6));
}

bool MemorySink::begin(const WorkHeader& header)
{
    m_contents.clear();
    m_contents.reserve(header.files.size());
    return true;
}

bool MemorySink::open(int, const WorkFile&)
{
    // Nothing reserved for the size the header claims: memory follows the
    // bytes that really came.
    m_contents.append(QByteArray());
    return true;
}

bool MemorySink::write(QByteArrayView bytes)
{
    m_contents.last().append(bytes);
    return true;
}

WorkReader::WorkReader(WorkSink* sink)
{
    if (!sink) {
        m_own = std::make_unique<MemorySink>();
        sink = m_own.get();
    }
    m_sink = sink;
}

WorkReader::~WorkReader()
{
    if (m_begun && m_state != State::Complete) {
        m_sink->abandon();
    }
}

const QList<QByteArray>& WorkReader::contents() const
{
    static const QList<QByteArray> kNone;
    return m_own ? m_own->contents() : kNone;
}

WorkReader::State WorkReader::refuse(Refusal refusal, const QString& detail)
{
    m_state = State::Refused;
    m_refusal = refusal;
    m_detail = detail.isEmpty() ? refusalCode(refusal) : detail;
    m_buffer = QByteArray();
    if (m_begun) {
        m_begun = false;
        m_sink->abandon();
    }
    return m_state;
}

Refusal WorkReader::parseHeader(QByteArrayView body, WorkHeader& header, QString& detail)
{
    Cursor in(body);
    QString* texts[] = {&header.address, &header.computer, &header.name,
                        &header.set,     &header.score,    &header.token};
    for (QString* text : texts) {
        quint16 n = 0;
        QByteArrayView bytes;
        if (!in.u16(n) || !in.bytes(n, bytes)) {
            detail = QStringLiteral("header cut short in its text fields");
            return Refusal::Malformed;
        }
        if (n > kMaxTextBytes || !utf8(bytes, *text)) {
            detail = QStringLiteral("a text field is too long or not UTF-8");
            return Refusal::BadText;
        }
    }
    // The address names the folder the work goes to: only a plain dotted
    // IPv4 address, written as Qt writes it back, is one.
    const QHostAddress address(header.address);
    if (address.protocol() != QAbstractSocket::IPv4Protocol ||
        address.toString() != header.address) {
        detail = QStringLiteral("the address is not a dotted IPv4 address");
        return Refusal::BadText;
    }
    quint16 count = 0;
    if (!in.u16(count)) {
        detail = QStringLiteral("header cut short before the file count");
        return Refusal::Malformed;
    }
    if (count > kMaxFiles) {
        detail = QStringLiteral("%1 files, at most %2").arg(count).arg(kMaxFiles);
        return Refusal::TooManyFiles;
    }
    header.files.clear();
    header.files.reserve(count);
    QHash<QString, QString> seen; // case key -> first name
    qint64 total = 0;
    for (int i = 0; i < count; ++i) {
        quint16 n = 0;
        QByteArrayView nameBytes;
        quint64 size = 0;
        QByteArrayView hash;
        if (!in.u16(n) || !in.bytes(n, nameBytes) || !in.u64(size) || !in.bytes(kShaBytes, hash)) {
            detail = QStringLiteral("header cut short in file %1").arg(i + 1);
            return Refusal::Malformed;
        }
        WorkFile file;
        if (!utf8(nameBytes, file.name)) {
            detail = QStringLiteral("file name %1 is not UTF-8").arg(i + 1);
            return Refusal::UnsafeName;
        }
        if (const QString why = nameProblem(file.name); !why.isEmpty()) {
            detail = why;
            return Refusal::UnsafeName;
        }
        const QString key = caseKey(file.name);
        if (seen.contains(key)) {
            detail = QStringLiteral("two files named alike ignoring case");
            return Refusal::DuplicateName;
        }
        seen.insert(key, file.name);
        // Each size is checked before the sum, so the sum cannot overflow.
        if (size > quint64(kMaxTotalBytes) || total + qint64(size) > kMaxTotalBytes) {
            detail = QStringLiteral("more than %1 bytes in all").arg(kMaxTotalBytes);
            return Refusal::TooLarge;
        }
        total += qint64(size);
        file.size = qint64(size);
        file.sha256 = hash.toByteArray();
        header.files.append(std::move(file));
    }
    if (in.left() != 0) {
        detail = QStringLiteral("bytes left over after the file table");
        return Refusal::Malformed;
    }
    return Refusal::None;
}

bool WorkReader::takePrefix()
{
    // Checked as soon as each part is there, so a stranger's bytes are turned
    // away after at most ten.
    const qsizetype have = m_buffer.size();
    if (have >= 4 && !m_buffer.startsWith(QByteArrayView(kMagic, 4))) {
        refuse(Refusal::BadMagic);
        return false;
    }
    if (have >= 6 && qFromBigEndian<quint16>(m_buffer.constData() + 4) != kVersion) {
        refuse(Refusal::BadVersion);
        return false;
    }
    if (have < kPrefixBytes) {
        return false;
    }
    m_headerBytes = qFromBigEndian<quint32>(m_buffer.constData() + 6);
    if (m_headerBytes > kMaxHeaderBytes) {
        refuse(Refusal::HeaderTooLarge, QStringLiteral("header of %1 bytes, at most %2")
                                            .arg(m_headerBytes)
                                            .arg(kMaxHeaderBytes));
        return false;
    }
    m_buffer.remove(0, kPrefixBytes);
    m_phase = Phase::Header;
    return true;
}

bool WorkReader::startFiles()
{
    QString detail;
    const Refusal r = parseHeader(m_buffer.first(qsizetype(m_headerBytes)), m_header, detail);
    if (r != Refusal::None) {
        refuse(r, detail);
        return false;
    }
    m_buffer.remove(0, qsizetype(m_headerBytes));
    m_begun = true;
    if (!m_sink->begin(m_header)) {
        refuse(m_sink->refusal(), m_sink->error());
        return false;
    }
    m_phase = Phase::Files;
    m_file = -1;
    return openNextFile();
}

bool WorkReader::openNextFile()
{
    ++m_file;
    if (m_file >= m_header.files.size()) {
        m_phase = Phase::Done;
        m_state = State::Complete;
        return true;
    }
    const WorkFile& f = m_header.files.at(m_file);
    m_hash.reset();
    m_fileLeft = f.size;
    if (!m_sink->open(m_file, f)) {
        refuse(Refusal::StoreFailed, m_sink->error());
        return false;
    }
    if (m_fileLeft == 0) {
        return closeFileAndNext();
    }
    return true;
}

bool WorkReader::closeFileAndNext()
{
    const WorkFile& f = m_header.files.at(m_file);
    if (m_hash.result() != f.sha256) {
        refuse(Refusal::BadHash,
               QStringLiteral("file %1 does not match its SHA-256").arg(m_file + 1));
        return false;
    }
    if (!m_sink->close()) {
        refuse(Refusal::StoreFailed, m_sink->error());
        return false;
    }
    return openNextFile();
}

WorkReader::State WorkReader::feed(QByteArrayView bytes)
{
    if (m_state == State::Refused) {
        return m_state;
    }
    m_received += bytes.size();
    if (m_state == State::Complete) {
        return bytes.isEmpty() ? m_state : refuse(Refusal::TrailingBytes);
    }
    while (!bytes.isEmpty() || (m_phase == Phase::Header && m_buffer.size() >= m_headerBytes)) {
        switch (m_phase) {
        case Phase::Prefix: {
            const qsizetype take = qMin(bytes.size(), kPrefixBytes - m_buffer.size());
            m_buffer.append(bytes.first(take));
            bytes = bytes.sliced(take);
            if (!takePrefix()) {
                return m_state;
            }
            break;
        }
        case Phase::Header: {
            // Never more than the header itself is held.
            const qsizetype take = qMin(bytes.size(), qsizetype(m_headerBytes) - m_buffer.size());
            m_buffer.append(bytes.first(take));
            bytes = bytes.sliced(take);
            if (m_buffer.size() < m_headerBytes) {
                return m_state;
            }
            if (!startFiles()) {
                return m_state;
            }
            break;
        }
        case Phase::Files: {
            const qsizetype take = qsizetype(qMin<qint64>(bytes.size(), m_fileLeft));
            const QByteArrayView piece = bytes.first(take);
            bytes = bytes.sliced(take);
            m_hash.addData(piece);
            m_fileLeft -= take;
            if (!m_sink->write(piece)) {
                refuse(Refusal::StoreFailed, m_sink->error());
                return m_state;
            }
            if (m_fileLeft == 0 && !closeFileAndNext()) {
                return m_state;
            }
            break;
        }
        case Phase::Done:
            return bytes.isEmpty() ? m_state : refuse(Refusal::TrailingBytes);
        }
        if (m_phase == Phase::Done) {
            return bytes.isEmpty() ? m_state : refuse(Refusal::TrailingBytes);
        }
    }
    return m_state;
}

WorkReader::State WorkReader::finish()
{
    if (m_state == State::NeedMore) {
        refuse(Refusal::Incomplete,
               QStringLiteral("the sender stopped after %1 bytes").arg(m_received));
    }
    return m_state;
}

} // namespace velmora::work
