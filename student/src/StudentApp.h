// SPDX-License-Identifier: MIT
#pragma once

#include "Module1.h"

#include <QObject>
#include <QPointer>

namespace velmora::student {

class ExerciseForm;
class LoginForm;

// Runs the student program: owns the shared state and keeps exactly one of
// the two forms on screen, the start form or the exercise form.
class StudentApp : public QObject
{
    Q_OBJECT

public:
    explicit StudentApp(Module1 state, QObject* parent = nullptr);
    ~StudentApp() override;

    Module1& state() { return m_state; }

    // Shows a freshly loaded start form.
    void start();

    LoginForm* loginForm() const;
    ExerciseForm* exerciseForm() const;

signals:
    // A form was replaced by the other one (after it is shown).
    void formChanged();

private:
    void openSet();
    void backToStart();

    Module1 m_state;
    QPointer<LoginForm> m_login;
    QPointer<ExerciseForm> m_exercise;
};

} // namespace velmora::student
