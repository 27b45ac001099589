// SPDX-License-Identifier: MIT
// The student windows driven as a student would: real forms offscreen, real
// files in temporary folders, a real UDP receiver on 127.0.0.1, and message
// boxes answered by a scripted prompter.
#include "AnsiFile.h"
#include "EventLabel.h"
#include "ExerciseForm.h"
#include "Form_menu.h"
#include "Gbk.h"
#include "LoginForm.h"
#include "Marking.h"
#include "Material.h"
#include "Platform.h"
#include "QQButton.h"
#include "QQForm.h"
#include "ScoreListView.h"
#include "ScoreTable.h"
#include "ScriptedPrompter.h"
#include "Shape.h"
#include "StudentApp.h"
#include "WorkReceiver.h"
#include "form1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace velmora;
using namespace velmora::student;
using namespace Qt::Literals::StringLiterals;
using velmora::testing::fileBytes;
using velmora::testing::putFile;
using velmora::testing::treeOf;

namespace {

const QString kSet1 = QStringLiteral("第一套");
const QString kSet2 = QStringLiteral("第二套");

// A computer with the program's material, an empty drive and a prompter.
struct Classroom
{
    QTemporaryDir program;
    QTemporaryDir drive;
    QTemporaryDir config;
    ScriptedPrompter prompter;
    std::unique_ptr<StudentApp> app;

    Classroom()
    {
        velmora::testing::makeSet(program.path(), 1, kSet1, QStringLiteral("hu.htm"),
                                  QByteArray("\xC8\xCE\xCE\xF1\xD2\xBB") + "\r\nline 2");
        velmora::testing::makeSet(program.path(), 2, kSet2, QStringLiteral("index.htm"),
                                  "task two");
        for (int k = 3; k <= 9; ++k) {
            const QString name = marking::setFolderName(k);
            velmora::testing::makeSet(program.path(), k, name, marking::pageFileName(k),
                                      QByteArray("task ") + QByteArray::number(k));
        }
    }
    Module1 state() const
    {
        Module1 m;
        m.programFolder = program.path();
        m.driveRoot = drive.path();
        m.userConfigFolder = config.path();
        m.ackTimeoutMs = 150;
        return m;
    }
    void start() { start(state()); }
    void start(Module1 m)
    {
        app = std::make_unique<StudentApp>(std::move(m));
        app->start();
    }
    LoginForm* login() const { return app->loginForm(); }
    ExerciseForm* exercise() const { return app->exerciseForm(); }
    QString hostFile() const { return program.filePath(QStringLiteral("host.wf")); }
    QString nameFile() const { return program.filePath(QStringLiteral("UserName.wf")); }
    QString work(const QString& set, const QString& rel = {}) const
    {
        return drive.filePath(QStringLiteral("WebDo/") + set +
                              (rel.isEmpty() ? QString() : u'/' + rel));
    }
    void openWithButton(int set)
    {
        QTest::mouseClick(login()->f[static_cast<size_t>(set)], Qt::LeftButton);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void back()
    {
        QTest::mouseClick(exercise()->Command4, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    int visibleWindows() const
    {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            n += w->isVisible() ? 1 : 0;
        }
        return n;
    }
};

void loseFocus(QWidget* box)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

void pointerOver(QWidget* w)
{
    const QPointF at(2, 2);
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

// A collector stand-in: records datagrams, acknowledges when asked to.
class Receiver : public QObject
{
public:
    explicit Receiver(bool answer) : m_answer(answer)
    {
        m_socket.bind(QHostAddress::LocalHost, 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = m_socket.receiveDatagram();
                received.append(d.data());
                if (m_answer) {
                    m_socket.writeDatagram(ackFor(d.data()), d.senderAddress(),
                                           quint16(d.senderPort()));
                }
            }
        });
    }
    quint16 port() const { return m_socket.localPort(); }
    QList<QByteArray> received;

private:
    QUdpSocket m_socket;
    bool m_answer;
};

} // namespace

class TestStudentForms : public QObject
{
    Q_OBJECT

private slots:
    // start form
    void startLoad_data();
    void startLoad();
    void returnToStart_data();
    void returnToStart();
    void focusLossSaves_data();
    void focusLossSaves();
    void chooseSet_data();
    void chooseSet();
    void menuHighlights_data();
    void menuHighlights();
    void maximiseRestore_data();
    void maximiseRestore();

    // help and about
    void helpBoxLines_data();
    void helpBoxLines();
    void aboutBox();

    // exercise form
    void exerciseLoad_data();
    void exerciseLoad();
    void workingFolderCopiedOnce();
    void exerciseLoadProblems_data();
    void exerciseLoadProblems();
    void linkHover();
    void openFolderFailure();
    void marking_data();
    void marking();
    void redo_data();
    void redo();

