// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// The Chinese user-interface font, chosen once among the installed families.
// Asking for a family that is not installed costs a font-configuration
// lookup each time a font is resolved; naming an installed one costs none.
namespace velmora {

// The families a Chinese window is drawn in, best first: "宋体" and its Latin
// names where they exist (Windows), then the common free CJK families.
QStringList preferredChineseFamilies();

// The first of preferred that installed holds (compared without regard to
// case, answered in installed's spelling); else the first of chineseCapable;
// else empty.
QString pickChineseFamily(const QStringList& preferred, const QStringList& installed,
                          const QStringList& chineseCapable);

// The pick for this system, resolved on first use and kept; empty when no
// installed family can show Chinese. Needs a QGuiApplication.
QString chineseUiFamily();

// A font of the Chinese user-interface family at a size in points.
QFont chineseUiFont(qreal pointSize, bool bold = false);

// Makes the Chinese user-interface family the application font, keeping
// its size. Call once, right after the application object is made.
void useChineseUiFont();

} // namespace velmora
