// SPDX-License-Identifier: MIT
#include "AnsiFile.h"

#include "Gbk.h"

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
        return {false, QStringLiteral("not a regular file"), true};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {false, file.errorString()};
    }
    // commit() does not report a failed final flush (a full disk) and would put
    // an empty file in place of the old one: flush and check first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        QString why = file.errorString();
        file.cancelWriting();
        return {false, why};
    }
    if (!file.commit()) {
        return {false, file.errorString()};
    }
    return {true, {}};
}

WriteResult writeAnsiFile(const QString& path, QStringView text)
{
    return writeFileBytes(path, toGbk(text));
}

} // namespace velmora
