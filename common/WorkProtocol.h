// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

// The framing that carries a student's work (the set's working folder) to the
// collector over TCP, on the same port number as the score datagram. Written
// down in docs/work-protocol.md; every number below is part of the format.
namespace velmora::work {

inline constexpr char kMagic[4] = {'V', 'M', 'W', 'K'};
inline constexpr char kReplyMagic[4] = {'V', 'M', 'W', 'R'};
inline constexpr quint16 kVersion = 1;

// Bytes before the header body: magic, version, header length.
inline constexpr qsizetype kPrefixBytes = 4 + 2 + 4;
// Limits a submission must keep; the reader refuses anything beyond them
// before it keeps a single byte of a file.
inline constexpr int kMaxFiles = 64;
inline constexpr qint64 kMaxTotalBytes = 8 * 1024 * 1024;
inline constexpr qint64 kMaxHeaderBytes = 64 * 1024;
inline constexpr int kMaxTextBytes = 1024; // each header text field, UTF-8
inline constexpr int kMaxNameBytes = 200;  // each file name, UTF-8
inline constexpr int kShaBytes = 32;
inline constexpr qsizetype kReplyBytes = 8;

// Why a submission was not taken. The numbers travel in the reply; 0 is
// "accepted". Senders treat a number they do not know as a refusal.
enum class Refusal : quint16
{
    None = 0,
    BadMagic = 1,       // not this protocol
    BadVersion = 2,     // a version this collector does not read
    HeaderTooLarge = 3, // header length over kMaxHeaderBytes
    Malformed = 4,      // the header does not parse or has bytes left over
    BadText = 5,        // a text field is not UTF-8, too long, or the address no IPv4
    TooManyFiles = 6,   // more than kMaxFiles
    TooLarge = 7,       // a file or all files together over kMaxTotalBytes
    UnsafeName = 8,     // a file name that could leave its folder or is not portable
    DuplicateName = 9,  // two file names equal ignoring letter case
    BadHash = 10,       // a file's bytes do not have its SHA-256
    TrailingBytes = 11, // bytes after the last file
    Incomplete = 12,    // the connection ended before the last byte
    TimedOut = 13,      // too slow: idle or total time-out of the connection
    Busy = 14,          // too many connections at once; try again shortly
    RateLimited = 15,   // too many connections from this address lately
    UnknownSet = 16,    // the set is not one of the nine
    StoreFailed = 17,   // the collector could not store it (disk full ...)
};

// A short stable code for logs and the command line ("bad-hash" ...).
QString refusalCode(Refusal refusal);
// The same in Chinese, for the collector's status line ("文件校验值不符" ...).
QString refusalText(Refusal refusal);

struct WorkFile
{
    QString name;
    qint64 size = 0;
    QByteArray sha256; // 32 bytes

    friend bool operator==(const WorkFile&, const WorkFile&) = default;
};

// What the header says. The text fields are those of the score datagram, plus
// an optional token (empty when the sender has none).
struct WorkHeader
{
    QString address; // the sender's IPv4 address, dotted decimal
    QString computer;
    QString name;
    QString set;
    QString score;
    QString token;
    QList<WorkFile> files;

