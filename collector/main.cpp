// SPDX-License-Identifier: MIT
// Velcoll: the teacher's score collector.
#include "Translation.h"
#include "form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velcoll"));
    // No display name: Qt would append it to every window title on X11
    // ("删除 — ..."), and each box has its own title.

    velmora::installChineseQtTranslation();

    velmora::collector::form1 window;
    window.show();
    return QApplication::exec();
}
