// SPDX-License-Identifier: MIT
#include "PageScore.h"

#include <QDir>
#include <QFileInfo>

namespace velmora::editor {

int setOfPage(const QString& pagePath)
{
    const QString folder = QFileInfo(pagePath).absoluteDir().dirName();
    for (int set = marking::kFirstSet; set <= marking::kLastSet; ++set) {
        if (folder == marking::setFolderName(set)) {
            return set;
        }
    }
    return 0;
}

QString scoreLine(const marking::MarkResult& result)
{
    return QStringLiteral("当前得分：") + QString::number(result.total) + QStringLiteral("/25");
}

QString failedChecks(const marking::MarkResult& result)
{
    QStringList lines;
    for (const marking::CheckOutcome& check : result.checks) {
        if (!check.passed) {
            lines << QStringLiteral("第%1题：%2（%3分）")
                         .arg(check.question)
                         .arg(check.description)
                         .arg(check.points);
        }
    }
    if (lines.isEmpty()) {
        return result.pageFound ? QStringLiteral("全部要求都已做到。") : QString();
    }
    return QStringLiteral("还没做到：\n") + lines.join(u'\n');
}

} // namespace velmora::editor
