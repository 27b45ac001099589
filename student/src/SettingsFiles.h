// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace velmora::student {

// The two values the student program keeps between runs, each in its own GBK
// text file: the first line is the value, written without a line end.
//
// The files live in the program folder. Where that folder cannot be written
// (a protected install folder), they go to the per-user configuration folder
// instead, silently; a value found there is newer than the program folder's
// copy and wins when reading.
class SettingsFiles
{
public:
    static inline const QString kHostFile = QStringLiteral("host.wf");
    static inline const QString kUserNameFile = QStringLiteral("UserName.wf");

    // userFolder empty: the platform's per-user configuration folder.
    explicit SettingsFiles(QString programFolder, QString userFolder = {});

    // The value of the named file; empty when the file is missing, empty or
    // unreadable. A missing file is created empty in the program folder.
    QString load(const QString& fileName) const;

    // Replaces the file's content with value; true when it was stored
    // somewhere (program folder or per-user folder).
    bool save(const QString& fileName, const QString& value) const;

    QString programPath(const QString& fileName) const;
    QString userPath(const QString& fileName) const;

private:
    QString m_programFolder;
    QString m_userFolder;
};

} // namespace velmora::student