    // upload
    void upload_data();
    void upload();
    void collectedWork();
    void uploadRefused_data();
    void uploadRefused();
};

// ---- start form ---------------------------------------------------------------

void TestStudentForms::maximiseRestore_data()
{
    QTest::addColumn<bool>("exercise");
    QTest::addColumn<QSize>("designSize");
    QTest::newRow("start form") << false << QSize(464, 330);
    QTest::newRow("exercise form") << true << QSize(464, 332);
}

void TestStudentForms::maximiseRestore()
{
    QFETCH(bool, exercise);
    QFETCH(QSize, designSize);
    Classroom room;
    room.start(room.state());
    if (exercise) {
        room.openWithButton(1);
    }
    QWidget* form = exercise ? static_cast<QWidget*>(room.exercise()) : room.login();
    QVERIFY(form);
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(form->size(), designSize);
    const QSize screen = form->screen()->availableGeometry().size();
    // A window manager keeps a window within its size limits, whatever the
    // test platform does.
    QVERIFY(form->maximumSize().expandedTo(screen) == form->maximumSize());
    auto* max = form->findChild<QQForm*>(QStringLiteral("QQForm1"))
                    ->findChild<QAbstractButton*>(QStringLiteral("ImgMax"));
    QVERIFY(max);
    QTest::mouseClick(max, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(form->isMaximized());
    QTRY_COMPARE(form->size(), screen);
    QTest::mouseClick(max, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(!form->isMaximized());
    QTRY_COMPARE(form->size(), designSize);
}

void TestStudentForms::startLoad_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("server"); // given with --server for this run
    QTest::addColumn<QString>("shownHost");
    QTest::addColumn<QString>("shownName");
    QTest::newRow("no settings files")
        << QByteArray() << QByteArray() << false << QString() << QString() << QString();
    QTest::newRow("both files present")
        << QByteArray("10.0.0.1") << QByteArray("\xD5\xC5\xC8\xFD") << true << QString()
        << QStringLiteral("10.0.0.1") << QStringLiteral("张三");
    QTest::newRow("address with further lines")
        << QByteArray("10.0.0.2\r\n10.9.9.9\r\n") << QByteArray(" li ") << true << QString()
        << QStringLiteral("10.0.0.2") << QStringLiteral(" li ");
    QTest::newRow("address for this run over the file")
        << QByteArray("10.0.0.1") << QByteArray("li") << true << QStringLiteral("10.5.5.5")
        << QStringLiteral("10.5.5.5") << QStringLiteral("li");
}

void TestStudentForms::startLoad()
{
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, name);
    QFETCH(bool, present);
    QFETCH(QString, server);
    QFETCH(QString, shownHost);
    QFETCH(QString, shownName);
    Classroom room;
    if (present) {
        QVERIFY(putFile(room.hostFile(), host));
        QVERIFY(putFile(room.nameFile(), name));
    }
    Module1 m = room.state();
    m.serverForThisRun = server;
    room.start(std::move(m));
    QVERIFY(room.login());
    QVERIFY(room.login()->isVisible());
    QCOMPARE(room.login()->txt_ServerIP->text(), shownHost);
    QCOMPARE(room.login()->txt_UserName->text(), shownName);
    QCOMPARE(room.app->state().teacherAddress, shownHost);
    QCOMPARE(room.app->state().studentName, shownName);
    QCOMPARE(room.app->state().workingRootWord, QStringLiteral("WebDo"));
    // Missing files appear, empty; present ones are not touched by loading.
    QCOMPARE(fileBytes(room.hostFile()), host);
    QCOMPARE(fileBytes(room.nameFile()), name);
    for (int i = 1; i <= 9; ++i) {
        QCOMPARE(room.login()->f[static_cast<size_t>(i)]->caption(), marking::setFolderName(i));
    }
    QCOMPARE(room.login()->windowTitle(), QStringLiteral("Velmora系统  V1.0"));
    QCOMPARE(room.login()->size(), QSize(464, 330));
    // Leaving the address box saves it, but not an address given for this run.
    loseFocus(room.login()->txt_ServerIP);
    QCOMPARE(fileBytes(room.hostFile()), server.isEmpty() ? shownHost.toLatin1() : host);
}

void TestStudentForms::returnToStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("expectedHost");
    // The files change while the exercise form is open.
    QTest::newRow("name known: files not read again")
        << QStringLiteral("王五") << QStringLiteral("王五") << QStringLiteral("10.0.0.1");
    QTest::newRow("name empty: both files read again")
        << QString() << QStringLiteral("changed") << QStringLiteral("10.8.8.8");
}

void TestStudentForms::returnToStart()
{
    QFETCH(QString, name);
    QFETCH(QString, expectedName);
    QFETCH(QString, expectedHost);
    Classroom room;
    QVERIFY(putFile(room.hostFile(), "10.0.0.1"));
    QVERIFY(putFile(room.nameFile(), toGbk(name)));
    room.start();
    room.openWithButton(2);
    QVERIFY(room.exercise());
    QVERIFY(putFile(room.hostFile(), "10.8.8.8"));
    QVERIFY(putFile(room.nameFile(), "changed"));
    room.back();
    QVERIFY(room.login());
    QVERIFY(!room.exercise());
    QCOMPARE(room.login()->txt_UserName->text(), expectedName);
    QCOMPARE(room.login()->txt_ServerIP->text(), expectedHost);
    QCOMPARE(room.app->state().exerciseText, QString());
    QCOMPARE(room.visibleWindows(), 1);
}

void TestStudentForms::focusLossSaves_data()
{
    QTest::addColumn<bool>("nameBox");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("name") << true << QStringLiteral("李四") << QByteArray("\xC0\xEE\xCB\xC4");
    QTest::newRow("name with blanks") << true << QStringLiteral(" a ") << QByteArray(" a ");
    QTest::newRow("address") << false << QStringLiteral("192.168.0.10")
                             << QByteArray("192.168.0.10");
    QTest::newRow("address emptied") << false << QString() << QByteArray();
}

