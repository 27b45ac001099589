// SPDX-License-Identifier: MIT
// Velmora, the student program: starts on its start form.
#include "StudentApp.h"
#include "Translation.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
    velmora::installChineseQtTranslation();

    velmora::student::StudentApp student(velmora::student::Module1::forThisComputer());
    student.start();
    return QApplication::exec();
}
