// SPDX-License-Identifier: MIT
// Velcoll: the teacher's score collector.
#include "Gbk.h"
#include "Translation.h"
#include "form1.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velcoll"));
    QApplication::setApplicationDisplayName(velmora::collector::form1::windowCaption());

    velmora::installChineseQtTranslation();
    if (const QString problem = velmora::gbkSelfCheck(); !problem.isEmpty()) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), problem);
        return 1;
    }

    velmora::collector::form1 window;
    window.show();
    return QApplication::exec();
}
