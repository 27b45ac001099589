// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

namespace velmora::bench {

// A class's worth of page folders for batch marking, made from the full-marks
// page of each set: folder i belongs to set (i mod 9) + 1 and lies in
// <root>/set<N>/p<i>/<the set's page file>. Every fourth page is cut to its
// first half, as a page that is only half done, so that the batch also runs
// through missed checks.
class PageFolders
{
public:
    struct Result
    {
        bool ok = false;
        QString error;     // what went wrong when !ok
        QList<int> perSet; // index 1..9: folders of that set
        int fullPages = 0; // pages copied whole (these earn 25)
        qint64 bytes = 0;  // page bytes written in all
    };

    static int setOf(int i);
    static bool isHalfDone(int i);
    // <root>/set<N>
    static QString setDir(const QString& root, int set);
    static QString folderName(int i);

    // fixtureDir holds set<N>_full.htm for N = 1..9.
    static Result create(const QString& fixtureDir, const QString& root, int count);
};

} // namespace velmora::bench
