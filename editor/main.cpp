// SPDX-License-Identifier: MIT
// velmora-editor [PAGE]: the page editor.
#include "EditorWindow.h"
#include "PageProfile.h"
#include "Translation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Chromium's sandbox cannot start for root; rather than refuse, the
    // editor says so and runs without it. Anyone else keeps the sandbox.
    if (geteuid() == 0) {
        std::fputs("velmora-editor: running as root: the browser sandbox is turned off. "
                   "Run the editor as an ordinary user.\n",
                   stderr);
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    velmora::editor::registerPageScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora-editor"));
    QApplication::setApplicationDisplayName(QStringLiteral("网页编辑器"));
    velmora::installChineseQtTranslation();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Velmora's page editor"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("page"), QStringLiteral("The page to open."));
    parser.process(app);

    velmora::editor::EditorWindow window;
    window.show();
    const QStringList pages = parser.positionalArguments();
    if (!pages.isEmpty()) {
        window.openPath(pages.first());
    }
    return app.exec();
}
