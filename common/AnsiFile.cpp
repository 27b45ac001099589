// SPDX-License-Identifier: MIT
#include "AnsiFile.h"

#include "Gbk.h"
#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora {

namespace {

FileRead failed(ReadFailure failure, QString reason)
{
    return {std::nullopt, failure, std::move(reason)};
}

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0) {
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    }
    if (bytes >= 1024 && bytes % 1024 == 0) {
        return QStringLiteral("%1 KiB").arg(bytes / 1024);
    }
    return QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

FileRead readRegularFile(const QString& path, qint64 limit)
{
    // A first look without opening: opening a pipe waits for a writer, and
    // opening some devices has effects of its own.
    const QFileInfo info(path);
    if (!info.exists()) {
        return failed(ReadFailure::Missing, QStringLiteral("no such file"));
    }
    if (!info.isFile()) {
        return failed(ReadFailure::NotAFile, info.isDir() ? QStringLiteral("a folder, not a file")
                                                          : QStringLiteral("not a regular file"));
    }
    const QString tooLarge = QStringLiteral("larger than ") + sizeText(limit);
    if (info.size() > limit) {
        return failed(ReadFailure::TooLarge, tooLarge);
    }
    // The name may have been swapped for a pipe since: the platform opens
    // without waiting and checks the opened file again.
    QFile file;
    QString why;
    switch (platform::openRegularFile(file, path, why)) {
    case platform::OpenResult::Opened:
        break;
    case platform::OpenResult::NotRegular:
        return failed(ReadFailure::NotAFile, QStringLiteral("not a regular file"));
    case platform::OpenResult::Failed:
        return failed(ReadFailure::Unreadable, why);
    }
    // Read one byte more than allowed: a file that grew past the limit is
    // refused instead of cut.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        return failed(ReadFailure::Unreadable, file.errorString());
    }
    if (bytes.size() > limit) {
        return failed(ReadFailure::TooLarge, tooLarge);
    }
    return {std::move(bytes), ReadFailure::None, {}};
}

std::optional<QByteArray> readFileBytes(const QString& path, qint64 limit)
{
    return readRegularFile(path, limit).bytes;
}

std::optional<QString> readAnsiFile(const QString& path, qint64 limit)
{
    auto bytes = readFileBytes(path, limit);
    if (!bytes) {
        return std::nullopt;
    }
    return fromGbk(*bytes);
}

std::optional<QString> readAnsiFirstLine(const QString& path, qint64 limit)
{
    auto text = readAnsiFile(path, limit);
    if (!text || text->isEmpty()) {
        return std::nullopt;
    }
    qsizetype end = 0;
    while (end < text->size() && text->at(end) != u'\r' && text->at(end) != u'\n') {
        ++end;
    }
    return text->left(end);
}

WriteResult writeFileBytes(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        return {false, QStringLiteral("not a regular file"), true, WriteStep::Open};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {false, file.errorString(), false, WriteStep::Open};
    }
    // commit() does not report a failed final flush (a full disk) and would put
    // an empty file in place of the old one: write and flush and check first.
    if (file.write(bytes) != bytes.size()) {
        QString why = file.errorString();
        file.cancelWriting();
        return {false, why, false, WriteStep::Write};
    }
    if (!file.flush()) {
        QString why = file.errorString();
        file.cancelWriting();
        return {false, why, false, WriteStep::Flush};
    }
    // The bytes are out; what commit() can still fail at is the rename.
    if (!file.commit()) {
        return {false, file.errorString(), false, WriteStep::Rename};
    }
    return {true, {}};
}

QString writeFailureText(const QString& path, const WriteResult& result)
{
    const QFileInfo target(path);
    const QString file = QDir::toNativeSeparators(target.absoluteFilePath());
    const QString folder = QDir::toNativeSeparators(target.absolutePath());
    if (result.notAFile) {
        return QStringLiteral("“") + file + QStringLiteral("”不是普通文件，不能保存在这里。");
    }
    QString step;
    switch (result.step) {
    case WriteStep::Open:
        step = QStringLiteral("无法在文件夹“") + folder + QStringLiteral("”中建立新文件");
        break;
    case WriteStep::Write:
        step = QStringLiteral("写入“") + file + QStringLiteral("”的新内容失败");
        break;
    case WriteStep::Flush:
        step = QStringLiteral("把“") + file + QStringLiteral("”的新内容写到磁盘上失败");
        break;
    case WriteStep::Rename:
        step = QStringLiteral("无法用新文件替换“") + file + QStringLiteral("”");
        break;
    case WriteStep::None:
        return {};
    }
    return step + QStringLiteral("：") + result.error;
}

WriteResult writeAnsiFile(const QString& path, QStringView text)
{
    return writeFileBytes(path, toGbk(text));
}

} // namespace velmora
