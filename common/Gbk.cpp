// SPDX-License-Identifier: MIT
#include "Gbk.h"

#include <QRegularExpression>
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

QString decodePage(QByteArrayView bytes)
{
    static const QByteArray bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom)) {
        return QString::fromUtf8(bytes.sliced(bom.size()));
    }
    // charset=utf-8, charset="UTF8", charset = 'utf-8' ...
    static const QRegularExpression utf8Charset(
        QStringLiteral("charset\\s*=\\s*[\"']?\\s*utf-?8"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(bytes.first(qMin<qsizetype>(bytes.size(), 1024)));
    if (utf8Charset.match(head).hasMatch()) {
        return QString::fromUtf8(bytes);
    }
    return fromGbk(bytes);
}

} // namespace velmora
