// SPDX-License-Identifier: MIT
#include "Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace velmora {

namespace {
const char* const kGbk = "GBK"; // never "GB2312": ICU maps that name to EUC-CN
}

QString fromGbk(QByteArrayView bytes)
{
    QStringDecoder decoder(kGbk);
    Q_ASSERT(decoder.isValid());
    QString text = decoder.decode(bytes);
    // The converter holds a half character at the end back, waiting for its
    // second byte, and would drop it silently. A line feed can never be the
    // second byte of a GBK character: it pushes the half character out as a
    // replacement character, and is then taken off again.
    QString tail = decoder.decode(QByteArrayView("\n", 1));
    tail.chop(1);
    return text + tail;
}

QByteArray toGbk(QStringView text)
{
    QStringEncoder encoder(kGbk);
    Q_ASSERT(encoder.isValid());
    return encoder.encode(text);
}

bool fitsGbk(QStringView text)
{
    QStringEncoder encoder(kGbk, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    return !encoder.hasError() && fromGbk(bytes) == text;
}

namespace {

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// True when text at position at starts with word, letters in either case
// (word is lower case).
bool startsWithWord(QByteArrayView text, qsizetype at, QByteArrayView word)
{
    if (text.size() - at < word.size()) {
        return false;
    }
    for (qsizetype i = 0; i < word.size(); ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z') {
            c = char(c + 32);
        }
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}

// True when the first 1024 bytes declare UTF-8 as the charset: "charset",
// blanks, "=", blanks, an optional quote, blanks, then "utf-8" or "utf8",
// letters in either case (charset=utf-8, charset="UTF8", charset = 'utf-8').
bool declaresUtf8(QByteArrayView bytes)
{
    const QByteArrayView head = bytes.first(qMin<qsizetype>(bytes.size(), 1024));
    const auto skipSpaces = [head](qsizetype at) {
        while (at < head.size() && isAsciiSpace(head[at])) {
            ++at;
        }
        return at;
    };
    for (qsizetype start = 0; start < head.size(); ++start) {
        if (!startsWithWord(head, start, "charset")) {
            continue;
        }
        qsizetype at = skipSpaces(start + 7);
        if (at >= head.size() || head[at] != '=') {
            continue;
        }
        at = skipSpaces(at + 1);
        if (at < head.size() && (head[at] == '"' || head[at] == '\'')) {
            at = skipSpaces(at + 1);
        }
        if (!startsWithWord(head, at, "utf")) {
            continue;
        }
        at += 3;
        if (at < head.size() && head[at] == '-') {
            ++at;
        }
        if (at < head.size() && head[at] == '8') {
            return true;
        }
    }
    return false;
}

} // namespace

QString decodePage(QByteArrayView bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom)) {
        return QString::fromUtf8(bytes.sliced(bom.size()));
    }
    if (declaresUtf8(bytes)) {
        return QString::fromUtf8(bytes);
    }
    return fromGbk(bytes);
}

} // namespace velmora
