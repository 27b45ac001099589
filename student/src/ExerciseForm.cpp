// SPDX-License-Identifier: MIT
#include "ExerciseForm.h"

#include "EventLabel.h"
#include "FormLook.h"
#include "Module1.h"
#include "Platform.h"
#include "Prompter.h"
#include "QQButton.h"
#include "QQForm.h"
#include "Twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>

namespace velmora::student {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QMessageBox::StandardButton tell(QWidget* parent, const QString& title, const QString& text,
                                 QMessageBox::Icon icon = QMessageBox::NoIcon,
                                 const QString& details = {})
{
    return prompt(parent,
                  Prompt{title, text, icon, QMessageBox::Ok, QMessageBox::NoButton, details});
}

QQButton* commandButton(const QString& name, const QString& caption, FormLook::Picture picture,
                        int left, QWidget* parent)
{
    auto* button = new QQButton(parent);
    button->setObjectName(name);
    button->setGeometry(twipsRect(left, 3840, 1215, 735));
    button->setCaption(caption);
    button->setPicture(FormLook::picture(picture));
    button->setButtonStyle(1);
    return button;
}

} // namespace

ExerciseForm::ExerciseForm(Module1& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    setObjectName(QStringLiteral("ExerciseForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(FormLook::caption());
    setWindowIcon(FormLook::formIcon());
    // Not a fixed size: the frame's maximise button must be able to grow the
    // window (the controls keep their places); it never gets smaller.
    resize(twipsSize(6960, 4980));
    setMinimumSize(size());

    QQForm1 = new QQForm(this);
    QQForm1->setObjectName(QStringLiteral("QQForm1"));
    connect(QQForm1, &QQForm::MouseMove, this, [this] { setItalicLink(false); });

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setGeometry(twipsRect(1920, 480, 3975, 495));
    Label1->setFont(FormLook::songti(12, true));

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setText(QStringLiteral("【提示】网页制作文件及素材均在"));
    Label2->setGeometry(twipsRect(360, 960, 3375, 255));
    Label2->setFont(FormLook::songti(10.5));
    Label2->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));

    Label3 = new EventLabel(QString(), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(twipsRect(3600, 960, 1935, 255));
    QFont link = FormLook::songti(10.5);
    link.setUnderline(true);
    Label3->setFont(link);
    Label3->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    Label3->setCursor(Qt::PointingHandCursor);
    connect(Label3, &EventLabel::MouseMove, this, [this] { setItalicLink(true); });
    connect(Label3, &EventLabel::Click, this, &ExerciseForm::openFolder);

    Check1 = new QCheckBox(QStringLiteral("窗口置前"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(twipsRect(5640, 960, 1095, 255));
    Check1->setChecked(true);
    Check1->setAutoFillBackground(true);
    Check1->setStyleSheet(
        QStringLiteral("QCheckBox { background: white; color: rgb(0, 0, 128); }"));
    connect(Check1, &QCheckBox::toggled, this, [this](bool on) { FormLook::keepOnTop(this, on); });

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(360, 1200, 6255, 2535));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setStyleSheet(QStringLiteral("QFrame#Frame1 { background: white; }"));
    Frame1->setFont(FormLook::songti(10.5));
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(this);

    Text1 = new QPlainTextEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(120, 240, 6015, 2175));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Keyboard users reach the buttons with Tab; a tab typed into the task
    // text would only spoil it.
    Text1->setTabChangesFocus(true);

    Command4 = commandButton(QStringLiteral("Command4"), QStringLiteral("返回"),
                             FormLook::Picture::Back, 360, this);
    Command3 = commandButton(QStringLiteral("Command3"), QStringLiteral("重做本题"),
                             FormLook::Picture::Redo, 1800, this);
    btn_sendscore = commandButton(QStringLiteral("btn_sendscore"), QStringLiteral("上传成绩"),
                                  FormLook::Picture::Upload, 3960, this);
    Command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("批改"),
                             FormLook::Picture::Mark, 5400, this);
    connect(Command4, &QQButton::Click, this, &ExerciseForm::back);
    connect(Command3, &QQButton::Click, this, &ExerciseForm::redo);
    connect(btn_sendscore, &QQButton::Click, this, &ExerciseForm::upload);
    connect(Command2, &QQButton::Click, this, &ExerciseForm::mark);

    Lbl_ip = new QLabel(this);
    Lbl_ip->setObjectName(QStringLiteral("Lbl_ip"));
    Lbl_ip->setTextFormat(Qt::PlainText);
    Lbl_ip->setGeometry(twipsRect(360, 4680, 7815, 255));
    Lbl_ip->setStyleSheet(QStringLiteral("color: rgb(128, 128, 128);"));

    Winsock1 = new ScoreUploader(this);
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    connect(Winsock1, &ScoreUploader::finished, this, &ExerciseForm::uploaded);
    m_workSender = new WorkSender(this);
    connect(m_workSender, &WorkSender::finished, this, &ExerciseForm::workSent);

    // The way into the page editor: Ctrl+E, or a right-click on the form.
    // It adds no control, so the form's own controls keep their places.
    editAction = new QAction(QStringLiteral("用网页编辑器打开网页(&E)"), this);
    editAction->setObjectName(QStringLiteral("editAction"));
    editAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    editAction->setShortcutContext(Qt::WindowShortcut);
    addAction(editAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(editAction, &QAction::triggered, this, &ExerciseForm::editPage);

    load();
}

QString ExerciseForm::editorProgram()
{
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("velmora-editor"));
    if (QFileInfo(beside).isExecutable()) {
        return beside;
    }
    return QStandardPaths::findExecutable(QStringLiteral("velmora-editor"));
}

