// SPDX-License-Identifier: MIT
// GBK through Qt's converters, which are backed by ICU on the free desktops.
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
    if (!decoder.isValid()) {
        return {}; // gbkSelfCheck() reports this at start-up
    }
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
    if (!encoder.isValid()) {
        return {};
    }
    QByteArray bytes = encoder.encode(text);
    // The encoder holds a lone high surrogate at the end back for its partner;
    // like every other character without a GBK form it becomes '?'.
    if (!text.isEmpty() && text.back().isHighSurrogate()) {
        bytes += '?';
    }
    return bytes;
}

bool fitsGbk(QStringView text)
{
    QStringEncoder encoder(kGbk, QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) {
        return false;
    }
    QByteArray bytes = encoder.encode(text);
    return !encoder.hasError() && fromGbk(bytes) == text;
}

} // namespace velmora
