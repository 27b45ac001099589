// SPDX-License-Identifier: MIT
// Velcoll: the teacher's score collector.
#include "form1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velcoll"));
    QApplication::setApplicationDisplayName(velmora::collector::form1::windowCaption());

    // The file dialog's own buttons in Chinese, when the translation is installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }

    velmora::collector::form1 window;
    window.show();
    return QApplication::exec();
}