    qint64 totalBytes() const;
    friend bool operator==(const WorkHeader&, const WorkHeader&) = default;
};

// One file as the sender has it.
struct WorkFileData
{
    QString name;
    QByteArray bytes;
};

QByteArray sha256(QByteArrayView bytes);

// Empty when name may be a file name in a submission, else why not (plain
// English): empty, longer than kMaxNameBytes in UTF-8, "." or "..", holding
// "..", a separator, a drive colon or another character Windows forbids, a
// control character, ending in a dot or space, or a Windows device name
// (CON, NUL, COM1 ...). The same rule holds on every platform, so what one
// collector stores another can too.
QString nameProblem(QStringView name);
// Names compared the way a case-blind file system does.
QString caseKey(QStringView name);

// The prefix and header exactly as written, with whatever sizes and hashes
// `header.files` holds (no checks: tests write bad headers with it).
QByteArray encodeHeader(const WorkHeader& header);
// A whole submission: the header with each file's size and SHA-256 taken
// from `files`, then their bytes. `header.files` is ignored.
QByteArray encodeWork(const WorkHeader& header, const QList<WorkFileData>& files);
// The header that encodeWork writes for these files.
WorkHeader describe(WorkHeader header, const QList<WorkFileData>& files);

// The collector's answer: reply magic, version, and the refusal number.
QByteArray encodeReply(Refusal refusal);
// nullopt while fewer than kReplyBytes arrived or when they are not a reply.
std::optional<Refusal> decodeReply(QByteArrayView bytes);

// Where the bytes of the files go once the header passed every check. The
// reader calls begin once, then for each file in order open, write as bytes
// arrive, and close after its hash matched; abandon when the submission is
// refused after begin. A false return refuses the submission with
// StoreFailed; error() says why.
class WorkSink
{
public:
    virtual ~WorkSink() = default;
    virtual bool begin(const WorkHeader& header) = 0;
    virtual bool open(int index, const WorkFile& file) = 0;
    virtual bool write(QByteArrayView bytes) = 0;
    virtual bool close() = 0;
    virtual void abandon() = 0;
    virtual QString error() const = 0;
    // The refusal to report when begin() says no (the set may be unknown
    // to the sink); any later failure is StoreFailed.
    virtual Refusal refusal() const { return Refusal::StoreFailed; }
};

// Keeps every file in memory: for tests and the fuzz target.
class MemorySink : public WorkSink
{
public:
    bool begin(const WorkHeader& header) override;
    bool open(int index, const WorkFile& file) override;
    bool write(QByteArrayView bytes) override;
    bool close() override { return true; }
    void abandon() override { m_contents.clear(); }
    QString error() const override { return {}; }

    const QList<QByteArray>& contents() const { return m_contents; }

private:
    QList<QByteArray> m_contents;
};

// Reads one submission as its bytes arrive, in pieces of any size. The
// header is held until it is whole (at most kMaxHeaderBytes) and checked as a
// whole: magic, version, every text field, the number of files, every size and
// their sum, every name and the names against each other. Only then do file
// bytes go to the sink, each file's SHA-256 computed on the way and compared
// at its last byte. Nothing is read past a refusal.
class WorkReader
{
public:
    enum class State
    {
        NeedMore,
        Complete,
        Refused,
    };

    // Without a sink the reader keeps the files in its own MemorySink.
    explicit WorkReader(WorkSink* sink = nullptr);
    ~WorkReader();
    WorkReader(const WorkReader&) = delete;
    WorkReader& operator=(const WorkReader&) = delete;

    State feed(QByteArrayView bytes);
    // The sender stopped sending: Incomplete unless complete or refused.
    State finish();

    State state() const { return m_state; }
    Refusal refusal() const { return m_refusal; }
    // More about a refusal, plain English (the sink's error for StoreFailed).
    QString detail() const { return m_detail; }
    // Valid once the header has passed its checks.
    const WorkHeader& header() const { return m_header; }
    bool headerRead() const { return m_phase > Phase::Header; }
    // Bytes taken so far, header included.
    qint64 received() const { return m_received; }
    // The files, when the reader keeps them itself.
    const QList<QByteArray>& contents() const;

    // Checks a header body (without the prefix). Refusal::None when it passes.
    static Refusal parseHeader(QByteArrayView body, WorkHeader& header, QString& detail);

private:
    enum class Phase
    {
        Prefix,
        Header,
        Files,
        Done,
    };

    State refuse(Refusal refusal, const QString& detail = {});
    bool takePrefix();
    bool startFiles();
    bool openNextFile();
    bool closeFileAndNext();

    std::unique_ptr<MemorySink> m_own;
    WorkSink* m_sink;
    Phase m_phase = Phase::Prefix;
    State m_state = State::NeedMore;
    Refusal m_refusal = Refusal::None;
    QString m_detail;
    QByteArray m_buffer; // the prefix and header while they arrive
    qint64 m_headerBytes = 0;
    WorkHeader m_header;
    int m_file = 0;        // index of the file being read
    qint64 m_fileLeft = 0; // its bytes still to come
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    qint64 m_received = 0;
    bool m_begun = false;
};

} // namespace velmora::work
