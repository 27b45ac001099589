// SPDX-License-Identifier: MIT
// Velmora, the student program: starts on its start form.
#include "StudentApp.h"
#include "Gbk.h"
#include "Translation.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    // No display name: Qt would append it to every window title on X11
    // ("Velmora系统  V1.0 — Velmora"); untitled message boxes still read
    // "Velmora" through the application name.
    velmora::installChineseQtTranslation();
    if (const QString problem = velmora::gbkSelfCheck(); !problem.isEmpty()) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), problem);
        return 1;
    }

    velmora::student::StudentApp student(velmora::student::Module1::forThisComputer());
    student.start();
    return QApplication::exec();
}
