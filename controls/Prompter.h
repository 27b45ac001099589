// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

namespace velmora {

// Every modal message box of the programs goes through one Prompter, so that
// tests can answer them without a person.
struct Prompt
{
    QString title; // empty: the application's title (see untitled)
    QString text;  // lines separated by CR
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString details;       // optional lines shown under the text, in the box itself
    bool untitled = false; // an empty title bar instead of the application's title
};

class Prompter
{
public:
    virtual ~Prompter() = default;
    virtual QMessageBox::StandardButton show(QWidget* parent, const Prompt& prompt) = 0;

    // The prompter in use; a real QMessageBox unless a test installed another.
    static Prompter& current();
    // Installs p (not owned); nullptr restores the real message boxes.
    static void install(Prompter* p);
};

// Shows prompt through the current prompter.
QMessageBox::StandardButton prompt(QWidget* parent, const Prompt& prompt);

} // namespace velmora