void TestStudentForms::focusLossSaves()
{
    QFETCH(bool, nameBox);
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);
    Classroom room;
    QVERIFY(putFile(room.hostFile(), "1.1.1.1\r\nold"));
    QVERIFY(putFile(room.nameFile(), "old"));
    room.start();
    QLineEdit* box = nameBox ? room.login()->txt_UserName : room.login()->txt_ServerIP;
    box->setText(typed);
    // Typing alone changes nothing.
    QCOMPARE(fileBytes(nameBox ? room.nameFile() : room.hostFile()),
             nameBox ? QByteArray("old") : QByteArray("1.1.1.1\r\nold"));
    loseFocus(box);
    QCOMPARE(fileBytes(nameBox ? room.nameFile() : room.hostFile()), stored);
    QCOMPARE(nameBox ? room.app->state().studentName : room.app->state().teacherAddress, typed);
    // Leaving again without a change rewrites the same content.
    QVERIFY(QFile::remove(nameBox ? room.nameFile() : room.hostFile()));
    loseFocus(box);
    QCOMPARE(fileBytes(nameBox ? room.nameFile() : room.hostFile()), stored);
}

void TestStudentForms::chooseSet_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<bool>("byMenu");
    for (int set : {1, 5, 9}) {
        QTest::addRow("button f(%d)", set) << set << false;
        QTest::addRow("menu item l%d", set) << set << true;
    }
}

void TestStudentForms::chooseSet()
{
    QFETCH(int, set);
    QFETCH(bool, byMenu);
    Classroom room;
    room.start();
    if (byMenu) {
        QAction* item = room.login()->menuForm()->l[static_cast<size_t>(set)];
        QCOMPARE(item->objectName(), QStringLiteral("l%1").arg(set));
        QCOMPARE(item->text(), marking::setFolderName(set));
        item->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } else {
        room.openWithButton(set);
    }
    QCOMPARE(int(room.app->state().currentSet), set);
    QVERIFY(!room.login());
    QVERIFY(room.exercise());
    QVERIFY(room.exercise()->isVisible());
    QCOMPARE(room.visibleWindows(), 1);
    QCOMPARE(room.exercise()->Label1->text(),
             QStringLiteral("FrontPage网页制作 ") + marking::setFolderName(set));
}

void TestStudentForms::menuHighlights_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<bool>("lit0");
    QTest::addColumn<bool>("lit2");
    QTest::newRow("over the set menu") << QStringList{QStringLiteral("menu1")} << true << false;
    QTest::newRow("over the help menu") << QStringList{QStringLiteral("menu3")} << false << true;
    QTest::newRow("from one label straight to the other")
        << QStringList{QStringLiteral("menu1"), QStringLiteral("menu3")} << false << true;
    QTest::newRow("then onto the frame")
        << QStringList{QStringLiteral("menu3"), QStringLiteral("frame")} << false << false;
}

void TestStudentForms::menuHighlights()
{
    QFETCH(QStringList, path);
    QFETCH(bool, lit0);
    QFETCH(bool, lit2);
    Classroom room;
    room.start();
    LoginForm* form = room.login();
    QVERIFY(!form->Shape2[0]->isOpaque());
    QVERIFY(!form->Shape2[2]->isOpaque());
    for (const QString& step : std::as_const(path)) {
        if (step == QStringLiteral("menu1")) {
            pointerOver(form->lbl_menu1);
        } else if (step == QStringLiteral("menu3")) {
            pointerOver(form->lbl_menu3);
        } else {
            QMouseEvent move(QEvent::MouseMove, QPointF(200, 300),
                             form->mapToGlobal(QPoint(200, 300)), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(form->QQForm1, &move);
        }
    }
    const QColor lit(225, 250, 255);
    QCOMPARE(form->Shape2[0]->isOpaque(), lit0);
    QCOMPARE(form->Shape2[2]->isOpaque(), lit2);
    for (int i : {0, 2}) {
        Shape* box = form->Shape2[i];
        QCOMPARE(box->borderColor(),
                 box->isOpaque() ? QColor(128, 128, 255) : QColor(192, 192, 255));
        if (box->isOpaque()) {
            QCOMPARE(box->fillColor(), lit);
        }
    }
}

// ---- help and about ---------------------------------------------------------

void TestStudentForms::helpBoxLines_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("breaks");
    const std::pair<const char16_t*, int> lines[] = {
        {u"╭═══════┤  ◎  帮 助   ◎  ├═══════╮", 2},
        {u"  本软件是参照高中《信息技术基础》(浙教版)第六章", 1},
        {u" 《网页的设计与制作》的内容而编写的。", 2},
        {u" 使用说明：", 1},
        {u" 1、教师机运行“Velcoll程序.exe”。", 1},
        {u" 2、学生机运行“Velmora.exe”。并输入姓名、服", 1},
        {u" 务器IP（即教师机的IP），即可上传成绩。同一电脑同一套题", 1},
        {u" 只能上传一个成绩（多次上传将覆盖前面的成绩）。 ", 1},
        {u" 3、教师导出成绩，可保存为文本文件.txt和电子表格.xls ", 1},
        {u" （成绩表.xls在软件安装目录下）。 ", 2},
        {u" 差错再所难免，欢迎大家多提宝贵意见!  ", 1},
        {nullptr, 2}, // the maker's own line
        {u"╰══════┤◎ 欢迎大家批评指正 ◎├══════╯", 0},
    };
    int i = 0;
    for (const auto& [text, breaks] : lines) {
        QTest::addRow("line %d", i + 1)
            << i << (text ? QString::fromUtf16(text) : QString()) << breaks;
        ++i;
    }
}

