// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace velmora::bench {

// The CSV that `velmora-mark --batch` prints: a header
// "folder,q1,q2,q3,q4,q5,total", then one line per folder; a folder without
// its page has empty score fields.
struct BatchCsv
{
    struct Line
    {
        QString folder;
        int total = -1; // -1: the page was missing
    };

    bool ok = false;
    QString error; // the first line that does not fit, when !ok
    QList<Line> lines;

    static BatchCsv parse(QByteArrayView output);
};

} // namespace velmora::bench
