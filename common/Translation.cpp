// SPDX-License-Identifier: MIT
#include "Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace velmora {

void installChineseQtTranslation()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    // Qt's translations folder, else the copy built into the program (Windows).
    const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QStringLiteral(":/translations")};
    for (const QString& folder : folders) {
        if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                             QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
    }
    delete translator;
}

} // namespace velmora
