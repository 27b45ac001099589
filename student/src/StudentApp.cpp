// SPDX-License-Identifier: MIT
#include "StudentApp.h"

#include "ExerciseForm.h"
#include "FormLook.h"
#include "LoginForm.h"

namespace velmora::student {

namespace {

// The old form leaves quietly: hidden now, deleted once its own event
// handler (the click that got us here) has returned.
void retire(QWidget* form)
{
    if (form) {
        form->hide();
        form->deleteLater();
    }
}

} // namespace

StudentApp::StudentApp(Module1 state, QObject* parent) : QObject(parent), m_state(std::move(state))
{
}

StudentApp::~StudentApp()
{
    delete m_login.data();
    delete m_exercise.data();
}

LoginForm* StudentApp::loginForm() const
{
    return m_login;
}

ExerciseForm* StudentApp::exerciseForm() const
{
    return m_exercise;
}

void StudentApp::start()
{
    auto* login = new LoginForm(m_state);
    connect(login, &LoginForm::setChosen, this, &StudentApp::openSet);
    QWidget* old = m_exercise;
    m_exercise = nullptr;
    m_login = login;
    FormLook::centerOnScreen(login);
    login->show();
    retire(old);
    emit formChanged();
}

void StudentApp::openSet()
{
    QWidget* old = m_login;
    m_login = nullptr;
    retire(old);
    auto* exercise = new ExerciseForm(m_state);
    connect(exercise, &ExerciseForm::backRequested, this, &StudentApp::backToStart);
    m_exercise = exercise;
    FormLook::centerOnScreen(exercise);
    exercise->show();
    emit formChanged();
    exercise->tellLoadProblems();
}

void StudentApp::backToStart()
{
    start();
}

} // namespace velmora::student
