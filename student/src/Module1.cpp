// SPDX-License-Identifier: MIT
#include "Module1.h"

#include "ExerciseSets.h"
#include "Platform.h"

namespace velmora::student {

Module1 Module1::forThisComputer()
{
    Module1 m;
    m.programFolder = platform::programFolder();
    m.driveRoot = platform::driveRoot();
    m.systemSettingsFolder = platform::systemSettingsFolder();
    m.programFolderTakesSettings = !platform::isInstalledProgramFolder(m.programFolder);
    return m;
}

void Module1::fillSetNames()
{
    for (int i = sets::kFirst; i < sets::kFirst + int(sets::kFolderNames.size()); ++i) {
        setFolderNames[static_cast<size_t>(i)] = sets::folderName(i);
    }
    workingRootWord = QStringLiteral("WebDo");
}

QString Module1::setFolderName(int i) const
{
    Q_ASSERT_X(i >= 0 && i < kSetNameCount, "Module1::setFolderName", "set index out of range");
    if (i < 0 || i >= kSetNameCount) {
        return {};
    }
    return setFolderNames[static_cast<size_t>(i)];
}

} // namespace velmora::student
