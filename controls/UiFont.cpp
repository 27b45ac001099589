// SPDX-License-Identifier: MIT
#include "UiFont.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace velmora {

QStringList preferredChineseFamilies()
{
    return {QStringLiteral("宋体"),
            QStringLiteral("SimSun"),
            QStringLiteral("NSimSun"),
            QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("WenQuanYi Zen Hei"),
            QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Noto Serif CJK SC"),
            QStringLiteral("Source Han Sans SC"),
            QStringLiteral("AR PL UMing CN"),
            QStringLiteral("AR PL UKai CN"),
            QStringLiteral("Droid Sans Fallback")};
}

QString pickChineseFamily(const QStringList& preferred, const QStringList& installed,
                          const QStringList& chineseCapable)
{
    for (const QString& family : preferred) {
        for (const QString& have : installed) {
            if (have.compare(family, Qt::CaseInsensitive) == 0) {
                return have;
            }
        }
    }
    return chineseCapable.isEmpty() ? QString() : chineseCapable.first();
}

QString chineseUiFamily()
{
    static const QString family =
        pickChineseFamily(preferredChineseFamilies(), QFontDatabase::families(),
                          QFontDatabase::families(QFontDatabase::SimplifiedChinese));
    return family;
}

QFont chineseUiFont(qreal pointSize, bool bold)
{
    QFont font = QGuiApplication::font();
    const QString family = chineseUiFamily();
    if (!family.isEmpty()) {
        font.setFamilies({family});
    }
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

void useChineseUiFont()
{
    const QString family = chineseUiFamily();
    if (family.isEmpty()) {
        return;
    }
    QFont font = QGuiApplication::font();
    font.setFamilies({family});
    // The free CJK families carry no hinting instructions of their own:
    // FreeType's automatic hinter then analyses every glyph, which made
    // glyph loading a seventh of start-up. Drawn unhinted they look the
    // same at these sizes. 宋体 keeps the system's own rendering.
    const QStringList songti = preferredChineseFamilies().first(3);
    if (!songti.contains(family, Qt::CaseInsensitive)) {
        font.setHintingPreference(QFont::PreferNoHinting);
    }
    QGuiApplication::setFont(font);
}

} // namespace velmora
