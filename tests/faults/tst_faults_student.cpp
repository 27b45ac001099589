// SPDX-License-Identifier: MIT
// The student program under faults: a program folder that cannot be written
// (read-only, full, or its settings names taken by folders) and a working
// folder that is locked, busy or on a full disk while the student redoes a
// set. Real windows offscreen, real files, real disks and mounts where the
// process may make them.
#include "ExerciseForm.h"
#include "FaultPlaces.h"
#include "Gbk.h"
#include "LoginForm.h"
#include "Marking.h"
#include "Module1.h"
#include "QQButton.h"
#include "ScriptedPrompter.h"
#include "StudentApp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <algorithm>
#include <memory>

using namespace velmora;
using namespace velmora::student;
using velmora::testing::FaultPlaces;
using Tree = QMap<QString, QByteArray>;

namespace {

const QString kSet1 = QStringLiteral("第一套");
const QByteArray kOldName = "\xBE\xC9\xC3\xFB\xD7\xD6"; // 旧名字 in GBK

// A student computer: the program folder with the material of set 1, a drive
// for the working root, a per-user settings folder, and message boxes
// answered by a script.
struct Computer
{
    QTemporaryDir program;
    QTemporaryDir drive;
    QTemporaryDir config;
    ScriptedPrompter prompter;
    std::unique_ptr<StudentApp> app;

