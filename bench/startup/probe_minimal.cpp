// SPDX-License-Identifier: MIT
// The yardstick for start-up: the least a Qt widgets program does to put a
// window with one label on the screen. Prints "built <ms>" once the window is shown
// and "painted <ms>" (time since main
// began) after its first paint and exits.
#include "FirstPaintWatcher.h"
#include "Twips.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <cstdio>

int main(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    velmora::bench::FirstPaintWatcher watcher;
    QObject::connect(&watcher, &velmora::bench::FirstPaintWatcher::painted, &app, [&] {
        std::printf("painted %.3f\n", double(sinceMain.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });

    QWidget window;
    window.resize(velmora::twipsSize(7500, 5400)); // about the start form's size
    QLabel label(QStringLiteral("Velmora"), &window);
    watcher.watch(&window);
    window.show();
    std::printf("built %.3f\n", double(sinceMain.nsecsElapsed()) / 1e6);
    return QApplication::exec();
}
