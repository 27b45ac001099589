// SPDX-License-Identifier: MIT
#include "PageFile.h"

#include "AnsiFile.h"
#include "Gbk.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace velmora::editor {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

DiskStamp stampOf(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    DiskStamp stamp;
    stamp.exists = info.exists();
    stamp.size = bytes.size();
    stamp.modified = info.lastModified();
    stamp.digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return stamp;
}

QString readFailureText(const QString& path, ReadFailure failure)
{
    const QString name = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    switch (failure) {
    case ReadFailure::Missing:
        return QStringLiteral("找不到网页“") + name + QStringLiteral("”。");
    case ReadFailure::NotAFile:
        return QStringLiteral("“") + name +
               QStringLiteral("”不是普通文件（可能是文件夹或设备），不能打开。");
    case ReadFailure::TooLarge:
        return QStringLiteral("网页“") + name + QStringLiteral("”超过 16 MB，不能打开。");
    case ReadFailure::Unreadable:
        return QStringLiteral("无法读取网页“") + name + QStringLiteral("”。");
    case ReadFailure::None:
        break;
    }
    return {};
}

} // namespace

PageEncoding pageEncoding(QByteArrayView bytes)
{
    if (bytes.startsWith(kBom)) {
        return PageEncoding::Utf8;
    }
    static const QRegularExpression utf8Declared(QStringLiteral(R"(charset\s*=\s*["']?\s*utf-?8)"),
                                                 QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), 1024)));
    return utf8Declared.match(head).hasMatch() ? PageEncoding::Utf8 : PageEncoding::Gbk;
}

OpenedPage openPage(const QString& path)
{
    OpenedPage page;
    const FileRead read = readRegularFile(path, kMaxPageBytes);
    if (!read.bytes) {
        page.error = readFailureText(path, read.failure);
        return page;
    }
    const QByteArray& bytes = *read.bytes;
    page.encoding = pageEncoding(bytes);
    page.byteOrderMark = bytes.startsWith(kBom);
    page.text = decodePage(bytes);
    page.stamp = stampOf(path, bytes);
    page.ok = true;
    return page;
}

QByteArray encodePage(QStringView text, PageEncoding encoding, bool byteOrderMark)
{
    QString lines;
    lines.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            lines += u"\r\n";
        } else if (c == u'\n') {
            lines += u"\r\n";
        } else {
            lines += c;
        }
    }
    if (encoding == PageEncoding::Utf8) {
        return (byteOrderMark ? kBom : QByteArray()) + lines.toUtf8();
    }
    if (fitsGbk(lines)) {
        return toGbk(lines);
    }
    // Character by character (a surrogate pair as one) for the few that GBK lacks.
    QString safe;
    safe.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype width = lines[i].isHighSurrogate() && i + 1 < lines.size() ? 2 : 1;
        const QStringView one = QStringView(lines).sliced(i, width);
        if (fitsGbk(one)) {
            safe += one;
        } else {
            const char32_t code =
                width == 2 ? QChar::surrogateToUcs4(one[0], one[1]) : one[0].unicode();
            safe += QStringLiteral("&#") + QString::number(code) + u';';
        }
        i += width - 1;
    }
    return toGbk(safe);
}

SavedPage savePage(const QString& path, const QByteArray& bytes)
{
    SavedPage saved;
    const WriteResult result = writeFileBytes(path, bytes);
    if (!result.ok) {
        saved.error = writeFailureText(path, result);
        return saved;
    }
    saved.ok = true;
    saved.stamp = stampOf(path, bytes);
    return saved;
}

DiskStamp diskStamp(const QString& path)
{
    const FileRead read = readRegularFile(path, kMaxPageBytes);
    if (!read.bytes) {
        DiskStamp stamp;
        stamp.exists = QFileInfo::exists(path);
        return stamp;
    }
    return stampOf(path, *read.bytes);
}

} // namespace velmora::editor
