// SPDX-License-Identifier: MIT
// GBK through code page 936 of the Win32 API: Qt for Windows is built without
// ICU, and there Qt has no GBK converter at all. Converts exactly as the ICU
// converter does on the other desktops: a byte that cannot start or complete a
// character becomes one replacement character and the next byte is read
// afresh, and every code point without a GBK form is written as '?'.
#include "Gbk.h"

#include <windows.h>

namespace velmora {

namespace {

constexpr UINT kCodePage = 936;
// Runs handed to the API in one call stay well within its int sizes.
constexpr qsizetype kRunLimit = 1 << 20;

bool isLead(uchar b)
{
    return b >= 0x81 && b <= 0xFE;
}

bool isTrail(uchar b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Appends the characters of well-formed GBK bytes; false when the code page
// rejects any of them (and nothing is appended).
bool appendDecoded(QByteArrayView run, QString& out)
{
    if (run.isEmpty()) {
        return true;
    }
    const int size = static_cast<int>(run.size());
    const int wide =
        MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), size, nullptr, 0);
    if (wide <= 0) {
        return false;
    }
    const qsizetype at = out.size();
    out.resize(at + wide);
    MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), size,
                        reinterpret_cast<wchar_t*>(out.data() + at), wide);
    return true;
}

// A run the code page rejected as a whole: character by character, with a
// replacement character for each one it rejects.
void appendEachDecoded(QByteArrayView run, QString& out)
{
    for (qsizetype i = 0; i < run.size();) {
        const qsizetype length = isLead(uchar(run[i])) && i + 1 < run.size() ? 2 : 1;
        if (!appendDecoded(run.sliced(i, length), out)) {
            out += QChar(QChar::ReplacementCharacter);
        }
        i += length;
    }
}

void appendRun(QByteArrayView run, QString& out)
{
    if (!appendDecoded(run, out)) {
        appendEachDecoded(run, out);
    }
}

// Appends the GBK form of one BMP character, or '?' when it has none.
bool appendEncoded(QChar c, QByteArray& out)
{
    const wchar_t wide = static_cast<wchar_t>(c.unicode());
    char bytes[4];
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes,
                                         sizeof bytes, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) {
        out += '?';
        return false;
    }
    out.append(bytes, size);
    return true;
}

QByteArray encode(QStringView text, bool* lossless)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    bool clean = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            out += char(c.unicode());
        } else if (c.isSurrogate()) {
            // GBK has no characters beyond the BMP: a pair is one '?', and so
            // is a surrogate without its partner.
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                ++i;
            }
            out += '?';
            clean = false;
        } else {
            clean = appendEncoded(c, out) && clean;
        }
    }
    if (lossless) {
        *lossless = clean;
    }
    return out;
}

} // namespace

QString fromGbk(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const uchar b = uchar(bytes[i]);
        qsizetype length = 1;
        bool valid = true;
        if (isLead(b)) {
            if (i + 1 < bytes.size() && isTrail(uchar(bytes[i + 1]))) {
                length = 2;
            } else {
                valid = false; // the next byte is read afresh
            }
        }
        if (!valid || b == 0xFF) {
            appendRun(bytes.sliced(runStart, i - runStart), text);
            // The code page writes U+F8F5 as 0xFF, as ICU does both ways, but
            // some versions of the API refuse to read it back.
            text += valid ? QChar(0xF8F5) : QChar(QChar::ReplacementCharacter);
            runStart = i + 1;
        } else if (i + length - runStart >= kRunLimit) {
            appendRun(bytes.sliced(runStart, i + length - runStart), text);
            runStart = i + length;
        }
        i += length;
    }
    appendRun(bytes.sliced(runStart), text);
    return text;
}

QByteArray toGbk(QStringView text)
{
    return encode(text, nullptr);
}

bool fitsGbk(QStringView text)
{
    bool lossless = false;
    const QByteArray bytes = encode(text, &lossless);
    return lossless && fromGbk(bytes) == text;
}

} // namespace velmora
