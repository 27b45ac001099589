// SPDX-License-Identifier: MIT
#include "WorkHarness.h"

#include "InputHash.h"
#include "WorkProtocol.h"

#include <QSet>

namespace velmora::fuzz {

using work::Refusal;
using work::WorkReader;

namespace {

// What the reader keeps: every piece it was given must be complete before a
// file is opened, and nothing stays after a refusal.
class CheckingSink : public work::MemorySink
{
public:
    bool begin(const work::WorkHeader& header) override
    {
        ++begun;
        return MemorySink::begin(header);
    }
    void abandon() override
    {
        ++abandoned;
        MemorySink::abandon();
    }
    int begun = 0;
    int abandoned = 0;
};

} // namespace

QString WorkHarness::feed(QByteArrayView bytes)
{
    ++m_inputs;
    CheckingSink wholeSink;
    WorkReader whole(&wholeSink);
    whole.feed(bytes);
    whole.finish();

    // The same bytes in pieces of 1 to 64 bytes, sizes from the hash.
    WorkReader pieces;
    quint32 h = inputHash(bytes);
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype n = qMin<qsizetype>(bytes.size() - at, 1 + (h & 63));
        h = h * 1103515245u + 12345u;
        pieces.feed(bytes.sliced(at, n));
        at += n;
    }
    pieces.finish();

    if (whole.state() != pieces.state() || whole.refusal() != pieces.refusal()) {
        return QStringLiteral("the verdict depends on how the bytes were cut");
    }
    if (whole.state() == WorkReader::State::NeedMore) {
        return QStringLiteral("finish() left the reader waiting");
    }
    if (work::decodeReply(work::encodeReply(whole.refusal())) != whole.refusal()) {
        return QStringLiteral("the reply does not carry its verdict");
    }
    if (whole.received() > bytes.size()) {
        return QStringLiteral("the reader counted more bytes than it was given");
    }
    if (whole.state() == WorkReader::State::Refused) {
        if (whole.refusal() == Refusal::None) {
            return QStringLiteral("a refusal without a reason");
        }
        if (wholeSink.begun != wholeSink.abandoned || !wholeSink.contents().isEmpty()) {
            return QStringLiteral("a refused submission left files behind");
        }
        if (whole.refusal() <= Refusal::DuplicateName && whole.refusal() != Refusal::None &&
            wholeSink.begun != 0) {
            return QStringLiteral("files were kept before the header was refused");
        }
        return {};
    }

    // Complete: everything the header said holds, and it is the input.
    const work::WorkHeader& header = whole.header();
    if (header.files.size() > work::kMaxFiles || header.totalBytes() > work::kMaxTotalBytes) {
        return QStringLiteral("a complete submission is over the limits");
    }
    QSet<QString> keys;
    for (const work::WorkFile& f : header.files) {
        if (!work::nameProblem(f.name).isEmpty()) {
            return QStringLiteral("an unsafe name was accepted");
        }
        if (keys.contains(work::caseKey(f.name))) {
            return QStringLiteral("two names equal but for case were accepted");
        }
        keys.insert(work::caseKey(f.name));
    }
    const QList<QByteArray>& contents = wholeSink.contents();
    if (contents.size() != header.files.size() || pieces.contents() != contents) {
        return QStringLiteral("the files kept differ from the header or between readers");
    }
    QList<work::WorkFileData> files;
    for (qsizetype i = 0; i < contents.size(); ++i) {
        const work::WorkFile& f = header.files.at(i);
        if (contents.at(i).size() != f.size || work::sha256(contents.at(i)) != f.sha256) {
            return QStringLiteral("a kept file does not have its size and SHA-256");
        }
        files.append(work::WorkFileData{f.name, contents.at(i)});
    }
    if (work::encodeWork(header, files) != bytes) {
        return QStringLiteral("encoding what was read does not give the input back");
    }
    return {};
}

} // namespace velmora::fuzz
