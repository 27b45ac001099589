// SPDX-License-Identifier: MIT
#include "Gbk.h"

#include <QRegularExpression>

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
