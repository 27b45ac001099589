// SPDX-License-Identifier: MIT
#include "Form_menu.h"

#include "ExerciseSets.h"
#include "Prompter.h"
#include "Version.h"

#include <QAction>
#include <QMenu>

namespace velmora::student {

namespace {

QString joinLines(std::initializer_list<std::pair<const char16_t*, int>> lines)
{
    QString text;
    for (const auto& [line, breaks] : lines) {
        text += QString::fromUtf16(line) + QString(breaks, u'\r');
    }
    return text;
}

} // namespace

Form_menu::Form_menu(QWidget* host) : QWidget(host, Qt::Window), m_host(host)
{
    setObjectName(QStringLiteral("Form_menu"));
    setAttribute(Qt::WA_DontShowOnScreen);
    hide();

    lesson_study = new QMenu(QStringLiteral("综合练习(&E)"), this);
    lesson_study->setObjectName(QStringLiteral("lesson_study"));
    for (int i = sets::kFirst; i <= sets::kLast; ++i) {
        QAction* item = lesson_study->addAction(sets::folderName(i));
        item->setObjectName(QStringLiteral("l%1").arg(i));
        connect(item, &QAction::triggered, this, [this, i] { emit setChosen(i); });
        l[static_cast<size_t>(i)] = item;
    }

    help = new QMenu(QStringLiteral("帮助(&H)"), this);
    help->setObjectName(QStringLiteral("help"));
    h = help->addAction(QStringLiteral("帮助"));
    h->setObjectName(QStringLiteral("h"));
    about = help->addAction(QStringLiteral("关于"));
    about->setObjectName(QStringLiteral("about"));
    connect(h, &QAction::triggered, this, &Form_menu::showHelp);
    connect(about, &QAction::triggered, this, &Form_menu::showAbout);
}

QString Form_menu::helpText()
{
    return joinLines({
        {u"╭═══════┤  ◎  帮 助   ◎  ├═══════╮", 2},
        {u"  本软件是参照高中《信息技术基础》(浙教版)第六章", 1},
        {u" 《网页的设计与制作》的内容而编写的。", 2},
        {u" 使用说明：", 1},
        {u" 1、教师机运行“Velcoll程序.exe”。", 1},
        {u" 2、学生机运行“Velmora.exe”。并输入姓名、服", 1},
        {u" 务器IP（即教师机的IP），即可上传成绩。同一电脑同一套题", 1},
        {u" 只能上传一个成绩（多次上传将覆盖前面的成绩）。 ", 1},
        {u" 3、教师导出成绩，可保存为文本文件.txt和电子表格.xls ", 1},
        {u" （成绩表.xls在软件安装目录下）。 ", 2},
        {u" 差错再所难免，欢迎大家多提宝贵意见!  ", 1},
        {u" Velmora开发组  联系方式：见软件附带的说明文件README", 2},
        {u"╰══════┤◎ 欢迎大家批评指正 ◎├══════╯", 0},
    });
}

QString Form_menu::aboutText()
{
    return joinLines({
        {u"════════┤◎ 关 于 ◎├════════", 2},
        {u" Velmora系统  V1.0  版权所有(C) 2026 "
         u"Velmora开发组，以MIT许可证发布（版本" VELMORA_VERSION_U "）",
         2},
        {u" 软件作者:Velmora开发组", 1},
        {u" 联系地址:Velmora课堂练习套件项目", 1},
        {u" 联系方式:见软件附带的说明文件README", 1},
        {u" 电子邮件:请通过项目的问题列表留言", 1},
        {u" 欢迎各位程序爱好者、教师给我留言，共同交流、进步。", 1},
    });
}

void Form_menu::showHelp()
{
    prompt(m_host, Prompt{QStringLiteral("帮助"),
                          helpText(),
                          QMessageBox::NoIcon,
                          QMessageBox::Ok,
                          QMessageBox::NoButton,
                          {}});
}

void Form_menu::showAbout()
{
    prompt(m_host, Prompt{QStringLiteral("关于"),
                          aboutText(),
                          QMessageBox::NoIcon,
                          QMessageBox::Ok,
                          QMessageBox::NoButton,
                          {}});
}

} // namespace velmora::student
