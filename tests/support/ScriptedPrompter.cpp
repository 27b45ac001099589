// SPDX-License-Identifier: MIT
#include "ScriptedPrompter.h"

namespace velmora {

ScriptedPrompter::ScriptedPrompter()
{
    Prompter::install(this);
}

ScriptedPrompter::~ScriptedPrompter()
{
    if (&Prompter::current() == this) {
        Prompter::install(nullptr);
    }
}

QMessageBox::StandardButton ScriptedPrompter::show(QWidget*, const Prompt& p)
{
    shown.append(p);
    if (onShow) {
        onShow(p);
    }
    if (!answers.isEmpty()) {
        return answers.takeFirst();
    }
    return p.defaultButton != QMessageBox::NoButton ? p.defaultButton : QMessageBox::Ok;
}

} // namespace velmora