void TestStudentForms::helpBoxLines()
{
    QFETCH(int, index);
    QFETCH(QString, line);
    QFETCH(int, breaks);
    Classroom room;
    room.start();
    room.login()->menuForm()->h->trigger();
    QCOMPARE(room.prompter.shown.size(), 1);
    const Prompt shown = room.prompter.shown.at(0);
    QCOMPARE(shown.title, QStringLiteral("帮助"));
    QCOMPARE(shown.icon, QMessageBox::NoIcon);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // Lines and their breaks: a blank line is an empty piece between two CRs.
    QStringList pieces = shown.text.split(u'\r');
    QStringList lines;
    QList<int> after;
    for (const QString& piece : std::as_const(pieces)) {
        if (piece.isEmpty() && !lines.isEmpty()) {
            ++after.last();
        } else {
            lines << piece;
            after << 1;
        }
    }
    after.last() -= 1; // the last piece has no CR after it
    QCOMPARE(lines.size(), 13);
    QCOMPARE(after.at(index), breaks);
    if (!line.isNull()) {
        QCOMPARE(lines.at(index), line);
    } else {
        QVERIFY(lines.at(index).contains(QStringLiteral("Velmora")));
    }
    QVERIFY(!shown.text.endsWith(u'\r'));
}

void TestStudentForms::aboutBox()
{
    Classroom room;
    room.start();
    room.login()->menuForm()->about->trigger();
    QCOMPARE(room.prompter.shown.size(), 1);
    const Prompt shown = room.prompter.shown.at(0);
    QCOMPARE(shown.title, QStringLiteral("关于"));
    const QStringList parts = shown.text.split(u'\r');
    // 7 lines, blank lines after lines 1 and 2, and a CR after the last.
    QCOMPARE(parts.size(), 10);
    QCOMPARE(parts.at(0), QStringLiteral("════════┤◎ 关 于 ◎├════════"));
    QCOMPARE(parts.at(1), QString());
    QVERIFY(parts.at(2).startsWith(QStringLiteral(" Velmora系统  V1.0  ")));
    QCOMPARE(parts.at(3), QString());
    QVERIFY(parts.at(4).startsWith(QStringLiteral(" 软件作者:")));
    QVERIFY(parts.at(5).startsWith(QStringLiteral(" 联系地址:")));
    QCOMPARE(parts.at(8), QStringLiteral(" 欢迎各位程序爱好者、教师给我留言，共同交流、进步。"));
    QCOMPARE(parts.at(9), QString());
}

// ---- exercise form ----------------------------------------------------------

void TestStudentForms::exerciseLoad_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QString>("task");
    QTest::newRow("set 1, GBK task") << 1 << QStringLiteral("任务一\r\nline 2");
    QTest::newRow("set 2") << 2 << QStringLiteral("task two");
}

