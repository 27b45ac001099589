// SPDX-License-Identifier: MIT
// Velmora's start-up as its main runs it, up to the first paint of the start
// form. Prints "built <ms>" once the window is shown
// and "painted <ms>" (time since main began) and exits.
#include "FirstPaintWatcher.h"
#include "LoginForm.h"
#include "StudentApp.h"
#include "Translation.h"
#include "UiFont.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
    velmora::installChineseQtTranslation();
    velmora::useChineseUiFont();

    velmora::bench::FirstPaintWatcher watcher;
    QObject::connect(&watcher, &velmora::bench::FirstPaintWatcher::painted, &app, [&] {
        std::printf("painted %.3f\n", double(sinceMain.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });

    velmora::student::StudentApp student(velmora::student::Module1::forThisComputer());
    student.start();
    if (!student.loginForm()) {
        std::fprintf(stderr, "startup_probe_velmora: no start form was shown\n");
        return 1;
    }
    watcher.watch(student.loginForm());
    std::printf("built %.3f\n", double(sinceMain.nsecsElapsed()) / 1e6);
    return QApplication::exec();
}
