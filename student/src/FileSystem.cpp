// SPDX-License-Identifier: MIT
#include "FileSystem.h"

#include "AnsiFile.h"
#include "Gbk.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora::student {

namespace {

constexpr QFileDevice::Permissions kWritable = QFileDevice::WriteOwner | QFileDevice::WriteUser;

void makeWritable(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        QFile::setPermissions(path, QFile::permissions(path) | kWritable);
    }
}

} // namespace

bool FileSystem::fileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool FileSystem::folderExists(const QString& path)
{
    return QFileInfo(path).isDir();
}

FsResult FileSystem::createFolder(const QString& path)
{
    if (folderExists(path)) {
        return FsResult::success();
    }
    if (!QDir().mkpath(path) || !folderExists(path)) {
        return FsResult::failure(QStringLiteral("cannot create folder %1").arg(shown(path)));
    }
    return FsResult::success();
}

FsResult FileSystem::deleteFolder(const QString& path)
{
    if (!folderExists(path)) {
        return FsResult::failure(QStringLiteral("folder %1 does not exist").arg(shown(path)));
    }
    // Read-only entries would stop the removal: lift the flag first (folders
    // need it on Unix, files on Windows).
    makeWritable(path);
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        makeWritable(it.next());
    }
    if (!QDir(path).removeRecursively()) {
        return FsResult::failure(QStringLiteral("cannot delete %1 completely").arg(shown(path)));
    }
    return FsResult::success();
}

FsResult FileSystem::copyFolder(const QString& source, const QString& destination, bool overwrite)
{
    if (!folderExists(source)) {
        return FsResult::failure(QStringLiteral("folder %1 does not exist").arg(shown(source)));
    }
    if (FsResult made = createFolder(destination); !made) {
        return made;
    }
    const QDir from(source);
    const QDir to(destination);
    const auto entries = from.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString target = to.filePath(entry.fileName());
        if (entry.isDir() && !entry.isSymLink()) {
            if (FsResult sub = copyFolder(entry.filePath(), target, overwrite); !sub) {
                return sub;
            }
            continue;
        }
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
            if (!overwrite) {
                return FsResult::failure(QStringLiteral("%1 already exists").arg(shown(target)));
            }
            if (QFileInfo(target).isDir()) {
                return FsResult::failure(
                    QStringLiteral("%1 is a folder, not a file").arg(shown(target)));
            }
            makeWritable(target);
            if (!QFile::remove(target)) {
                return FsResult::failure(QStringLiteral("cannot replace %1").arg(shown(target)));
            }
        }
        if (!QFile::copy(entry.filePath(), target)) {
            return FsResult::failure(
                QStringLiteral("cannot copy %1 to %2").arg(shown(entry.filePath()), shown(target)));
        }
        makeWritable(target);
    }
    return FsResult::success();
}

FsResult FileSystem::rename(const QString& from, const QString& to)
{
    if (!QDir().rename(from, to)) {
        return FsResult::failure(
            QStringLiteral("cannot rename %1 to %2").arg(shown(from), shown(to)));
    }
    return FsResult::success();
}

FsResult FileSystem::createTextFile(const QString& path)
{
    return write(path, QString());
}

std::optional<QString> FileSystem::readAll(const QString& path)
{
    if (!fileExists(path)) {
        return std::nullopt;
    }
    return readAnsiFile(path);
}

std::optional<QString> FileSystem::readLine(const QString& path)
{
    if (!fileExists(path)) {
        return std::nullopt;
    }
    return readAnsiFirstLine(path);
}

FsResult FileSystem::write(const QString& path, const QString& text)
{
    // Complete or untouched, a full disk included, so a value that cannot be
    // written goes to the per-user folder instead of being lost.
    const WriteResult written = writeAnsiFile(path, text);
    if (!written.ok) {
        return FsResult::failure(
            QStringLiteral("cannot write %1: %2").arg(shown(path), written.error));
    }
    return FsResult::success();
}

QString FileSystem::shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace velmora::student