void TestStudentForms::exerciseLoad()
{
    QFETCH(int, set);
    QFETCH(QString, task);
    Classroom room;
    Module1 m = room.state();
    m.studentName = QStringLiteral("张三");
    m.teacherAddress = QStringLiteral("10.0.0.1");
    room.start(m);
    room.openWithButton(set);
    ExerciseForm* form = room.exercise();
    QVERIFY(form);
    const QString name = marking::setFolderName(set);
    QCOMPARE(form->Text1->toPlainText(),
             QString(task + QStringLiteral("\r\n"))
                 .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(room.app->state().exerciseText, task + QStringLiteral("\r\n"));
    QCOMPARE(room.app->state().scoreText, QStringLiteral("0"));
    QCOMPARE(form->Label1->text(), QStringLiteral("FrontPage网页制作 ") + name);
    QCOMPARE(form->Label3->text(), QDir::toNativeSeparators(room.work(name)));
    QCOMPARE(form->Command2->caption(), QStringLiteral("批改"));
    QCOMPARE(form->Lbl_ip->text(), QStringLiteral("[系统信息] 学生姓名:张三 本机IP:") +
                                       platform::ownIPv4(QStringLiteral("10.0.0.1")) +
                                       QStringLiteral(" 服务器IP:10.0.0.1"));
    QVERIFY(form->Check1->isChecked());
    QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    form->Check1->click();
    QVERIFY(!form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(form->isVisible());
    form->Check1->click();
    QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(form->isVisible());
    QVERIFY(room.prompter.shown.isEmpty());
    // Tab leaves the task text for the buttons instead of typing into it.
    const QString shown = form->Text1->toPlainText();
    QTest::keyClick(form->Text1, Qt::Key_Tab);
    QCOMPARE(form->Text1->toPlainText(), shown);
    // Back and another set: only the new task text.
    room.back();
    room.openWithButton(set == 1 ? 2 : 1);
    QCOMPARE(room.app->state().exerciseText.count(QStringLiteral("\r\n")), set == 1 ? 1 : 2);
    QVERIFY(!room.app->state().exerciseText.contains(task));
}

void TestStudentForms::workingFolderCopiedOnce()
{
    Classroom room;
    room.start();
    room.openWithButton(2);
    QVERIFY(QFileInfo::exists(room.work(kSet2, QStringLiteral("index.htm"))));
    QCOMPARE(treeOf(room.work(kSet2)),
             treeOf(room.program.filePath(QStringLiteral("wf/") + kSet2 + u'/' + kSet2)));
    QVERIFY(putFile(room.work(kSet2, QStringLiteral("index.htm")), "my page"));
    room.back();
    room.openWithButton(2);
    QCOMPARE(fileBytes(room.work(kSet2, QStringLiteral("index.htm"))), QByteArray("my page"));
}

void TestStudentForms::exerciseLoadProblems_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("mention");
    QTest::newRow("task file missing")
        << QStringLiteral("missing") << QStringLiteral("找不到本套练习的题目文件");
    QTest::newRow("task file empty") << QStringLiteral("empty") << QStringLiteral("题目文件是空的");
    QTest::newRow("template folder missing")
        << QStringLiteral("template") << QStringLiteral("找不到本套练习的素材文件夹");
}

void TestStudentForms::exerciseLoadProblems()
{
    QFETCH(QString, fault);
    QFETCH(QString, mention);
    Classroom room;
    const QString task = room.program.filePath(QStringLiteral("wf/2.txt"));
    if (fault == QStringLiteral("missing")) {
        QVERIFY(QFile::remove(task));
    } else if (fault == QStringLiteral("empty")) {
        QVERIFY(putFile(task, QByteArray()));
    } else {
        QVERIFY(QDir(room.program.filePath(QStringLiteral("wf/") + kSet2)).removeRecursively());
    }
    room.start();
    room.openWithButton(2);
    QVERIFY(room.exercise());
    QVERIFY(room.exercise()->isVisible());
    QVERIFY(room.exercise()->Text1->toPlainText().contains(mention));
    QCOMPARE(room.prompter.shown.size(), 1);
    QCOMPARE(room.prompter.shown.at(0).title, QStringLiteral("提示"));
    QVERIFY(room.prompter.shown.at(0).text.contains(mention));
    QVERIFY(room.prompter.shown.at(0).text.contains(QStringLiteral("老师")));
    QCOMPARE(room.app->state().scoreText, QStringLiteral("0"));
}

void TestStudentForms::linkHover()
{
    Classroom room;
    room.start();
    room.openWithButton(1);
    ExerciseForm* form = room.exercise();
    QVERIFY(form->Label3->font().underline());
    QVERIFY(!form->Label3->font().italic());
    pointerOver(form->Label3);
    QVERIFY(form->Label3->font().italic());
    pointerOver(form->Frame1);
    QVERIFY(!form->Label3->font().italic());
    pointerOver(form->Label3);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 100), form->mapToGlobal(QPoint(5, 100)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form->QQForm1, &move);
    QVERIFY(!form->Label3->font().italic());
}

