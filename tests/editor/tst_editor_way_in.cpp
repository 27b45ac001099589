// SPDX-License-Identifier: MIT
// The way from Velmora's exercise form into the page editor: the action
// starts the editor on the set's working page, or says in Chinese that the
// editor is not installed; the form's own controls stay where they were.
#include "../student/Material.h"
#include "ExerciseForm.h"
#include "LoginForm.h"
#include "Marking.h"
#include "QQButton.h"
#include "ScriptedPrompter.h"
#include "StudentApp.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::student;

class EditorWayInTest : public QObject
{
    Q_OBJECT

private slots:
    void editPage_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::newRow("editor installed") << true;
        QTest::newRow("editor not installed") << false;
    }

    void editPage()
    {
        QFETCH(bool, installed);
#ifdef Q_OS_WIN
        if (installed) {
            QSKIP("the editor is built for Linux only");
        }
#endif
        QTemporaryDir program, drive, config, bin;
        for (int k = 1; k <= 9; ++k) {
            velmora::testing::makeSet(program.path(), k, marking::setFolderName(k),
                                      marking::pageFileName(k), "task");
        }
        const QString started = bin.filePath(QStringLiteral("started.txt"));
        if (installed) {
            // A stand-in editor that notes the page it was given.
            const QString editor = bin.filePath(QStringLiteral("velmora-editor"));
            QFile f(editor);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + QFile::encodeName(started) + "'\n");
            f.close();
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));

        ScriptedPrompter prompter;
        Module1 m;
        m.programFolder = program.path();
        m.driveRoot = drive.path();
        m.userConfigFolder = config.path();
        StudentApp app(std::move(m));
        app.start();
        QTest::mouseClick(app.loginForm()->f[1], Qt::LeftButton);
        QCoreApplication::processEvents();
        ExerciseForm* form = app.exerciseForm();
        QVERIFY(form);
        const QRect mark = form->Command2->geometry();
        prompter.shown.clear();

        QVERIFY(form->editAction);
        QCOMPARE(form->editAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
        QVERIFY(form->actions().contains(form->editAction)); // the right-click menu
        form->editAction->trigger();
        qputenv("PATH", oldPath);

        const QString page = QDir(drive.path()).filePath(QStringLiteral("WebDo/第一套/hu.htm"));
        if (installed) {
            QTRY_VERIFY(QFile::exists(started));
            QFile f(started);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(f.readAll()), page);
            QVERIFY(prompter.shown.isEmpty());
        } else {
            QCOMPARE(prompter.shown.size(), 1);
            QVERIFY(prompter.shown.first().text.contains(QStringLiteral("没有安装网页编辑器")));
        }
        QCOMPARE(form->Command2->geometry(), mark);
    }
};

QTEST_MAIN(EditorWayInTest)
#include "tst_editor_way_in.moc"
