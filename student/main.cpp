// SPDX-License-Identifier: MIT
// Velmora, the student program: starts on its start form.
#include "Gbk.h"
#include "StudentApp.h"
#include "StudentCommandLine.h"
#include "Translation.h"
#include "UiFont.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    // Read before the GUI exists: --help and --version need no display.
    const velmora::CommandLineOutcome options =
        velmora::student::parseCommandLine(velmora::argumentsBeforeGui(argc, argv));
    if (options.exitNow) {
        return velmora::printOutcome(options);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    // No display name: Qt would append it to every window title on X11
    // ("Velmora系统  V1.0 — Velmora"); untitled message boxes still read
    // "Velmora" through the application name.
    velmora::installChineseQtTranslation();
    velmora::useChineseUiFont();
    if (const QString problem = velmora::gbkSelfCheck(); !problem.isEmpty()) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), problem);
        return 1;
    }

    velmora::student::Module1 state = velmora::student::Module1::forThisComputer();
    state.serverForThisRun = options.values.value(QStringLiteral("server"));
    velmora::student::StudentApp student(std::move(state));
    student.start();
    return QApplication::exec();
}