void TestStudentForms::openFolderFailure()
{
#ifdef Q_OS_WIN
    QSKIP("Explorer reports nothing back");
#else
    // An opener that starts but cannot open the folder.
    QTemporaryDir bin;
    const QString opener = bin.filePath(QStringLiteral("xdg-open"));
    QVERIFY(writeAnsiFile(opener, u"#!/bin/sh\nexit 3\n").ok);
    QVERIFY(QFile::setPermissions(opener, QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    Classroom room;
    room.start();
    room.openWithButton(1);
    ExerciseForm* form = room.exercise();
    room.prompter.shown.clear();
    QSignalSpy failed(form, &ExerciseForm::openFolderFailed);
    QTest::mouseClick(form->Label3, Qt::LeftButton);
    qputenv("PATH", oldPath);
    QVERIFY(failed.wait(5000));
    QCOMPARE(room.prompter.shown.size(), 1);
    const Prompt& told = room.prompter.shown.first();
    QVERIFY(told.untitled); // an empty title bar, not the program's name
    QCOMPARE(told.text, QStringLiteral("无法自动打开，请你手动打开文件夹") +
                            QDir::toNativeSeparators(room.work(kSet1)));
#endif
}

void TestStudentForms::marking_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QByteArray>("page"); // empty: no page file at all
    QTest::newRow("set 1 without a page") << 1 << QByteArray();
    QTest::newRow("set 1 template page") << 1 << QByteArray("<html><body>template</body></html>");
    QTest::newRow("set 2 page with a table")
        << 2
        << QByteArray("<HTML><BODY><TABLE BORDER=1><TR><TD>\xB6\xAF\xCE\xEF</TD></TR></TABLE>"
                      "<marquee>hi</marquee><A HREF=\"a.htm\">a</A></BODY></HTML>");
}

void TestStudentForms::marking()
{
    QFETCH(int, set);
    QFETCH(QByteArray, page);
    Classroom room;
    room.start();
    room.openWithButton(set);
    const QString pagePath = room.work(marking::setFolderName(set), marking::pageFileName(set));
    if (page.isEmpty()) {
        QVERIFY(QFile::remove(pagePath));
    } else {
        QVERIFY(putFile(pagePath, page));
    }
    const marking::MarkResult expected = marking::markFile(set, pagePath);
    for (int run = 0; run < 2; ++run) {
        room.prompter.shown.clear();
        QTest::mouseClick(room.exercise()->Command2, Qt::LeftButton);
        QCOMPARE(room.prompter.shown.size(), 1);
        const Prompt report = room.prompter.shown.at(0);
        QCOMPARE(report.title, QStringLiteral("批改"));
        QCOMPARE(report.icon, QMessageBox::NoIcon);
        QCOMPARE(report.text, expected.report);
        QVERIFY(report.text.startsWith(QStringLiteral("批改结果如下：(每小题5分)\r")));
        const QString total = QString::number(expected.total);
        QVERIFY(report.text.endsWith(QStringLiteral("\r总分：") + total + u'\r'));
        QCOMPARE(room.exercise()->Command2->caption(), QStringLiteral("批改(%1分)").arg(total));
        QCOMPARE(room.app->state().scoreText, total);
        // The details list every check with its points and whether it passed.
        const QStringList details = report.details.split(u'\n');
        if (page.isEmpty()) {
            QCOMPARE(details.size(), 1);
        } else {
            QCOMPARE(details.size(), expected.checks.size());
            for (qsizetype i = 0; i < details.size(); ++i) {
                const marking::CheckOutcome& c = expected.checks.at(i);
                QVERIFY(details.at(i).startsWith(QStringLiteral("第%1题").arg(c.question)));
                QVERIFY(details.at(i).contains(QStringLiteral("%1分").arg(c.points)));
                QVERIFY(
                    details.at(i).contains(c.passed ? QStringLiteral("√") : QStringLiteral("×")));
                QVERIFY(details.at(i).endsWith(c.description));
            }
        }
    }
}

void TestStudentForms::redo_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("message"); // title of the box after the question
    QTest::addColumn<bool>("fresh");
    QTest::newRow("answered No: nothing changes")
        << QStringLiteral("edited") << QMessageBox::No << QString() << false;
    QTest::newRow("answered Yes: fresh copy")
        << QStringLiteral("edited") << QMessageBox::Yes << QStringLiteral("OK！") << true;
    QTest::newRow("folder deleted by hand: recreated")
        << QStringLiteral("deleted") << QMessageBox::Yes << QStringLiteral("OK！") << true;
    QTest::newRow("failure before the swap: student files intact")
        << QStringLiteral("blocked") << QMessageBox::Yes << QStringLiteral("警告") << false;
}

void TestStudentForms::redo()
{
    QFETCH(QString, situation);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, message);
    QFETCH(bool, fresh);
    Classroom room;
    room.start();
    room.openWithButton(1);
    QTest::mouseClick(room.exercise()->Command2, Qt::LeftButton); // a marking run before
    const QString caption = room.exercise()->Command2->caption();
    room.prompter.shown.clear();
    QVERIFY(putFile(room.work(kSet1, QStringLiteral("hu.htm")), "student page"));
    QVERIFY(putFile(room.work(kSet1, QStringLiteral("extra.htm")), "more"));
    const auto edited = treeOf(room.work(kSet1));
    if (situation == QStringLiteral("deleted")) {
        QVERIFY(QDir(room.work(kSet1)).removeRecursively());
    } else if (situation == QStringLiteral("blocked")) {
        QVERIFY(putFile(
            room.drive.filePath(QStringLiteral("WebDo/.") + kSet1 + QStringLiteral(".velmora-new")),
            "x"));
    }
    room.prompter.answers << answer;
    QTest::mouseClick(room.exercise()->Command3, Qt::LeftButton);
    QVERIFY(room.prompter.shown.size() >= 1);
    const Prompt question = room.prompter.shown.at(0);
    QCOMPARE(question.title, QStringLiteral("重做！"));
    QCOMPARE(question.text, QStringLiteral("确定要重做本题吗?"));
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.defaultButton, QMessageBox::No);
    QCOMPARE(room.prompter.shown.size(), message.isEmpty() ? 1 : 2);
    if (!message.isEmpty()) {
        QCOMPARE(room.prompter.shown.at(1).title, message);
    }
    if (message == QStringLiteral("OK！")) {
        QCOMPARE(room.prompter.shown.at(1).text, QStringLiteral("现在你可以开始重做本练习题了!"));
        QCOMPARE(room.prompter.shown.at(1).icon, QMessageBox::Information);
    } else if (message == QStringLiteral("警告")) {
        QCOMPARE(room.prompter.shown.at(1).text,
                 QStringLiteral("请先关闭FrontPage练习题，然后再点击“重做”!"));
        QCOMPARE(room.prompter.shown.at(1).icon, QMessageBox::Critical);
    }
    const auto templ = treeOf(room.program.filePath(QStringLiteral("wf/") + kSet1 + u'/' + kSet1));
    QCOMPARE(treeOf(room.work(kSet1)), fresh ? templ : edited);
    // Redo leaves the score alone.
    QCOMPARE(room.exercise()->Command2->caption(), caption);
}

// ---- upload -----------------------------------------------------------------

