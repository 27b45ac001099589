// SPDX-License-Identifier: MIT
#include "Prompter.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

namespace velmora {

namespace {

class MessageBoxPrompter : public Prompter
{
public:
    QMessageBox::StandardButton show(QWidget* parent, const Prompt& p) override
    {
        const QString title = p.untitled          ? QString()
                              : p.title.isEmpty() ? QApplication::applicationDisplayName()
                                                  : p.title;
        QMessageBox box(p.icon, title, p.text, p.buttons, parent);
        box.setTextFormat(Qt::PlainText);
        if (p.defaultButton != QMessageBox::NoButton) {
            box.setDefaultButton(p.defaultButton);
        }
        if (!p.details.isEmpty()) {
            // In the box under the text, where it can be read at once: Qt's
            // details area would hide it behind a button in a narrow pane.
            box.setInformativeText(p.details);
            // Check descriptions quote page source ("<marquee"): never rich text.
            if (auto* label =
                    box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
                label->setTextFormat(Qt::PlainText);
            }
        }
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }
};

MessageBoxPrompter g_real;
Prompter* g_current = nullptr;

} // namespace

Prompter& Prompter::current()
{
    return g_current ? *g_current : g_real;
}

void Prompter::install(Prompter* p)
{
    g_current = p;
}

QMessageBox::StandardButton prompt(QWidget* parent, const Prompt& p)
{
    return Prompter::current().show(parent, p);
}

} // namespace velmora
