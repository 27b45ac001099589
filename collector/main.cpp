// SPDX-License-Identifier: MIT
// Velcoll: the teacher's score collector.
#include "CollectorCommandLine.h"
#include "Gbk.h"
#include "Translation.h"
#include "UiFont.h"
#include "form1.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    // Read before the GUI exists: --help and --version need no display.
    quint16 port = 0;
    const velmora::CommandLineOutcome options =
        velmora::collector::parseCommandLine(velmora::argumentsBeforeGui(argc, argv), &port);
    if (options.exitNow) {
        return velmora::printOutcome(options);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velcoll"));
    // No display name: Qt would append it to every window title on X11
    // ("删除 — ..."), and each box has its own title.

    velmora::installChineseQtTranslation();
    velmora::useChineseUiFont();
    if (const QString problem = velmora::gbkSelfCheck(); !problem.isEmpty()) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), problem);
        return 1;
    }

    velmora::collector::form1 window(port);
    window.show();
    return QApplication::exec();
}
