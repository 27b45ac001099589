// SPDX-License-Identifier: MIT
#include "Gbk.h"

namespace velmora {

QString gbkSelfCheck()
{
    // 中文 and the euro sign at 0x80, both ways.
    const QString text = QStringLiteral("\u4E2D\u6587\u20AC");
    const QByteArray bytes("\xD6\xD0\xCE\xC4\x80");
    if (toGbk(text) == bytes && fromGbk(bytes) == text) {
        return {};
    }
    return QStringLiteral("本计算机无法转换GBK编码的文字，程序不能正常工作，即将退出。");
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
