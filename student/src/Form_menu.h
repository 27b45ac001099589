// SPDX-License-Identifier: MIT
#pragma once

#include "ExerciseSets.h"

#include <QWidget>
#include <array>

class QAction;
class QMenu;

namespace velmora::student {

// A form that is never shown: it carries the start form's two drop-down
// menus, the exercise sets and help.
class Form_menu : public QWidget
{
    Q_OBJECT

public:
    // host: the start form, parent of the help and about boxes.
    explicit Form_menu(QWidget* host);

    QMenu* lesson_study = nullptr;
    QMenu* help = nullptr;
    // l[1] .. l[9]: the set items; l[0] is unused.
    std::array<QAction*, sets::kLast + 1> l{};
    QAction* h = nullptr;
    QAction* about = nullptr;

    // The texts of the two boxes, lines separated by CR.
    static QString helpText();
    static QString aboutText();

signals:
    // A set item was chosen (1 to 9).
    void setChosen(int set);

private:
    void showHelp();
    void showAbout();

    QWidget* m_host;
};

} // namespace velmora::student
