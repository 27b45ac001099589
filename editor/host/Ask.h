// SPDX-License-Identifier: MIT
#pragma once

#include "Prompter.h"

#include <QMessageBox>
#include <QString>

namespace velmora::editor {

// A message box of the editor. Every message goes through the kit's
// prompter, so tests can answer it.
inline QMessageBox::StandardButton
ask(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    return prompt(parent, Prompt{title, text, icon, buttons, defaultButton, {}, false});
}

} // namespace velmora::editor