    bool putMaterial() const
    {
        const QDir wf(program.filePath(QStringLiteral("wf")));
        const QString inner = wf.filePath(kSet1 + u'/' + kSet1);
        return FaultPlaces::putFile(wf.filePath(QStringLiteral("1.txt")), "task one\r\n") &&
               FaultPlaces::putFile(inner + u'/' + marking::pageFileName(1),
                                    "<html><body>template</body></html>") &&
               FaultPlaces::putFile(inner + QStringLiteral("/images/logo.gif"), "GIF89a") &&
               FaultPlaces::putFile(wf.filePath(kSet1 + QStringLiteral("/readme.txt")), "extra");
    }
    void start()
    {
        Module1 m;
        m.programFolder = program.path();
        m.driveRoot = drive.path();
        m.userConfigFolder = config.path();
        m.ackTimeoutMs = 150;
        app = std::make_unique<StudentApp>(std::move(m));
        app->start();
    }
    LoginForm* login() const { return app->loginForm(); }
    ExerciseForm* exercise() const { return app->exerciseForm(); }
    void openSet1()
    {
        QTest::mouseClick(login()->f[1], Qt::LeftButton);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString workingRoot() const { return drive.filePath(QStringLiteral("WebDo")); }
    QString work(const QString& rel = {}) const
    {
        return workingRoot() + u'/' + kSet1 + (rel.isEmpty() ? QString() : u'/' + rel);
    }
    Tree templateTree() const
    {
        return FaultPlaces::treeOf(program.filePath(QStringLiteral("wf/") + kSet1 + u'/' + kSet1));
    }
    // Presses 重做本题 and answers Yes; returns the title of the box after it.
    QString redo()
    {
        prompter.shown.clear();
        prompter.answers = {QMessageBox::Yes, QMessageBox::Ok};
        QTest::mouseClick(exercise()->Command3, Qt::LeftButton);
        if (prompter.shown.size() != 2 || prompter.shown.first().title != u"重做！") {
            return QStringLiteral("<unexpected prompts>");
        }
        return prompter.shown.at(1).title;
    }
};

void typeAndLeave(QLineEdit* box, const QString& text)
{
    box->setText(text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

} // namespace

class TestFaultsStudent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // settings where the program folder cannot take them
    void programFolderUnwritable_data();
    void programFolderUnwritable();

    // redo while the working folder cannot be replaced
    void redoFaults_data();
    void redoFaults();

    // links planted where redo and the first copy delete or write
    void linkPlants_data();
    void linkPlants();

    // settings and task files that are pipes, devices or far too large
    void hostileSettings_data();
    void hostileSettings();
};

void TestFaultsStudent::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

// ---- settings -----------------------------------------------------------------

void TestFaultsStudent::programFolderUnwritable_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("oldValues"); // the program folder held values before
    QTest::newRow("read-only program folder") << QStringLiteral("read-only") << true;
    QTest::newRow("program folder on a full disk") << QStringLiteral("full-disk") << true;
    QTest::newRow("settings names taken by folders") << QStringLiteral("folders") << false;
}

void TestFaultsStudent::programFolderUnwritable()
{
    QFETCH(QString, fault);
    QFETCH(bool, oldValues);
    Computer pc;
    FaultPlaces faults;
    const QString program = pc.program.path();
    if (fault == u"full-disk") {
        if (const QString why = faults.makeSmallDisk(program, 256 * 1024); !why.isEmpty()) {
            QSKIP(qPrintable(why));
        }
    }
    QVERIFY(pc.putMaterial());
    const QString hostFile = QDir(program).filePath(QStringLiteral("host.wf"));
    const QString nameFile = QDir(program).filePath(QStringLiteral("UserName.wf"));
    if (oldValues) {
        QVERIFY(FaultPlaces::putFile(hostFile, "10.0.0.1\r\nold line"));
        QVERIFY(FaultPlaces::putFile(nameFile, kOldName));
    } else {
        QVERIFY(FaultPlaces::putFile(hostFile + QStringLiteral("/keep.txt"), "a folder"));
        QVERIFY(FaultPlaces::putFile(nameFile + QStringLiteral("/keep.txt"), "a folder"));
    }
    QString why;
    if (fault == u"read-only") {
        why = faults.makeReadOnly(program);
    } else if (fault == u"full-disk") {
        why = faults.fillDisk(program);
    }
    if (!why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    const Tree before = FaultPlaces::treeOf(program);

    pc.start();
    QCOMPARE(pc.login()->txt_ServerIP->text(), oldValues ? QStringLiteral("10.0.0.1") : QString());
    QCOMPARE(pc.login()->txt_UserName->text(), oldValues ? fromGbk(kOldName) : QString());

    typeAndLeave(pc.login()->txt_UserName, QStringLiteral("王小明"));
    typeAndLeave(pc.login()->txt_ServerIP, QStringLiteral("127.0.0.1"));
    QCOMPARE(pc.app->state().studentName, QStringLiteral("王小明"));
    QCOMPARE(pc.app->state().teacherAddress, QStringLiteral("127.0.0.1"));
    // The values went to the per-user folder, quietly; the program folder's
    // files are whole and no temporary file is left there.
    QCOMPARE(FaultPlaces::fileBytes(pc.config.filePath(QStringLiteral("UserName.wf"))),
             toGbk(QStringLiteral("王小明")));
    QCOMPARE(FaultPlaces::fileBytes(pc.config.filePath(QStringLiteral("host.wf"))),
             QByteArray("127.0.0.1"));
    QCOMPARE(FaultPlaces::treeOf(program), before);
    QVERIFY(pc.prompter.shown.isEmpty());

    // The set opens from the unwritable program folder as usual.
    pc.openSet1();
    QVERIFY(pc.exercise());
    QVERIFY(pc.exercise()->loadProblems().isEmpty());
    QCOMPARE(FaultPlaces::treeOf(pc.work()), pc.templateTree());
    QVERIFY2(pc.exercise()->Lbl_ip->text().contains(QStringLiteral("王小明")),
             qPrintable(pc.exercise()->Lbl_ip->text()));
    QVERIFY(pc.exercise()->Lbl_ip->text().endsWith(QStringLiteral("服务器IP:127.0.0.1")));
    QVERIFY(pc.prompter.shown.isEmpty());

    // Nothing lost: the next start shows what the student typed.
    pc.app.reset();
    pc.start();
    QCOMPARE(pc.login()->txt_UserName->text(), QStringLiteral("王小明"));
    QCOMPARE(pc.login()->txt_ServerIP->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(FaultPlaces::treeOf(program), before);
    QVERIFY(pc.prompter.shown.isEmpty());
}

// ---- redo ---------------------------------------------------------------------

void TestFaultsStudent::redoFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("title"); // of the box after the question
    QTest::newRow("error: working folder is a mount point (a network share)")
        << QStringLiteral("mount-point") << QStringLiteral("警告");
    QTest::newRow("error: working folder locked")
        << QStringLiteral("locked-folder") << QStringLiteral("警告");
    QTest::newRow("error: working root locked")
        << QStringLiteral("locked-root") << QStringLiteral("警告");
    QTest::newRow("error: disk full") << QStringLiteral("full-disk") << QStringLiteral("警告");
    QTest::newRow("a locked page inside is set aside, not lost")
        << QStringLiteral("locked-page") << QStringLiteral("OK！");
    QTest::newRow("read-only page and folder inside are replaced")
        << QStringLiteral("read-only-inside") << QStringLiteral("OK！");
}

void TestFaultsStudent::redoFaults()
{
    QFETCH(QString, fault);
    QFETCH(QString, title);
    Computer pc;
    FaultPlaces faults;
    if (fault == u"full-disk") {
        if (const QString why = faults.makeSmallDisk(pc.drive.path(), 256 * 1024); !why.isEmpty()) {
            QSKIP(qPrintable(why));
        }
    }
    QVERIFY(pc.putMaterial());
    QVERIFY(FaultPlaces::putFile(pc.program.filePath(QStringLiteral("UserName.wf")),
                                 toGbk(QStringLiteral("王小明"))));
    pc.start();
    pc.openSet1();
    QVERIFY(pc.exercise());
    const QString page = pc.work(marking::pageFileName(1));
    QVERIFY(FaultPlaces::putFile(page, "student page"));
    QVERIFY(FaultPlaces::putFile(pc.work(QStringLiteral("images/me.jpg")), "jpeg"));
    const Tree edited = FaultPlaces::treeOf(pc.work());
    const QStringList rootEntries = FaultPlaces::entries(pc.workingRoot());
    QCOMPARE(rootEntries, (QStringList{QStringLiteral("readme.txt"), kSet1}));

    QString why;
    if (fault == u"mount-point") {
        why = faults.makeMountPoint(pc.work());
    } else if (fault == u"locked-folder") {
        why = faults.lock(pc.work());
    } else if (fault == u"locked-root") {
        why = faults.lock(pc.workingRoot());
    } else if (fault == u"full-disk") {
        why = faults.fillDisk(pc.drive.path());
    } else if (fault == u"locked-page") {
        why = faults.lock(page);
    } else if (fault == u"read-only-inside") {
        // Permission bits, as a Windows read-only flag would be.
        const auto noWrite = ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                               QFileDevice::WriteGroup | QFileDevice::WriteOther);
        QVERIFY(QFile::setPermissions(page, QFile::permissions(page) & noWrite));
        const QString images = pc.work(QStringLiteral("images"));
        QVERIFY(QFile::setPermissions(images, QFile::permissions(images) & noWrite));
    }
    if (!why.isEmpty()) {
        QSKIP(qPrintable(why));
    }

    QCOMPARE(pc.redo(), title);
    const Prompt& told = pc.prompter.shown.at(1);
    if (title == u"警告") {
        QCOMPARE(told.text, QStringLiteral("请先关闭FrontPage练习题，然后再点击“重做”!"));
        QVERIFY(told.details.isEmpty()); // the fixed text only, no details button
        // The student's folder is whole and nothing of the attempt is left.
        QCOMPARE(FaultPlaces::treeOf(pc.work()), edited);
        QCOMPARE(FaultPlaces::entries(pc.workingRoot()), rootEntries);
    } else {
        QCOMPARE(told.text, QStringLiteral("现在你可以开始重做本练习题了!"));
        QCOMPARE(FaultPlaces::treeOf(pc.work()), pc.templateTree());
        if (fault == u"locked-page") {
            // The page that could not be deleted is kept beside, hidden.
            const Tree all = FaultPlaces::treeOf(pc.workingRoot());
            QVERIFY(std::find(all.cbegin(), all.cend(), QByteArray("student page")) != all.cend());
        }
    }
    // The score and the form are untouched, whatever happened.
    QCOMPARE(pc.exercise()->Command2->caption(), QStringLiteral("批改"));
    QVERIFY(pc.exercise()->isVisible());

    // Once the fault is gone, redo gives a fresh copy and leaves nothing behind.
    faults.undoAll();
    QCOMPARE(pc.redo(), QStringLiteral("OK！"));
    QCOMPARE(FaultPlaces::treeOf(pc.work()), pc.templateTree());
    QCOMPARE(FaultPlaces::entries(pc.workingRoot()), rootEntries);
}

// ---- links and hostile files --------------------------------------------------

void TestFaultsStudent::linkPlants_data()
{
    QTest::addColumn<QString>("where");   // relative to the working root
    QTest::addColumn<bool>("beforeOpen"); // planted before the set is first opened
    QTest::addColumn<QString>("title");   // of the box after redo
    QTest::newRow("error: the working folder is a link, redo refuses")
        << kSet1 << false << QStringLiteral("警告");
    QTest::newRow("a stale staging link is removed as a link")
        << u'.' + kSet1 + QStringLiteral(".velmora-new") << false << QStringLiteral("OK！");
    QTest::newRow("a stale retired link is removed as a link")
        << u'.' + kSet1 + QStringLiteral(".velmora-old") << false << QStringLiteral("OK！");
    QTest::newRow("a link inside the working folder")
        << kSet1 + QStringLiteral("/images/other") << false << QStringLiteral("OK！");
    QTest::newRow("first copy: the working folder is a link")
        << kSet1 << true << QStringLiteral("OK！");
    QTest::newRow("first copy: a material file of the working root is a link")
        << QStringLiteral("readme.txt") << true << QStringLiteral("OK！");
}

void TestFaultsStudent::linkPlants()
{
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes shortcuts on Windows; symbolic links need rights a student lacks");
#endif
    QFETCH(QString, where);
    QFETCH(bool, beforeOpen);
    QFETCH(QString, title);
    // Another student's files, which a link planted on a shared account
    // points at.
    QTemporaryDir precious;
    QVERIFY(FaultPlaces::putFile(precious.filePath(QStringLiteral("essay.htm")), "mine"));
    QVERIFY(FaultPlaces::putFile(precious.filePath(QStringLiteral("sub/readme.txt")), "mine too"));
    const Tree preciousTree = FaultPlaces::treeOf(precious.path());
    const QString preciousFile = precious.filePath(QStringLiteral("sub/readme.txt"));

    Computer pc;
    QVERIFY(pc.putMaterial());
    QVERIFY(FaultPlaces::putFile(pc.program.filePath(QStringLiteral("UserName.wf")),
                                 toGbk(QStringLiteral("王小明"))));
    const QString link = pc.workingRoot() + u'/' + where;
    const auto plant = [&] {
        const QString target =
            where.endsWith(QStringLiteral(".txt")) ? preciousFile : precious.path();
        return QDir().mkpath(QFileInfo(link).path()) && QFile::link(target, link);
    };
    if (beforeOpen) {
        QVERIFY(plant());
    }
    pc.start();
    pc.openSet1();
    QVERIFY(pc.exercise());
    QCOMPARE(FaultPlaces::treeOf(precious.path()), preciousTree);
    if (beforeOpen) {
        // The link went, a real copy took its place.
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(FaultPlaces::treeOf(pc.work()), pc.templateTree());
    } else {
        if (where == kSet1) {
            QVERIFY(QDir(pc.work()).removeRecursively());
        }
        QVERIFY(plant());
    }

    QCOMPARE(pc.redo(), title);
    QCOMPARE(FaultPlaces::treeOf(precious.path()), preciousTree);
    if (title == u"警告") {
        QVERIFY(QFileInfo(link).isSymLink()); // nothing changed
    } else {
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(FaultPlaces::treeOf(pc.work()), pc.templateTree());
    }
}

void TestFaultsStudent::hostileSettings_data()
{
    QTest::addColumn<QString>("where"); // program, user or task
    QTest::addColumn<QString>("kind");  // fifo, zero or large
    QTest::addColumn<QString>("host");  // the teacher address shown
    QTest::newRow("a pipe as host.wf in the program folder")
        << QStringLiteral("program") << QStringLiteral("fifo") << QString();
    QTest::newRow("a pipe as host.wf in the per-user folder: the program folder's serves")
        << QStringLiteral("user") << QStringLiteral("fifo") << QStringLiteral("10.0.0.1");
    QTest::newRow("a link to /dev/zero as host.wf")
        << QStringLiteral("program") << QStringLiteral("zero") << QString();
    QTest::newRow("a link to /dev/zero as host.wf in the per-user folder")
        << QStringLiteral("user") << QStringLiteral("zero") << QStringLiteral("10.0.0.1");
    QTest::newRow("host.wf of 1 GB")
        << QStringLiteral("program") << QStringLiteral("large") << QString();
    QTest::newRow("a pipe as the task file")
        << QStringLiteral("task") << QStringLiteral("fifo") << QStringLiteral("10.0.0.1");
    QTest::newRow("a task file of 1 GB")
        << QStringLiteral("task") << QStringLiteral("large") << QStringLiteral("10.0.0.1");
}

void TestFaultsStudent::hostileSettings()
{
#ifdef Q_OS_WIN
    if (QByteArray(QTest::currentDataTag()).contains("/dev/zero")) {
        QSKIP("Windows has no /dev/zero");
    }
#endif
    QFETCH(QString, where);
    QFETCH(QString, kind);
    QFETCH(QString, host);
    Computer pc;
    QVERIFY(pc.putMaterial());
    QVERIFY(FaultPlaces::putFile(pc.program.filePath(QStringLiteral("UserName.wf")),
                                 toGbk(QStringLiteral("王小明"))));
    const QString hostFile = QStringLiteral("host.wf");
    const QString path = where == u"user"   ? pc.config.filePath(hostFile)
                         : where == u"task" ? pc.program.filePath(QStringLiteral("wf/1.txt"))
                                            : pc.program.filePath(hostFile);
    if (where != u"program") {
        QVERIFY(FaultPlaces::putFile(pc.program.filePath(hostFile), "10.0.0.1"));
    }
    QFile::remove(path);
    if (kind == u"large") {
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(1) << 30));
    } else if (kind == u"zero") {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    } else {
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
#else
        QSKIP("no pipes in the file system here");
#endif
    }

    // The program starts, shows its window and reads nothing from the file;
    // a pipe with no writer would otherwise hold it for good.
    pc.start();
    QVERIFY(pc.login());
    QCOMPARE(pc.login()->txt_ServerIP->text(), host);
    QCOMPARE(pc.login()->txt_UserName->text(), QStringLiteral("王小明"));
    pc.openSet1();
    QVERIFY(pc.exercise());
    if (where == u"task") {
        QVERIFY2(pc.exercise()->Text1->toPlainText().startsWith(QStringLiteral("【找不到")),
                 qPrintable(pc.exercise()->Text1->toPlainText().left(40)));
    }
    // The file is still what it was: nothing replaced it.
    const QFileInfo after(path);
    QCOMPARE(after.isSymLink(), kind == u"zero");
    QCOMPARE(after.isFile(), kind == u"large");
}

QTEST_MAIN(TestFaultsStudent)
#include "tst_faults_student.moc"
