// SPDX-License-Identifier: MIT
#pragma once

#include "FileSystem.h"

#include <QString>

namespace velmora::student {

// The folders and files of one exercise set:
//   task file        <program>/wf/<k>.txt
//   template folder  <program>/wf/<N>     (holds a folder N, plus any extras)
//   working root     <drive>/WebDo
//   working folder   <drive>/WebDo/<N>
// The template's content is copied into the working root, so its folder N
// becomes the working folder.
class WorkingFolder
{
public:
    enum class Outcome
    {
        AlreadyThere,    // nothing to do: the student's folder exists
        Copied,          // a fresh copy of the template is in place
        TemplateMissing, // no template folder, or it lacks the set's folder
        Failed,          // copying or swapping failed; the old folder is untouched
    };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QString error; // what went wrong, for details
    };

    WorkingFolder(QString programFolder, QString driveRoot, QString rootWord, int setIndex,
                  QString setName);

    QString taskFile() const;
    QString templateFolder() const;
    QString workingRoot() const;
    QString workingFolder() const;

    // The task text, or nullopt when the task file is missing or unreadable.
    std::optional<QString> readTask() const;

    // Makes sure the working folder exists, copying it from the template when
    // it does not; an existing folder is never touched. A link in its place
    // is removed as a link and replaced by a fresh copy.
    Result ensure() const;

    // Replaces the working folder by a fresh copy of the template. The copy is
    // made beside it first and swapped in by renames, so any failure before
    // the swap leaves the student's folder as it was. A missing working
    // folder is simply created; a working folder that is a link is refused
    // (Failed) with nothing changed.
    Result redo() const;

private:
    QString stagingFolder() const;
    QString retiredFolder() const;
    Result freshCopy(bool replace) const;

    QString m_programFolder;
    QString m_driveRoot;
    QString m_rootWord;
    int m_setIndex;
    QString m_setName;
};

} // namespace velmora::student
