// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

namespace velmora::collector {

// Opening the summary workbook that lies beside the program. No widgets: the
// window shows the text this returns.
class Handoff
{
public:
    using Starter = std::function<bool(const QString& workbook)>;

    static const QString& workbookFileName(); // "汇总成绩.xls"

    // The workbook's path in a folder, in the platform's native form.
    static QString workbookPath(const QString& folder);

    // "找不到“path”，无法进行成绩汇总，请重新安装本软件！"
    static QString missingText(const QString& workbook);
    // "请打开"path"，并按其中“使用说明”工作表的步骤导入成绩进行汇总！"
    // (the workbook has no macros and so no button of its own)
    static QString openByHandText(const QString& workbook);

    // Starts the spreadsheet on the workbook: first the platform's own way
    // (on Windows the two fixed Excel paths), then the desktop's default
    // program for the file type. Returns an empty text when one of them
    // started, otherwise the message to show: the workbook is missing, or no
    // spreadsheet program could be started.
    static QString run(const QString& workbook, const Starter& start,
                       const Starter& openWithDefault = {});
};

} // namespace velmora::collector
