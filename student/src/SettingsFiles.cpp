// SPDX-License-Identifier: MIT
#include "SettingsFiles.h"

#include "FileSystem.h"
#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace velmora::student {

namespace {

// The file's first line; empty when the file is missing, empty or unreadable.
QString valueOf(const QString& path)
{
    if (path.isEmpty() || !FileSystem::fileExists(path)) {
        return {};
    }
    return FileSystem::readLine(path).value_or(QString());
}

} // namespace

SettingsFiles::SettingsFiles(QString programFolder, QString userFolder, QString systemFolder,
                             bool programFolderTakesSettings)
    : m_programFolder(std::move(programFolder)), m_userFolder(std::move(userFolder)),
      m_systemFolder(std::move(systemFolder)),
      m_programFolderTakesSettings(programFolderTakesSettings)
{
    if (m_userFolder.isEmpty()) {
        m_userFolder = platform::userSettingsFolder();
    }
}

QString SettingsFiles::programPath(const QString& fileName) const
{
    return QDir(m_programFolder).filePath(fileName);
}

QString SettingsFiles::userPath(const QString& fileName) const
{
    return m_userFolder.isEmpty() ? QString() : QDir(m_userFolder).filePath(fileName);
}

QString SettingsFiles::systemPath(const QString& fileName) const
{
    return m_systemFolder.isEmpty() ? QString() : QDir(m_systemFolder).filePath(fileName);
}

SettingsFiles::Found SettingsFiles::defaultValue(const QString& fileName) const
{
    for (const QString& path : {programPath(fileName), systemPath(fileName)}) {
        const QString value = valueOf(path);
        if (!value.isEmpty()) {
            return {value, QFileInfo(path).lastModified()};
        }
    }
    return {};
}

QString SettingsFiles::load(const QString& fileName) const
{
    const QString path = programPath(fileName);
    if (m_programFolderTakesSettings && !FileSystem::fileExists(path)) {
        // A folder we cannot write to simply leaves the file missing.
        FileSystem::createTextFile(path);
    }
    const Found fallback = defaultValue(fileName);
    const QString user = userPath(fileName);
    const QString own = valueOf(user);
    if (own.isEmpty()) {
        return fallback.value;
    }
    if (!fallback.value.isEmpty() && fallback.changed > QFileInfo(user).lastModified()) {
        return fallback.value;
    }
    return own;
}

bool SettingsFiles::save(const QString& fileName, const QString& value) const
{
    const QString user = userPath(fileName);
    if (m_programFolderTakesSettings && FileSystem::write(programPath(fileName), value)) {
        // The program folder holds the value again: drop an older per-user copy,
        // which would otherwise win on the next load.
        if (!user.isEmpty() && FileSystem::fileExists(user)) {
            QFile::remove(user);
        }
        return true;
    }
    if (user.isEmpty()) {
        return false;
    }
    if (value == defaultValue(fileName).value) {
        // Nothing of the student's own to keep: later defaults reach him.
        return !FileSystem::fileExists(user) || QFile::remove(user);
    }
    if (!FileSystem::createFolder(m_userFolder)) {
        return false;
    }
    return FileSystem::write(user, value).ok;
}

} // namespace velmora::student
