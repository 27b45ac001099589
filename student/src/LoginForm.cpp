// SPDX-License-Identifier: MIT
#include "LoginForm.h"

#include "EventLabel.h"
#include "FormLook.h"
#include "Form_menu.h"
#include "Module1.h"
#include "QQButton.h"
#include "QQForm.h"
#include "SettingsFiles.h"
#include "Shape.h"
#include "Twips.h"

#include <QEvent>
#include <QLineEdit>
#include <QMenu>

namespace velmora::student {

namespace {

const QColor kBoxBorder(192, 192, 255);
const QColor kLitFill(225, 250, 255);
const QColor kLitBorder(128, 128, 255);

QLabel* plainLabel(const QString& objectName, const QString& text, const QRect& where,
                   QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setGeometry(where);
    return label;
}

} // namespace

LoginForm::LoginForm(Module1& state, QWidget* parent) : QWidget(parent), m_state(state)
{
    setObjectName(QStringLiteral("LoginForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(FormLook::caption());
    setWindowIcon(FormLook::formIcon());
    // Not a fixed size: the frame's maximise button must be able to grow the
    // window (the controls keep their places); it never gets smaller.
    resize(twipsSize(6960, 4950));
    setMinimumSize(size());

    // The frame first: it lies under every other control.
    QQForm1 = new QQForm(this);
    QQForm1->setObjectName(QStringLiteral("QQForm1"));
    connect(QQForm1, &QQForm::MouseMove, this, [this] { highlight(-1); });

    // Creation: the hidden menu form.
    m_menu = new Form_menu(this);
    connect(m_menu, &Form_menu::setChosen, this, &LoginForm::chooseSet);

    for (int i : {0, 2}) {
        auto* box = new Shape(this);
        box->setObjectName(QStringLiteral("Shape2_%1").arg(i));
        box->setTransparentBox(kBoxBorder);
        Shape2.insert(i, box);
    }
    Shape2[0]->setGeometry(twipsRect(120, 360, 1215, 375));
    Shape2[2]->setGeometry(twipsRect(1320, 360, 1095, 375));

    lbl_menu1 = new EventLabel(QStringLiteral("综合练习(L)"), this);
    lbl_menu1->setObjectName(QStringLiteral("lbl_menu1"));
    lbl_menu1->setGeometry(twipsRect(120, 480, 1215, 255));
    lbl_menu1->setAlignment(Qt::AlignCenter);
    lbl_menu3 = new EventLabel(QStringLiteral("帮助(H)"), this);
    lbl_menu3->setObjectName(QStringLiteral("lbl_menu3"));
    lbl_menu3->setGeometry(twipsRect(1320, 480, 1095, 255));
    lbl_menu3->setAlignment(Qt::AlignCenter);
    connect(lbl_menu1, &EventLabel::MouseMove, this, [this] { highlight(0); });
    connect(lbl_menu3, &EventLabel::MouseMove, this, [this] { highlight(2); });
    connect(lbl_menu1, &EventLabel::Click, this, [this] {
        m_menu->lesson_study->popup(mapToGlobal(lbl_menu1->geometry().bottomLeft() + QPoint(0, 1)));
    });
    connect(lbl_menu3, &EventLabel::Click, this, [this] {
        m_menu->help->popup(mapToGlobal(lbl_menu3->geometry().bottomLeft() + QPoint(0, 1)));
    });

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(twipsRect(1440, 915, 420, 420));
    Image2->setPixmap(FormLook::logo());

    Label1 = plainLabel(QStringLiteral("Label1"), QStringLiteral("Velmora系统"),
                        twipsRect(2040, 960, 3615, 375), this);
    Label1->setFont(FormLook::songti(14.25, true));
    Label1->setStyleSheet(QStringLiteral("color: rgb(0, 0, 128);"));

    Label3 = plainLabel(QStringLiteral("Label3"), QStringLiteral("姓名:"),
                        twipsRect(1560, 1605, 615, 255), this);
    txt_UserName = new QLineEdit(this);
    txt_UserName->setObjectName(QStringLiteral("txt_UserName"));
    txt_UserName->setGeometry(twipsRect(2040, 1560, 855, 270));
    Label4 = plainLabel(QStringLiteral("Label4"), QStringLiteral("服务器IP:"),
                        twipsRect(3120, 1605, 1215, 255), this);
    txt_ServerIP = new QLineEdit(this);
    txt_ServerIP->setObjectName(QStringLiteral("txt_ServerIP"));
    txt_ServerIP->setGeometry(twipsRect(3960, 1560, 1455, 270));
    txt_UserName->installEventFilter(this);
    txt_ServerIP->installEventFilter(this);

    // The set buttons, three rows of three.
    const QPixmap picture = FormLook::picture(FormLook::Picture::SetButton);
    const int lefts[] = {1200, 2760, 4320};
    const int tops[] = {2040, 2760, 3480};
    m_state.fillSetNames();
    for (int i = sets::kFirst; i <= sets::kLast; ++i) {
        auto* button = new QQButton(this);
        button->setObjectName(QStringLiteral("f%1").arg(i));
        button->setGeometry(twipsRect(lefts[(i - 1) % 3], tops[(i - 1) / 3], 1335, 615));
        button->setCaption(m_state.setFolderName(i));
        button->setPicture(picture);
        button->setButtonStyle(0);
        connect(button, &QQButton::Click, this, [this, i] { chooseSet(i); });
        f[static_cast<size_t>(i)] = button;
    }

    Label2 =
        plainLabel(QStringLiteral("Label2"), creditLine(), twipsRect(1200, 4560, 5295, 255), this);
    Label2->setStyleSheet(QStringLiteral("color: rgb(128, 128, 128);"));

    load();
}

LoginForm::~LoginForm() = default;

QString LoginForm::creditLine()
{
    return QStringLiteral("Velmora开发组 制作   版权所有(C) 2026   MIT许可证");
}

SettingsFiles LoginForm::settingsFiles() const
{
    return SettingsFiles(m_state.programFolder, m_state.userConfigFolder,
                         m_state.systemSettingsFolder, m_state.programFolderTakesSettings);
}

void LoginForm::load()
{
    m_state.fillSetNames();
    const SettingsFiles files = settingsFiles();
    // Both files are read only while no name is known; afterwards the shared
    // state is what counts. An address given for this run comes first.
    if (m_state.studentName.isEmpty()) {
        m_state.teacherAddress = m_state.serverForThisRun.isEmpty()
                                     ? files.load(SettingsFiles::kHostFile)
                                     : m_state.serverForThisRun;
    }
    txt_ServerIP->setText(m_state.teacherAddress);
    if (m_state.studentName.isEmpty()) {
        m_state.studentName = files.load(SettingsFiles::kUserNameFile);
    }
    txt_UserName->setText(m_state.studentName);
}

bool LoginForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == txt_UserName || watched == txt_ServerIP) {
            saveBox(static_cast<QLineEdit*>(watched));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LoginForm::saveBox(QLineEdit* box)
{
    const SettingsFiles files = settingsFiles();
    const QString text = box->text();
    if (box == txt_UserName) {
        files.save(SettingsFiles::kUserNameFile, text);
        m_state.studentName = text;
    } else {
        // The address given for this run is kept for this run only, unless
        // the student changes it.
        if (m_state.serverForThisRun.isEmpty() || text != m_state.serverForThisRun) {
            files.save(SettingsFiles::kHostFile, text);
        }
        m_state.teacherAddress = text;
    }
}

void LoginForm::chooseSet(int set)
{
    // The box being typed in loses the focus as the form goes away: keep it.
    for (QLineEdit* box : {txt_UserName, txt_ServerIP}) {
        if (box->hasFocus()) {
            saveBox(box);
        }
    }
    m_state.currentSet = static_cast<qint16>(set);
    emit setChosen(set);
}

void LoginForm::highlight(int shapeIndex)
{
    for (auto it = Shape2.begin(); it != Shape2.end(); ++it) {
        if (it.key() == shapeIndex) {
            it.value()->setOpaqueBox(kLitFill, kLitBorder);
        } else {
            it.value()->setTransparentBox(kBoxBorder);
        }
    }
}

} // namespace velmora::student
