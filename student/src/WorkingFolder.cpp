// SPDX-License-Identifier: MIT
#include "WorkingFolder.h"

#include <QDir>
#include <QFileInfo>

namespace velmora::student {

WorkingFolder::WorkingFolder(QString programFolder, QString driveRoot, QString rootWord,
                             int setIndex, QString setName)
    : m_programFolder(std::move(programFolder)), m_driveRoot(std::move(driveRoot)),
      m_rootWord(std::move(rootWord)), m_setIndex(setIndex), m_setName(std::move(setName))
{
}

QString WorkingFolder::taskFile() const
{
    return QDir(m_programFolder).filePath(QStringLiteral("wf/%1.txt").arg(m_setIndex));
}

QString WorkingFolder::templateFolder() const
{
    return QDir(m_programFolder).filePath(QStringLiteral("wf/") + m_setName);
}

QString WorkingFolder::workingRoot() const
{
    return QDir(m_driveRoot).filePath(m_rootWord);
}

QString WorkingFolder::workingFolder() const
{
    return QDir(workingRoot()).filePath(m_setName);
}

// Hidden helpers beside the working folder, on the same volume, so the swap
// is a pair of renames.
QString WorkingFolder::stagingFolder() const
{
    return QDir(workingRoot()).filePath(u'.' + m_setName + QStringLiteral(".velmora-new"));
}

QString WorkingFolder::retiredFolder() const
{
    return QDir(workingRoot()).filePath(u'.' + m_setName + QStringLiteral(".velmora-old"));
}

std::optional<QString> WorkingFolder::readTask() const
{
    return FileSystem::readAll(taskFile());
}

WorkingFolder::Result WorkingFolder::ensure() const
{
    const QString working = workingFolder();
    if (FileSystem::isLink(working)) {
        // Not the student's folder but a way out of the working root: only
        // the link goes, and a real folder takes its place.
        if (!FileSystem::removeLink(working)) {
            return {Outcome::Failed,
                    QStringLiteral("cannot remove the link %1").arg(FileSystem::shown(working))};
        }
    } else if (FileSystem::folderExists(working)) {
        return {Outcome::AlreadyThere, {}};
    }
    return freshCopy(false);
}

WorkingFolder::Result WorkingFolder::redo() const
{
    const QString working = workingFolder();
    // Redo deletes the folder it replaces: a link there would take the
    // deletion wherever it points. Refused, with nothing changed.
    if (FileSystem::isLink(working)) {
        return {Outcome::Failed, QStringLiteral("%1 is a link, not a folder of its own")
                                     .arg(FileSystem::shown(working))};
    }
    return freshCopy(FileSystem::folderExists(working));
}

WorkingFolder::Result WorkingFolder::freshCopy(bool replace) const
{
    const QString source = templateFolder();
    if (!FileSystem::folderExists(QDir(source).filePath(m_setName))) {
        return {Outcome::TemplateMissing,
                QStringLiteral("template folder %1 is missing or has no folder %2")
                    .arg(FileSystem::shown(source), m_setName)};
    }
    if (FsResult root = FileSystem::createFolder(workingRoot()); !root) {
        return {Outcome::Failed, root.error};
    }

    // Leftovers of an earlier run that was cut short.
    const QString staging = stagingFolder();
    const QString retired = retiredFolder();
    // A link there (dangling or not) is removed as a link.
    for (const QString& stale : {staging, retired}) {
        if (QFileInfo::exists(stale) || FileSystem::isLink(stale)) {
            FileSystem::deleteFolder(stale);
        }
    }

    // 1. A complete copy beside the working folder.
    if (FsResult copied = FileSystem::copyFolder(source, staging); !copied) {
        FileSystem::deleteFolder(staging);
        return {Outcome::Failed, copied.error};
    }

    // 2. Swap it in.
    const QString working = workingFolder();
    const QString fresh = QDir(staging).filePath(m_setName);
    if (replace) {
        if (FsResult aside = FileSystem::rename(working, retired); !aside) {
            FileSystem::deleteFolder(staging);
            return {Outcome::Failed, aside.error};
        }
    }
    if (FsResult placed = FileSystem::rename(fresh, working); !placed) {
        if (replace) {
            FileSystem::rename(retired, working);
        }
        FileSystem::deleteFolder(staging);
        return {Outcome::Failed, placed.error};
    }

    // 3. The rest of the template (material beside the set's folder) lands in
    // the working root, replacing files of the same name, as before.
    QString extrasError;
    if (FsResult extras = FileSystem::copyFolder(staging, workingRoot()); !extras) {
        extrasError = extras.error;
    }
    FileSystem::deleteFolder(staging);
    if (replace) {
        // A leftover here is harmless: it is hidden and removed next time.
        FileSystem::deleteFolder(retired);
    }
    return {Outcome::Copied, extrasError};
}

} // namespace velmora::student
