// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>

namespace velmora::student {

// The two values the student program keeps between runs, each in its own GBK
// text file: the first line is the value, written without a line end.
//
// A value is looked for in three places, first found wins:
//   1. the student's own copy in the per-user configuration folder,
//   2. the file in the program folder,
//   3. the computer's default file (an IT person's, for a whole lab).
// A missing or empty file is no value. The program folder's and the
// computer's file are the default; a default file changed after the student's
// copy was written wins over that copy, so a new lab-wide address reaches
// everyone.
//
// Saving goes to the program folder when it takes settings (a build or a
// portable copy); an installed or read-only program folder is never written,
// and the value goes to the student's own copy instead, but only when it
// differs from the default: a student who leaves the default as it is keeps
// no copy, and later defaults reach him.
class SettingsFiles
{
public:
    static inline const QString kHostFile = QStringLiteral("host.wf");
    static inline const QString kUserNameFile = QStringLiteral("UserName.wf");

    // userFolder empty: the platform's per-user configuration folder.
    // systemFolder empty: no computer-wide default.
    // programFolderTakesSettings false: an installed program folder, where
    // nothing is created or written.
    explicit SettingsFiles(QString programFolder, QString userFolder = {},
                           QString systemFolder = {}, bool programFolderTakesSettings = true);

    // The value of the named file by the order above. When the program folder
    // takes settings, a missing file there is created empty.
    QString load(const QString& fileName) const;

    // Stores the value as described above; true when it is stored (or, equal
    // to the default, needs no copy).
    bool save(const QString& fileName, const QString& value) const;

    QString programPath(const QString& fileName) const;
    QString userPath(const QString& fileName) const;
    QString systemPath(const QString& fileName) const;

private:
    struct Found
    {
        QString value;
        QDateTime changed;
    };
    // The first non-empty value of the program folder's and the computer's
    // file, with the time its file was last changed.
    Found defaultValue(const QString& fileName) const;

    QString m_programFolder;
    QString m_userFolder;
    QString m_systemFolder;
    bool m_programFolderTakesSettings = true;
};

} // namespace velmora::student
