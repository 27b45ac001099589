// SPDX-License-Identifier: MIT
// Velcoll's start-up as its main runs it, up to the first paint of its
// window. The one difference: the port is given on the command line (a free
// one), so that the probe never fights a real collector for its port; binding
// costs the same whatever the number. Prints "built <ms>" once the window is shown
// and "painted <ms>" (time since main
// began) and exits.
#include "FirstPaintWatcher.h"
#include "Translation.h"
#include "UiFont.h"
#include "form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velcoll"));
    QApplication::setApplicationDisplayName(velmora::collector::form1::windowCaption());
    velmora::installChineseQtTranslation();
    velmora::useChineseUiFont();

    const QStringList args = QCoreApplication::arguments();
    bool ok = false;
    const uint port = args.size() == 2 ? args[1].toUInt(&ok) : 0;
    if (!ok || port == 0 || port > 65535) {
        std::fprintf(stderr, "usage: startup_probe_velcoll PORT\n");
        return 2;
    }

    velmora::bench::FirstPaintWatcher watcher;
    QObject::connect(&watcher, &velmora::bench::FirstPaintWatcher::painted, &app, [&] {
        std::printf("painted %.3f\n", double(sinceMain.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });

    const QTemporaryDir journal; // no restore question from an earlier run
    velmora::collector::form1 window{quint16(port), journal.path()};
    if (!window.isListening()) {
        std::fprintf(stderr, "startup_probe_velcoll: port %u could not be bound\n", port);
        return 1;
    }
    watcher.watch(&window);
    window.show();
    std::printf("built %.3f\n", double(sinceMain.nsecsElapsed()) / 1e6);
    return QApplication::exec();
}
