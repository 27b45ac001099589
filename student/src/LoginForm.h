// SPDX-License-Identifier: MIT
#pragma once

#include "ExerciseSets.h"

#include <QMap>
#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;

namespace velmora {
class QQButton;
class QQForm;
} // namespace velmora

namespace velmora::student {

class SettingsFiles;

class EventLabel;
class Form_menu;
class Shape;
struct Module1;

// The start form: the student's name, the teacher's address, the nine set
// buttons and the two drop-down menus of Form_menu.
class LoginForm : public QWidget
{
    Q_OBJECT

public:
    explicit LoginForm(Module1& state, QWidget* parent = nullptr);
    ~LoginForm() override;

    QQForm* QQForm1 = nullptr;
    EventLabel* lbl_menu1 = nullptr;
    EventLabel* lbl_menu3 = nullptr;
    QMap<int, Shape*> Shape2; // indices 0 and 2
    QLabel* Image2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txt_UserName = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txt_ServerIP = nullptr;
    std::array<QQButton*, sets::kLast + 1> f{}; // f[1] .. f[9]
    QLabel* Label2 = nullptr;

    Form_menu* menuForm() const { return m_menu; }

    // The credit line under the set buttons.
    static QString creditLine();

signals:
    // A set was chosen with a set button or a menu item; the current set
    // index is already stored.
    void setChosen(int set);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void chooseSet(int set);
    void saveBox(QLineEdit* box);
    SettingsFiles settingsFiles() const;
    void highlight(int shapeIndex);

    Module1& m_state;
    Form_menu* m_menu = nullptr;
};

} // namespace velmora::student
