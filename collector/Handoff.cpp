// SPDX-License-Identifier: MIT
#include "Handoff.h"

#include <QDir>
#include <QFileInfo>

namespace velmora::collector {

const QString& Handoff::workbookFileName()
{
    static const QString name = QStringLiteral("汇总成绩.xls");
    return name;
}

QString Handoff::workbookPath(const QString& folder)
{
    return QDir::toNativeSeparators(QDir(folder).filePath(workbookFileName()));
}

QString Handoff::missingText(const QString& workbook)
{
    return QStringLiteral("找不到“") + workbook +
           QStringLiteral("”，无法进行成绩汇总，请重新安装本软件！");
}

QString Handoff::openByHandText(const QString& workbook)
{
    return QStringLiteral("请打开\"") + workbook +
           QStringLiteral("\"，并按其中“使用说明”工作表的步骤导入成绩进行汇总！");
}

QString Handoff::run(const QString& workbook, const Starter& start, const Starter& openWithDefault)
{
    if (!QFileInfo(workbook).isFile()) {
        return missingText(workbook);
    }
    if (start && start(workbook)) {
        return {};
    }
    if (openWithDefault && openWithDefault(workbook)) {
        return {};
    }
    return openByHandText(workbook);
}

} // namespace velmora::collector
