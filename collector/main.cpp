// SPDX-License-Identifier: MIT
// Velcoll: the teacher's score collector.
#include "Translation.h"
#include "UiFont.h"
#include "form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velcoll"));
    QApplication::setApplicationDisplayName(velmora::collector::form1::windowCaption());

    velmora::installChineseQtTranslation();
    velmora::useChineseUiFont();

    velmora::collector::form1 window;
    window.show();
    return QApplication::exec();
}