void TestStudentForms::upload_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("datagrams");
    QTest::addColumn<QString>("teacher");
    const QString loopback = QStringLiteral("127.0.0.1");
    QTest::newRow("acknowledged, before marking")
        << true << false << QStringLiteral("成绩上传成功！") << 1 << loopback;
    QTest::newRow("acknowledged, after marking")
        << true << true << QStringLiteral("成绩上传成功！") << 1 << loopback;
    QTest::newRow("nobody confirms: three tries, then a hint")
        << false << false << QStringLiteral("提示") << 3 << loopback;
    // The name is looked up: the route to it, not the first network card,
    // gives the address sent and shown.
    QTest::newRow("teacher given by name")
        << true << false << QStringLiteral("成绩上传成功！") << 1 << QStringLiteral("localhost");
}

// The road of a score and its work: Velmora's exercise form uploads to a real
// Velcoll window, the work is stored and marked again, the row shows a tick;
// a forged datagram that claims more than the work earns shows the mismatch.
void TestStudentForms::collectedWork()
{
    QTemporaryDir teacherHome;
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(teacherHome.path()));
    const auto restoreHome = qScopeGuard([&] { qputenv("HOME", home); });
    QTemporaryDir journal;
    collector::form1 velcoll(0, journal.path());
    QVERIFY(velcoll.isListening());
    QVERIFY(velcoll.workReceiver().isListening());

    Classroom room;
    Module1 m = room.state();
    m.studentName = QStringLiteral("张三");
    m.teacherAddress = QStringLiteral("127.0.0.1");
    m.collectorPort = velcoll.listeningPort();
    room.start(m);
    room.openWithButton(1);
    ExerciseForm* form = room.exercise();
    // Half of a full-marks page, and a picture beside it.
    QByteArray page =
        readFileBytes(QStringLiteral(VELMORA_SOURCE_DIR "/tests/marking/pages/set1_full.htm"))
            .value_or(QByteArray());
    page.truncate(page.size() / 2);
    QVERIFY(writeFileBytes(room.work(kSet1, u"hu.htm"_s), page).ok);
    QVERIFY(writeFileBytes(room.work(kSet1, u"pic.gif"_s), QByteArray("GIF89a\x01\0")).ok);
    QTest::mouseClick(form->Command2, Qt::LeftButton);
    const QString score = room.app->state().scoreText;
    QVERIFY(score != u"25"_s);
    room.prompter.shown.clear();
    room.prompter.answers << QMessageBox::Yes;
    QSignalSpy done(form, &ExerciseForm::uploadFinished);
    QTest::mouseClick(form->btn_sendscore, Qt::LeftButton);
    QVERIFY(done.wait(20000));
    QCOMPARE(room.prompter.shown.last().text, u"成绩上传成功！"_s); // no line about the work

    const collector::ScoreTable& t = velcoll.table();
    QTRY_COMPARE(t.liveCount(), 1);
    QTRY_COMPARE(t.row(1).remark, score);
    QVERIFY(!t.row(1).mismatched());
    // The stored files are the sent ones.
    for (const QString& name : {u"hu.htm"_s, u"pic.gif"_s}) {
        const auto stored = readFileBytes(QDir(t.row(1).work).filePath(name));
        QVERIFY(stored);
        QCOMPARE(*stored, readFileBytes(room.work(kSet1, name)).value_or(QByteArray()));
    }
#ifndef Q_OS_WIN
    // In the teacher's home (on Windows: in his Documents, outside HOME).
    QVERIFY(t.row(1).work.startsWith(teacherHome.path()));
#endif

    // A forged datagram claims 25 for the same computer and set.
    QUdpSocket forger;
    QVERIFY(forger.bind(QHostAddress::LocalHost, 0));
    forger.writeDatagram(toGbk(QString(u"127.0.0.1#PC#25#张三#"_s + kSet1)),
                         QHostAddress::LocalHost, velcoll.listeningPort());
    QTRY_COMPARE(t.row(1).score, u"25"_s);
    QVERIFY(t.row(1).mismatched());
    QVERIFY(velcoll.lbl_host()->text().contains(u"复核不符1条"_s));
    const QPoint mark = velcoll.Picture1()->cellRect(1, collector::RowCell::Image4).center();
    QCOMPARE(velcoll.Picture1()->toolTipAt(mark),
             collector::ScoreListView::remarkToolTip(score, u"25"_s));
}