void ExerciseForm::editPage()
{
    const int set = m_state.currentSet;
    const QString page = marking::findPage(m_folder->workingFolder(), marking::pageFileName(set));
    const QString editor = editorProgram();
    if (editor.isEmpty()) {
        tell(this, QStringLiteral("网页编辑器"),
             QStringLiteral("没有安装网页编辑器（velmora-"
                            "editor）。\n请用其他网页编辑软件打开工作文件夹里的网页 ") +
                 marking::pageFileName(set) + QStringLiteral("，或请老师安装 velmora-editor。"),
             QMessageBox::Information);
        return;
    }
    if (!QProcess::startDetached(editor, {page})) {
        tell(this, QStringLiteral("网页编辑器"), QStringLiteral("网页编辑器没能启动。"),
             QMessageBox::Warning);
    }
}

ExerciseForm::~ExerciseForm()
{
    setWaitingForUpload(false);
}

void ExerciseForm::load()
{
    const int set = m_state.currentSet;
    const QString name = m_state.currentSetName();
    m_folder = std::make_unique<WorkingFolder>(m_state.programFolder, m_state.driveRoot,
                                               m_state.workingRootWord, set, name);

    // 1. The task text, or what is missing in its place.
    const std::optional<QString> task = m_folder->readTask();
    QString shownTask;
    if (!task) {
        shownTask = QStringLiteral("【找不到本套练习的题目文件：%1】")
                        .arg(FileSystem::shown(m_folder->taskFile()));
        m_loadProblems << shownTask;
    } else if (task->trimmed().isEmpty()) {
        shownTask = QStringLiteral("【本套练习的题目文件是空的：%1】")
                        .arg(FileSystem::shown(m_folder->taskFile()));
        m_loadProblems << shownTask;
    } else {
        shownTask = *task;
    }
    m_state.exerciseText += shownTask + kCrLf;

    // 2. to 5.
    m_state.scoreText = QStringLiteral("0");
    Label1->setText(QStringLiteral("FrontPage网页制作 ") + name);
    // The home folder shows as "~" so the path fits the label; the tip shows
    // the whole path.
    Label3->setText(platform::displayPath(m_folder->workingFolder()));
    Label3->setToolTip(FileSystem::shown(m_folder->workingFolder()));
    Text1->setPlainText(m_state.exerciseText);

    // 6. Socket and status line.
    showOwnAddress(platform::ownIPv4(m_state.teacherAddress));
    // A teacher given by name: the address on the route to it once the name
    // is looked up.
    platform::ownIPv4For(m_state.teacherAddress, this,
                         [this](const QString& own) { showOwnAddress(own); });
    Winsock1->setRemote(m_state.teacherAddress, m_state.collectorPort);
    Winsock1->setPatience(m_state.ackTimeoutMs, m_state.uploadTries);
    m_workSender->setRemote(m_state.teacherAddress, m_state.collectorPort);
    // A folder of up to 8 MiB takes longer than a datagram: a try waits at
    // least five seconds without progress before it is given up.
    m_workSender->setPatience(std::max(5000, m_state.ackTimeoutMs), m_state.uploadTries);

    // 7. On top of other windows, matching Check1.
    FormLook::keepOnTop(this, true);

    // 8. and 9. The working folder, copied from the template the first time.
    const WorkingFolder::Result ready = m_folder->ensure();
    if (ready.outcome == WorkingFolder::Outcome::TemplateMissing) {
        m_loadProblems << QStringLiteral("【找不到本套练习的素材文件夹：%1】")
                              .arg(FileSystem::shown(m_folder->templateFolder()));
    } else if (ready.outcome == WorkingFolder::Outcome::Failed) {
        m_loadProblems << QStringLiteral("【无法建立练习文件夹：%1】")
                              .arg(FileSystem::shown(m_folder->workingFolder()));
    }
    if (ready.outcome != WorkingFolder::Outcome::AlreadyThere &&
        ready.outcome != WorkingFolder::Outcome::Copied) {
        Text1->appendPlainText(m_loadProblems.constLast());
    }
}

