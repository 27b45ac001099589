// SPDX-License-Identifier: MIT
#pragma once

#include "Prompter.h"

#include <QList>
#include <QMessageBox>

#include <functional>

namespace velmora {

// Answers the programs' message boxes without a person: records every prompt
// and answers from a queue (the default button, else Ok, when the queue is
// empty). Installed as the current prompter for its lifetime.
class ScriptedPrompter : public Prompter
{
public:
    ScriptedPrompter();
    ~ScriptedPrompter() override;
    ScriptedPrompter(const ScriptedPrompter&) = delete;
    ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

    QMessageBox::StandardButton show(QWidget* parent, const Prompt& prompt) override;

    QList<Prompt> shown;
    QList<QMessageBox::StandardButton> answers;
    // Runs while a prompt is "open", e.g. to check that a window stays responsive.
    std::function<void(const Prompt&)> onShow;
};

} // namespace velmora
