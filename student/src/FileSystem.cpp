// SPDX-License-Identifier: MIT
#include "FileSystem.h"

#include "AnsiFile.h"
#include "Gbk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora::student {

namespace {

constexpr QFileDevice::Permissions kWritable = QFileDevice::WriteOwner | QFileDevice::WriteUser;

void makeWritable(const QString& path)
{
    if (!FileSystem::isLink(path)) {
        QFile::setPermissions(path, QFile::permissions(path) | kWritable);
    }
}

// Removes a folder and everything in it. Links and junctions inside are
// removed as links: whatever they point to is never entered.
bool removeTree(const QString& path)
{
    // Read-only entries would stop the removal: lift the flag first (folders
    // need it on Unix, files on Windows).
    makeWritable(path);
    const auto entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                  QDir::NoDotAndDotDot);
    bool ok = true;
    for (const QFileInfo& entry : entries) {
        const QString child = entry.filePath();
        if (FileSystem::isLink(child)) {
            ok = FileSystem::removeLink(child) && ok;
        } else if (entry.isDir()) {
            ok = removeTree(child) && ok;
        } else {
            makeWritable(child);
            ok = QFile::remove(child) && ok;
        }
    }
    return QDir().rmdir(path) && ok;
}

} // namespace

bool FileSystem::isLink(const QString& path)
{
    const QFileInfo info(path);
    return info.isSymLink() || info.isJunction();
}

bool FileSystem::removeLink(const QString& path)
{
    if (!isLink(path)) {
        return false;
    }
    // A link to a folder is a folder entry on Windows (rmdir removes the
    // link there, never the target); elsewhere every link is removed as a file.
    return QFile::remove(path) || QDir().rmdir(path);
}

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
    if (isLink(path)) {
        // Only the link goes; what it points to is not ours.
        if (!removeLink(path)) {
            return FsResult::failure(QStringLiteral("cannot remove link %1").arg(shown(path)));
        }
        return FsResult::success();
    }
    if (!folderExists(path)) {
        return FsResult::failure(QStringLiteral("folder %1 does not exist").arg(shown(path)));
    }
    if (!removeTree(path)) {
        return FsResult::failure(QStringLiteral("cannot delete %1 completely").arg(shown(path)));
    }
    return FsResult::success();
}

FsResult FileSystem::copyFolder(const QString& source, const QString& destination, bool overwrite)
{
    if (!folderExists(source)) {
        return FsResult::failure(QStringLiteral("folder %1 does not exist").arg(shown(source)));
    }
    // A link where a folder of the copy belongs is removed, never written
    // through: the copy stays inside its own folder.
    if (isLink(destination) && !removeLink(destination)) {
        return FsResult::failure(QStringLiteral("cannot remove link %1").arg(shown(destination)));
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
        if (QFileInfo::exists(target) || isLink(target)) {
            if (!overwrite) {
                return FsResult::failure(QStringLiteral("%1 already exists").arg(shown(target)));
            }
            if (isLink(target)) {
                if (!removeLink(target)) {
                    return FsResult::failure(
                        QStringLiteral("cannot remove link %1").arg(shown(target)));
                }
            } else if (QFileInfo(target).isDir()) {
                return FsResult::failure(
                    QStringLiteral("%1 is a folder, not a file").arg(shown(target)));
            } else {
                makeWritable(target);
                if (!QFile::remove(target)) {
                    return FsResult::failure(
                        QStringLiteral("cannot replace %1").arg(shown(target)));
                }
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
    return readAnsiFile(path, kMaxTaskBytes);
}

std::optional<QString> FileSystem::readLine(const QString& path)
{
    if (!fileExists(path)) {
        return std::nullopt;
    }
    return readAnsiFirstLine(path, kMaxSettingsBytes);
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