void ExerciseForm::tellLoadProblems()
{
    if (m_loadProblems.isEmpty()) {
        return;
    }
    tell(this, QStringLiteral("提示"),
         QStringLiteral("本套练习的材料不完整：\r") + m_loadProblems.join(u'\r') +
             QStringLiteral("\r请告诉老师检查软件目录下的wf文件夹。"),
         QMessageBox::Warning);
}

QString ExerciseForm::markingDetails(const marking::MarkResult& result)
{
    if (!result.pageFound) {
        return QStringLiteral("没有找到网页文件，所以没有检查任何一项。");
    }
    QStringList lines;
    for (const marking::CheckOutcome& check : result.checks) {
        lines << QStringLiteral("第%1题 %2 %3分：%4")
                     .arg(check.question)
                     .arg(check.passed ? QStringLiteral("√ 得") : QStringLiteral("× 缺"))
                     .arg(check.points)
                     .arg(check.description);
    }
    return lines.join(u'\n');
}

void ExerciseForm::mark()
{
    const int set = m_state.currentSet;
    const QString page = marking::findPage(m_folder->workingFolder(), marking::pageFileName(set));
    const marking::MarkResult result = marking::markFile(set, page);
    tell(this, QStringLiteral("批改"), result.report, QMessageBox::NoIcon, markingDetails(result));
    const QString total = QString::number(result.total);
    Command2->setCaption(QStringLiteral("批改(") + total + QStringLiteral("分)"));
    m_state.scoreText = total;
}

void ExerciseForm::redo()
{
    const auto answer = prompt(this, Prompt{QStringLiteral("重做！"),
                                            QStringLiteral("确定要重做本题吗?"),
                                            QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::No,
                                            {}});
    if (answer != QMessageBox::Yes) {
        return;
    }
    const WorkingFolder::Result done = m_folder->redo();
    switch (done.outcome) {
    case WorkingFolder::Outcome::Copied:
    case WorkingFolder::Outcome::AlreadyThere:
        tell(this, QStringLiteral("OK！"), QStringLiteral("现在你可以开始重做本练习题了!"),
             QMessageBox::Information);
        break;
    case WorkingFolder::Outcome::TemplateMissing:
        tell(this, QStringLiteral("提示"),
             QStringLiteral("找不到本套练习的素材文件夹：\r") +
                 FileSystem::shown(m_folder->templateFolder()) +
                 QStringLiteral("\r你的练习文件没有改动。请告诉老师检查软件目录下的wf文件夹。"),
             QMessageBox::Warning);
        break;
    case WorkingFolder::Outcome::Failed:
        tell(this, QStringLiteral("警告"),
             QStringLiteral("请先关闭FrontPage练习题，然后再点击“重做”!"), QMessageBox::Critical);
        break;
    }
}

void ExerciseForm::upload()
{
    if (Winsock1->busy()) {
        return;
    }
    const QString name = m_state.studentName;
    switch (ScoreUploader::nameProblem(name)) {
    case ScoreUploader::NameProblem::None:
        break;
    case ScoreUploader::NameProblem::Empty:
        tell(this, QString(), QStringLiteral("请输入你的姓名!"));
        return;
    case ScoreUploader::NameProblem::ContainsHash:
        tell(this, QStringLiteral("提示"),
             QStringLiteral("姓名中不能含有“#”号，否则教师机上的成绩会错乱。\r"
                            "请点击“返回”，修改姓名后再上传成绩。"),
             QMessageBox::Warning);
        return;
    }
    const QString setName = m_state.currentSetName();
    const auto answer = prompt(this, Prompt{QStringLiteral("确定要上传吗？"),
                                            setName + QStringLiteral("\r姓名:") + name +
                                                QStringLiteral("\r分数:") + m_state.scoreText,
                                            QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::No,
                                            {}});
    if (answer != QMessageBox::Yes) {
        return;
    }
    // The datagram may already be on its way once the wait begins: until its
    // outcome is known, the student can neither go back nor close the window,
    // so the answer is always seen.
    setWaitingForUpload(true);
    // The address field is the local address on the route to the teacher,
    // also when the teacher is given by name (looked up first).
    platform::ownIPv4For(
        m_state.teacherAddress, this,
        [this, datagram = ScoreDatagram{QString(), platform::hostName(), m_state.scoreText, name,
                                        setName}](const QString& own) mutable {
            showOwnAddress(own);
            datagram.address = own;
            m_uploaded = datagram;
            Winsock1->upload(datagram);
        });
}

