// SPDX-License-Identifier: MIT
#include "AnsiFile.h"

#include "Gbk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora {

std::optional<QByteArray> readFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<QString> readAnsiFile(const QString& path)
{
    auto bytes = readFileBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    return fromGbk(*bytes);
}

std::optional<QString> readAnsiFirstLine(const QString& path)
{
    auto text = readAnsiFile(path);
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