void TestStudentForms::upload()
{
    QFETCH(bool, answer);
    QFETCH(bool, marked);
    QFETCH(QString, title);
    QFETCH(int, datagrams);
    QFETCH(QString, teacher);
    Receiver receiver(answer);
    Classroom room;
    Module1 m = room.state();
    m.studentName = QStringLiteral("张三");
    m.teacherAddress = teacher;
    m.collectorPort = receiver.port();
    room.start(m);
    room.openWithButton(1);
    ExerciseForm* form = room.exercise();
    if (marked) {
        QTest::mouseClick(form->Command2, Qt::LeftButton);
    }
    const QString score = room.app->state().scoreText;
    room.prompter.shown.clear();
    room.prompter.answers << QMessageBox::Yes;
    QSignalSpy done(form, &ExerciseForm::uploadFinished);
    QTest::mouseClick(form->btn_sendscore, Qt::LeftButton);
    // The question comes first, then the form waits without blocking.
    QCOMPARE(room.prompter.shown.size(), 1);
    const Prompt confirm = room.prompter.shown.at(0);
    QCOMPARE(confirm.title, QStringLiteral("确定要上传吗？"));
    QCOMPARE(confirm.text, kSet1 + QStringLiteral("\r姓名:张三\r分数:") + score);
    QCOMPARE(confirm.defaultButton, QMessageBox::No);
    QVERIFY(!form->btn_sendscore->isEnabled());
    // While the outcome is open the student can neither go back nor close.
    QVERIFY(!form->Command4->isEnabled());
    QVERIFY(QApplication::overrideCursor());
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QVERIFY(done.wait(5000));
    QVERIFY(form->btn_sendscore->isEnabled());
    QVERIFY(form->Command4->isEnabled());
    QVERIFY(form->Lbl_ip->text().contains(QStringLiteral(" 本机IP:127.0.0.1 ")));
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(room.prompter.shown.size(), 2);
    QCOMPARE(room.prompter.shown.at(1).title, title);
    QCOMPARE(room.prompter.shown.at(1).details, QString()); // the text says it all
    if (answer) {
        // The stand-in takes no work: the score still counts, one more line says so.
        QCOMPARE(room.prompter.shown.at(1).text,
                 QStringLiteral("成绩上传成功！\r作业未能提交到教师机"));
    } else {
        QVERIFY(room.prompter.shown.at(1).text.contains(QStringLiteral("没有确认")));
    }
    QTRY_COMPARE(receiver.received.size(), datagrams);
    // The teacher is reached through loopback, so that is the sender's address.
    const QByteArray expected = toGbk(QString(QStringLiteral("127.0.0.1#") + platform::hostName() +
                                              u'#' + score + QStringLiteral("#张三#") + kSet1));
    for (const QByteArray& d : std::as_const(receiver.received)) {
        QCOMPARE(d.left(d.lastIndexOf('#')), expected); // then the upload's token
    }
}

void TestStudentForms::uploadRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QMessageBox::StandardButton>("confirm");
    QTest::addColumn<QStringList>("titles"); // every box shown, in order
    QTest::addColumn<QString>("text");       // text of the last box
    QTest::newRow("empty name") << QString() << QStringLiteral("127.0.0.1") << QMessageBox::Yes
                                << QStringList{QString()} << QStringLiteral("请输入你的姓名!");
    QTest::newRow("name with #") << QStringLiteral("a#b") << QStringLiteral("127.0.0.1")
                                 << QMessageBox::Yes << QStringList{QStringLiteral("提示")}
                                 << QStringLiteral(
                                        "姓名中不能含有“#”号，否则教师机上的成绩会错乱。\r"
                                        "请点击“返回”，修改姓名后再上传成绩。");
    QTest::newRow("answered No") << QStringLiteral("张三") << QStringLiteral("127.0.0.1")
                                 << QMessageBox::No << QStringList{QStringLiteral("确定要上传吗？")}
                                 << QString();
    QTest::newRow("empty address")
        << QStringLiteral("张三") << QString() << QMessageBox::Yes
        << QStringList{QStringLiteral("确定要上传吗？"), QStringLiteral("错误")}
        << QStringLiteral("错误！找不到服务器或连接失败！请确定服务器IP设置无误！");
}

void TestStudentForms::uploadRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, address);
    QFETCH(QMessageBox::StandardButton, confirm);
    QFETCH(QStringList, titles);
    QFETCH(QString, text);
    Receiver receiver(true);
    Classroom room;
    Module1 m = room.state();
    m.studentName = name;
    m.teacherAddress = address;
    m.collectorPort = receiver.port();
    room.start(m);
    room.openWithButton(1);
    room.prompter.answers << confirm;
    QSignalSpy done(room.exercise(), &ExerciseForm::uploadFinished);
    QTest::mouseClick(room.exercise()->btn_sendscore, Qt::LeftButton);
    if (titles.size() > 1) {
        QVERIFY(done.wait(5000));
    }
    QStringList shownTitles;
    for (const Prompt& p : std::as_const(room.prompter.shown)) {
        shownTitles << p.title;
    }
    QCOMPARE(shownTitles, titles);
    if (!text.isEmpty()) {
        QCOMPARE(room.prompter.shown.constLast().text, text);
    }
    QVERIFY(room.exercise()->btn_sendscore->isEnabled());

    // A good upload after the refused one: once its outcome is in, whatever
    // the refused click had set going would have reached the receiver first.
    const int finishedBefore = int(done.count());
    room.app->state().studentName = QStringLiteral("张三");
    room.app->state().teacherAddress = QStringLiteral("127.0.0.1");
    room.exercise()->Winsock1->setRemote(QStringLiteral("127.0.0.1"), receiver.port());
    room.prompter.answers << QMessageBox::Yes;
    QTest::mouseClick(room.exercise()->btn_sendscore, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), finishedBefore + 1, 5000);
    QCOMPARE(room.prompter.shown.size(), titles.size() + 2);
    QCOMPARE(room.prompter.shown.at(titles.size()).title, QStringLiteral("确定要上传吗？"));
    QCOMPARE(room.prompter.shown.constLast().title, QStringLiteral("成绩上传成功！"));
    QCOMPARE(receiver.received.size(), 1);
    QVERIFY(receiver.received.first().contains(toGbk(QStringLiteral("#张三#"))));
}

QTEST_MAIN(TestStudentForms)
#include "tst_student_forms.moc"
