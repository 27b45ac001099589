// SPDX-License-Identifier: MIT
#pragma once

#include "ExerciseSets.h"
#include "ScoreDatagram.h"

#include <QString>
#include <array>

namespace velmora::student {

// The state that the student program's forms share for one run: what the
// student typed, which set is open, and the last score. One instance lives for
// the whole run; the forms read and write it directly.
struct Module1
{
    static constexpr int kSetNameCount = 16;
    static_assert(sets::kFirst + int(sets::kFolderNames.size()) <= kSetNameCount);

    QString studentName;
    QString teacherAddress;
    qint16 currentSet = 0;
    std::array<QString, kSetNameCount> setFolderNames{};
    QString workingRootWord;
    QString scoreText;
    QString exerciseText;

    // Where the program's files live and where the working root goes. Both are
    // taken from the platform unless a caller (a test) sets them.
    QString programFolder;
    QString driveRoot;
    // Where the settings files go when the program folder cannot be written;
    // empty: the platform's per-user configuration folder.
    QString userConfigFolder;
    // The computer-wide defaults (the lab's host.wf); empty: none.
    QString systemSettingsFolder;
    // False for an installed program folder: settings never go there.
    bool programFolderTakesSettings = true;
    // The teacher address given with --server for this run; empty: none.
    QString serverForThisRun;

    // Where and how patiently the score goes out.
    quint16 collectorPort = kCollectorPort;
    int ackTimeoutMs = 800;
    int uploadTries = 3;

    // A state whose folders come from the platform.
    static Module1 forThisComputer();

    // Writes entries 1 to 12 with "第一套" ... "第十二套" and the working root
    // word "WebDo", as every load of the start form does.
    void fillSetNames();

    // The folder name of set index i; empty outside 0..15 (a program fault,
    // which asserts in debug builds).
    QString setFolderName(int i) const;
    // The name of the set that is open now.
    QString currentSetName() const { return setFolderName(currentSet); }
};

} // namespace velmora::student