void ExerciseForm::showOwnAddress(const QString& own)
{
    Lbl_ip->setText(QStringLiteral("[系统信息] 学生姓名:") + m_state.studentName +
                    QStringLiteral(" 本机IP:") + own + QStringLiteral(" 服务器IP:") +
                    m_state.teacherAddress);
}

void ExerciseForm::setWaitingForUpload(bool waiting)
{
    if (waiting == m_waitingForUpload) {
        return;
    }
    m_waitingForUpload = waiting;
    btn_sendscore->setEnabled(!waiting);
    Command4->setEnabled(!waiting);
    if (waiting) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void ExerciseForm::closeEvent(QCloseEvent* event)
{
    if (m_waitingForUpload) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ExerciseForm::uploaded(ScoreUploader::Outcome outcome)
{
    m_scoreOutcome = outcome;
    m_workDelivered = false;
    if (outcome == ScoreUploader::Outcome::SendFailed) {
        showUploadResult(); // no teacher to send the work to
        return;
    }
    // The work follows the score; an older collector without a work
    // receiver keeps the score all the same.
    const int set = m_state.currentSet;
    work::WorkHeader fields;
    fields.address = m_uploaded.address;
    fields.computer = m_uploaded.computer;
    fields.name = m_uploaded.name;
    fields.set = m_uploaded.set;
    fields.score = m_uploaded.score;
    m_workSender->send(fields, m_folder->workingFolder(), marking::pageFileName(set));
}

void ExerciseForm::workSent(WorkSender::Outcome outcome)
{
    m_workDelivered = outcome == WorkSender::Outcome::Delivered;
    showUploadResult();
}

void ExerciseForm::showUploadResult()
{
    setWaitingForUpload(false);
    const ScoreUploader::Outcome outcome = m_scoreOutcome;
    const QString workLine = m_workDelivered || outcome == ScoreUploader::Outcome::SendFailed
                                 ? QString()
                                 : QStringLiteral("\r作业未能提交到教师机");
    switch (outcome) {
    case ScoreUploader::Outcome::Acknowledged:
        tell(this, QStringLiteral("成绩上传成功！"), QStringLiteral("成绩上传成功！") + workLine);
        break;
    case ScoreUploader::Outcome::Unconfirmed:
        tell(this, QStringLiteral("提示"),
             QStringLiteral("成绩已经发出，但教师机没有确认收到。\r"
                            "请确认教师机上的成绩收集程序正在运行，并检查服务器IP设置是否正确，"
                            "然后再上传一次。") +
                 workLine,
             QMessageBox::Warning);
        break;
    case ScoreUploader::Outcome::SendFailed:
        tell(this, QStringLiteral("错误"),
             QStringLiteral("错误！找不到服务器或连接失败！请确定服务器IP设置无误！"));
        break;
    }
    emit uploadFinished(outcome);
}

void ExerciseForm::back()
{
    m_state.exerciseText.clear();
    emit backRequested();
}

void ExerciseForm::openFolder()
{
    const QString folder = m_folder->workingFolder();
    platform::openFolder(folder, this, [this, folder] {
        prompt(this, Prompt{QString(),
                            QStringLiteral("无法自动打开，请你手动打开文件夹") +
                                FileSystem::shown(folder),
                            QMessageBox::NoIcon,
                            QMessageBox::Ok,
                            QMessageBox::NoButton,
                            {},
                            true});
        emit openFolderFailed();
    });
}

void ExerciseForm::setItalicLink(bool italic)
{
    QFont font = Label3->font();
    if (font.italic() != italic) {
        font.setItalic(italic);
        Label3->setFont(font);
    }
}

bool ExerciseForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Frame1 && event->type() == QEvent::MouseMove) {
        setItalicLink(false);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmora::student
