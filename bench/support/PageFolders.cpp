// SPDX-License-Identifier: MIT
#include "PageFolders.h"

#include "AnsiFile.h"
#include "Marking.h"

#include <QDir>

namespace velmora::bench {

int PageFolders::setOf(int i)
{
    return marking::kFirstSet + i % marking::kLastSet;
}

bool PageFolders::isHalfDone(int i)
{
    return i % 4 == 3;
}

QString PageFolders::setDir(const QString& root, int set)
{
    return root + QStringLiteral("/set") + QString::number(set);
}

QString PageFolders::folderName(int i)
{
    return QStringLiteral("p%1").arg(i, 4, 10, QLatin1Char('0'));
}

PageFolders::Result PageFolders::create(const QString& fixtureDir, const QString& root, int count)
{
    Result result;
    result.perSet = QList<int>(marking::kLastSet + 1, 0);
    QList<QByteArray> pages(marking::kLastSet + 1);
    for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
        const QString path = fixtureDir + QStringLiteral("/set%1_full.htm").arg(set);
        const auto bytes = readFileBytes(path);
        if (!bytes || bytes->isEmpty()) {
            result.error = QStringLiteral("cannot read the page fixture ") + path;
            return result;
        }
        pages[set] = *bytes;
    }
    for (int i = 0; i < count; ++i) {
        const int set = setOf(i);
        const QString folder = setDir(root, set) + u'/' + folderName(i);
        if (!QDir().mkpath(folder)) {
            result.error = QStringLiteral("cannot create the folder ") + folder;
            return result;
        }
        const QByteArray& page = pages[set];
        const QByteArray bytes = isHalfDone(i) ? page.first(page.size() / 2) : page;
        const WriteResult written =
            writeFileBytes(folder + u'/' + marking::pageFileName(set), bytes);
        if (!written.ok) {
            result.error = QStringLiteral("cannot write a page in ") + folder +
                           QStringLiteral(": ") + written.error;
            return result;
        }
        ++result.perSet[set];
        result.bytes += bytes.size();
        if (!isHalfDone(i)) {
            ++result.fullPages;
        }
    }
    result.ok = true;
    return result;
}

} // namespace velmora::bench
