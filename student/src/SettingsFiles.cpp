// SPDX-License-Identifier: MIT
#include "SettingsFiles.h"

#include "FileSystem.h"
#include "Platform.h"

#include <QDir>
#include <QFile>

namespace velmora::student {

SettingsFiles::SettingsFiles(QString programFolder, QString userFolder)
    : m_programFolder(std::move(programFolder)), m_userFolder(std::move(userFolder))
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
    return QDir(m_userFolder).filePath(fileName);
}

QString SettingsFiles::load(const QString& fileName) const
{
    const QString user = userPath(fileName);
    if (!m_userFolder.isEmpty() && FileSystem::fileExists(user)) {
        return FileSystem::readLine(user).value_or(QString());
    }
    const QString path = programPath(fileName);
    if (!FileSystem::fileExists(path)) {
        // A folder we cannot write to simply leaves the value empty.
        FileSystem::createTextFile(path);
        return {};
    }
    return FileSystem::readLine(path).value_or(QString());
}

bool SettingsFiles::save(const QString& fileName, const QString& value) const
{
    if (FileSystem::write(programPath(fileName), value)) {
        // The program folder holds the value again: drop an older per-user copy,
        // which would otherwise win on the next load.
        const QString user = userPath(fileName);
        if (!m_userFolder.isEmpty() && FileSystem::fileExists(user)) {
            QFile::remove(user);
        }
        return true;
    }
    if (m_userFolder.isEmpty() || !FileSystem::createFolder(m_userFolder)) {
        return false;
    }
    return FileSystem::write(userPath(fileName), value).ok;
}

} // namespace velmora::student
