// SPDX-License-Identifier: MIT
#include "form1.h"

#include "AnsiFile.h"
#include "CollectorArt.h"
#include "CounterLabel.h"
#include "ExerciseSets.h"
#include "Gbk.h"
#include "ListScrollBar.h"
#include "Marking.h"
#include "Platform.h"
#include "Prompter.h"
#include "QQButton.h"
#include "QQForm.h"
#include "RowLayout.h"
#include "ScoreListView.h"
#include "ScoreReceiver.h"
#include "Twips.h"
#include "UiFont.h"
#include "Version.h"
#include "WorkMarker.h"
#include "WorkReceiver.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>

namespace velmora::collector {

namespace {

const QColor kGreyText(128, 128, 128);

void setBackground(QWidget* w, const QColor& color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// Texts that may come from a datagram are never read as markup.
QLabel* plainLabel(QWidget* parent, const QString& text = {})
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setText(text);
    return label;
}

QLabel* imageLabel(QWidget* parent, const QPixmap& picture)
{
    auto* label = new QLabel(parent);
    label->setPixmap(picture);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

SaveChoice defaultSaveFileChooser(QWidget* parent)
{
    // No overwrite question and no default extension: the name is used as
    // typed, and the export rules decide the extension from the chosen type.
    QString filter = ListExport::filters().first();
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("保存文件"), QString(),
                                                ListExport::dialogFilter(), &filter,
                                                QFileDialog::DontConfirmOverwrite);
    return SaveChoice(std::move(path), std::move(filter));
}

bool openWithDesktop(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace

const QString& form1::windowCaption()
{
    static const QString caption = QStringLiteral("Velmora系统(Velcoll程序)");
    return caption;
}

QString form1::helpText()
{
    const QChar cr(u'\r');
    // The shipped workbook has no macros: it imports the text file by the
    // steps of its 使用说明 sheet, and the .xlsx type needs no import at all.
    return QStringLiteral("[使用帮助]") + cr +
           QStringLiteral("1.点击“保存成绩(.txt)”将接收到的学生成绩保存为文本格式(.txt)。") + cr +
           QStringLiteral("  保存类型也可选“Excel 工作簿 (*.xlsx)”：得到的工作簿已含全部成绩、"
                          "班级汇总和未交名单，不必再导入；或选“CSV UTF-8 (*.csv)”，"
                          "可用任何电子表格程序打开。") +
           cr +
           QStringLiteral("2.点击“汇总成绩(.xls)”打开EXCEL文件“汇总成绩.xls”(若无法自动打开，"
                          "可在软件安装目录下手动打开)。") +
           cr +
           QStringLiteral("3.按EXCEL文件里面“使用说明”工作表的步骤打开刚才的文本文件，"
                          "即可将文本中的成绩导入到Excel中。") +
           cr + cr +
           QStringLiteral(
               "[注意]最好将“汇总成绩.xls”中的数据另存或备份，以免在下次汇总成绩时被覆盖。") +
           cr;
}

QString form1::aboutText()
{
    const QChar cr(u'\r');
    return QStringLiteral("Velmora系统 Velcoll程序 V1.0") + cr + cr +
           QStringLiteral("作者：Velmora开发组") + cr +
           QStringLiteral("本程序供学校机房网页制作练习课使用。") + cr +
           QStringLiteral("问题与建议请告诉任课教师，由其转交开发组。") + cr + cr +
           QStringLiteral("版本" VELMORA_VERSION
                          "，本软件按MIT许可证发布，可自由使用、复制和修改。");
}

const QString& form1::restoreQuestion()
{
    static const QString text = QStringLiteral("上次的成绩尚未保存，是否恢复？");
    return text;
}

form1::form1(quint16 port, const QString& journalFolder, QWidget* parent)
    : QWidget(parent), m_chooseSaveFile(&defaultSaveFileChooser),
      m_startSpreadsheet(&platform::startSpreadsheet), m_openDocument(&openWithDesktop)
{
    setObjectName(QStringLiteral("form1"));
    setWindowTitle(windowCaption());
    setWindowIcon(CollectorArt::windowIcon());
    resize(twipsSize(9255, 7020));

    // The frame first, so that it lies under every other control.
    // The record path first: the list shows the book's table.
    m_book = new ScoreBook(journalFolder, this);
    m_book->open();

    m_QQForm1 = new QQForm(this);
    m_QQForm1->setObjectName(QStringLiteral("QQForm1"));
    m_QQForm1->setGeometry(twipsRect(0, 0, 9255, 7020));
    connect(m_QQForm1, &QQForm::MouseMove, this, &form1::showAddressLine);

    buildHeader();
    buildList();
    buildButtons();

    // The counter changes with every new row: it is painted, not laid out.
    m_lbl_exam_info = new CounterLabel(m_QQForm1, this);
    m_lbl_exam_info->setObjectName(QStringLiteral("lbl_exam_info"));
    m_lbl_exam_info->setGeometry(twipsRect(4320, 6285, 1575, 255));
    m_lbl_exam_info->setFixedSize(m_lbl_exam_info->size());
    m_lbl_exam_info->setText(table().counterText());

    m_lbl_host = plainLabel(this);
    m_lbl_host->setObjectName(QStringLiteral("lbl_host"));
    m_lbl_host->setGeometry(twipsRect(480, 6720, 4215, 255));
    m_Label3 = plainLabel(this);
    m_Label3->setObjectName(QStringLiteral("Label3"));
    m_Label3->setGeometry(twipsRect(480, 6720, 8535, 255));
    for (QLabel* line : {m_lbl_host, m_Label3}) {
        QPalette pal = line->palette();
        pal.setColor(QPalette::WindowText, kGreyText);
        line->setPalette(pal);
    }

    m_receiver = new ScoreReceiver(*m_book, this);
    m_work = new WorkReceiver(WorkStore(), this);
    m_marker = new WorkMarker(this);
    // Work is filed under the row it belongs to and marked again off this
    // thread; the result shows as the row's mark.
    connect(m_work, &WorkReceiver::workStored, this,
            [this](const work::WorkHeader& header, const QHostAddress&, const QString& folder,
                   const QString&) {
                m_book->attachWork(header.address, header.set, folder);
                m_marker->mark(header.address, header.set, folder);
            });
    connect(m_work, &WorkReceiver::workRefused, this,
            [this](const QHostAddress& peer, work::Refusal reason, const QString& detail,
                   const work::WorkHeader&) {
                m_book->noteWorkRefused(peer.toString(),
                                        detail.isEmpty() ? work::refusalText(reason) : detail);
            });
    connect(m_marker, &WorkMarker::marked, this,
            [this](const QString& address, const QString& set, const QString& folder, int score) {
                m_book->setRemark(address, set, folder, QString::number(score));
            });
    connect(m_marker, &WorkMarker::markFailed, this,
            [this](const QString& address, const QString& set, const QString& folder,
                   const QString& why) {
                m_book->setRemark(address, set, folder, QString());
                m_book->noteWorkRefused(address, why);
            });
    connect(m_Picture1, &ScoreListView::rowMenuRequested, this, &form1::showRowMenu);
    connect(m_book, &ScoreBook::rowsAdded, m_Picture1, &ScoreListView::rowsAdded);
    connect(m_book, &ScoreBook::rowChanged, m_Picture1, &ScoreListView::rowChanged);
    connect(m_book, &ScoreBook::countChanged, this,
            [this] { m_lbl_exam_info->setText(table().counterText()); });
    // What reception turned away, forged-address marks and a journal that
    // cannot be written follow the address on the status line.
    connect(m_book, &ScoreBook::statusChanged, this, &form1::refreshStatusLine);
    // Never from inside the socket's handler: the box waits for the loop.
    connect(m_book, &ScoreBook::listFilled, this, &form1::reportFullList, Qt::QueuedConnection);
    startListening(port);
    refreshStatusLine();
    m_lbl_host->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lbl_host, &QWidget::customContextMenuRequested, this, &form1::showStatusMenu);
    // Scores are taken from the start; the question about the last run's
    // rows waits for the event loop, and rows that arrive meanwhile stay.
    if (m_book->previous().worthAsking()) {
        QMetaObject::invokeMethod(this, &form1::askRestore, Qt::QueuedConnection);
    }
    if (!m_book->previous().setAside.isEmpty()) {
        QMetaObject::invokeMethod(this, &form1::reportSetAside, Qt::QueuedConnection);
    }
    setProgramFolder(platform::programFolder());
    m_Label3->hide();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

form1::~form1() = default;

void form1::buildHeader()
{
    m_Picture3 = new QWidget(this);
    m_Picture3->setObjectName(QStringLiteral("Picture3"));
    m_Picture3->setGeometry(twipsRect(300, 480, 8415, 375));
    setBackground(m_Picture3, Qt::white);

    const QFont font = CollectorArt::songFont(10.5);
    struct Item
    {
        const char* name;
        int left;
        int width;
        const char* caption; // nullptr: an image
        int picture;         // 0 computer, 1 person, 2 score
    };
    static constexpr Item items[] = {
        {"I1", 240, 240, nullptr, 0},     {"l1", 480, 1695, "IP地址", 0},
        {"I2", 2160, 240, nullptr, 0},    {"l2", 2400, 1215, "机器名", 0},
        {"I3", 3600, 240, nullptr, 1},    {"l3", 3840, 975, "姓名", 0},
        {"I4", 4800, 300, nullptr, 2},    {"l4", 5160, 855, "分数", 0},
        {"Label1", 6840, 615, "编辑", 0}, {"Label2", 7370, 615, "删除", 0},
    };
    for (const Item& item : items) {
        QLabel* label = nullptr;
        if (item.caption) {
            label = plainLabel(m_Picture3, QString::fromUtf8(item.caption));
            label->setFont(font);
            label->setGeometry(twipsRect(item.left, 120, item.width, 255));
        } else {
            const QPixmap picture = item.picture == 0   ? CollectorArt::computerIcon()
                                    : item.picture == 1 ? CollectorArt::personIcon()
                                                        : CollectorArt::scorePicture();
            label = imageLabel(m_Picture3, picture);
            label->setGeometry(twipsRect(item.left, 120, item.width, item.width));
        }
        label->setObjectName(QLatin1String(item.name));
    }
}

void form1::buildList()
{
    m_VScroll1 = new ListScrollBar(Qt::Vertical, this);
    m_VScroll1->setObjectName(QStringLiteral("VScroll1"));
    m_VScroll1->setGeometry(twipsRect(8640, 960, 255, RowLayout::kViewportHeight));
    m_VScroll1->setFocusPolicy(Qt::NoFocus);

    m_Picture1 = new ScoreListView(m_book->table(), m_VScroll1, this);
    m_Picture1->setGeometry(twipsRect(480, 960, 8175, RowLayout::kViewportHeight));
    connect(m_Picture1, &ScoreListView::deleteClicked, this, &form1::deleteRow);
    connect(m_Picture1, &ScoreListView::nameEdited, this, &form1::correctName);
    connect(m_Picture1, &ScoreListView::scoreEdited, this, &form1::correctScore);
    // The bar overlaps the viewport's last pixel column and lies above it.
    m_VScroll1->raise();
}

void form1::buildButtons()
{
    struct Item
    {
        QQButton** button;
        const char* name;
        int left;
        int width;
        const char* caption;
        void (form1::*command)();
    };
    const Item items[] = {
        {&m_QQButton1, "QQButton1", 480, 1695, "1.保存成绩(.txt)", &form1::save},
        {&m_QQButton2, "QQButton2", 2280, 1695, "2.汇总成绩(.xls)", &form1::handoff},
        {&m_QQButton4, "QQButton4", 6240, 1215, "帮助", &form1::showHelp},
        {&m_QQButton3, "QQButton3", 7680, 1215, "关于", &form1::showAbout},
    };
    const QFont font = CollectorArt::songFont(9);
    for (const Item& item : items) {
        auto* button = new QQButton(this);
        button->setObjectName(QLatin1String(item.name));
        button->setGeometry(twipsRect(item.left, 6120, item.width, 495));
        button->setFont(font);
        button->setCaption(QString::fromUtf8(item.caption));
        connect(button, &QQButton::Click, this, item.command);
        *item.button = button;
    }
    // Over the hand-off button the status line shows where the workbook is.
    connect(m_QQButton2, &QQButton::MouseMove, this, &form1::showWorkbookLine);
}

void form1::askRestore()
{
    const PreviousRun& last = m_book->previous();
    if (!last.worthAsking()) {
        return;
    }
    QString text = restoreQuestion();
    if (last.contents.damagedLines > 0) {
        text += QStringLiteral("\r有%1行已损坏，未能恢复").arg(last.contents.damagedLines);
    }
    const auto answer =
        prompt(isVisible() ? this : nullptr, Prompt{QString(),
                                                    text,
                                                    QMessageBox::Question,
                                                    QMessageBox::Yes | QMessageBox::No,
                                                    QMessageBox::Yes,
                                                    {}});
    // On No the old journal stays under a dated name.
    if (answer == QMessageBox::Yes) {
        m_book->restorePrevious();
    } else {
        m_book->discardPrevious();
    }
}

void form1::reportSetAside()
{
    const PreviousRun& last = m_book->previous();
    prompt(this,
           Prompt{QStringLiteral("提示"),
                  QStringLiteral("上次的成绩日志无法读取（") + last.reason +
                      QStringLiteral("），已移到：\r") + QDir::toNativeSeparators(last.setAside),
                  QMessageBox::Warning,
                  QMessageBox::Ok,
                  QMessageBox::Ok,
                  {}});
}

void form1::startListening(quint16 port)
{
    QString portText = QString::number(port);
    if (m_receiver->listen(port)) {
        portText = QString::number(m_receiver->localPort());
        // Work comes by TCP on the same port number, so one firewall rule
        // serves both. Without it scores still arrive; the status says so.
        if (!m_work->listen(m_receiver->localPort())) {
            m_book->noteWorkRefused({}, QStringLiteral("无法在TCP端口") + portText +
                                            QStringLiteral("上接收作业：") + m_work->errorString());
        }
        m_addressText =
            QStringLiteral("服务器IP:") + platform::ownIPv4() + QStringLiteral(" 端口:") + portText;
        m_lbl_host->setText(m_addressText);
        m_lbl_host->show();
        return;
    }
    // The window still opens: the teacher sees why no score will arrive.
    if (m_receiver->error() == QAbstractSocket::AddressInUseError) {
        m_listenProblem =
            QStringLiteral("端口") + portText +
            QStringLiteral("已被占用（本机可能已在运行另一个成绩接收程序），"
                           "本程序无法接收成绩。\r请关闭另一个程序后重新启动本程序。");
        m_addressText =
            QStringLiteral("端口") + portText + QStringLiteral("已被占用，无法接收成绩！");
    } else {
        m_listenProblem = QStringLiteral("无法在端口") + portText + QStringLiteral("上接收成绩：") +
                          m_receiver->errorString();
        m_addressText = QStringLiteral("无法在端口") + portText + QStringLiteral("上接收成绩！");
    }
    setStatusWarning(m_addressText);
}

void form1::refreshStatusLine()
{
    QString text = m_addressText;
    if (const QString book = m_book->statusText(); !book.isEmpty()) {
        text += QStringLiteral("  ") + book;
    }
    m_lbl_host->setToolTip(m_book->statusDetails());
    if (text == m_addressText && m_receiver->isListening()) {
        m_lbl_host->setText(text);
        m_lbl_host->setStyleSheet({});
    } else {
        setStatusWarning(text);
    }
}

QString form1::workFolder(int i) const
{
    return table().isValidRow(i) && !table().row(i).deleted ? table().row(i).work : QString();
}

QString form1::workPage(int i) const
{
    const QString folder = workFolder(i);
    if (folder.isEmpty()) {
        return {};
    }
    // Found as the marking finds it, without marking it again.
    const int set = sets::indexOf(table().row(i).set);
    return set == 0 ? QString() : marking::findPage(folder, marking::pageFileName(set));
}

void form1::viewWork(int i)
{
    const QString page = workPage(i);
    if (page.isEmpty() || !QFileInfo(page).isFile() || !m_openDocument || !m_openDocument(page)) {
        prompt(this, Prompt{QStringLiteral("提示"),
                            QStringLiteral("无法打开作业“") +
                                QDir::toNativeSeparators(page.isEmpty() ? workFolder(i) : page) +
                                QStringLiteral("”。"),
                            QMessageBox::Information,
                            QMessageBox::Ok,
                            QMessageBox::Ok,
                            {}});
    }
}

void form1::openWorkFolder(int i)
{
    const QString folder = workFolder(i);
    if (folder.isEmpty()) {
        return;
    }
    platform::openFolder(folder, this, [this, folder] {
        prompt(this, Prompt{QStringLiteral("提示"),
                            QStringLiteral("无法打开文件夹“") + QDir::toNativeSeparators(folder) +
                                QStringLiteral("”。"),
                            QMessageBox::Information,
                            QMessageBox::Ok,
                            QMessageBox::Ok,
                            {}});
    });
}

void form1::remarkWork(int i)
{
    const QString folder = workFolder(i);
    if (!folder.isEmpty()) {
        const ScoreRow& r = table().row(i);
        m_marker->mark(r.address, r.set, folder);
    }
}

void form1::showRowMenu(int i, const QPoint& at)
{
    // Rows without collected work offer nothing.
    if (workFolder(i).isEmpty()) {
        return;
    }
    QMenu menu(this);
    connect(menu.addAction(QStringLiteral("查看作业")), &QAction::triggered, this,
            [this, i] { viewWork(i); });
    connect(menu.addAction(QStringLiteral("打开作业文件夹")), &QAction::triggered, this,
            [this, i] { openWorkFolder(i); });
    connect(menu.addAction(QStringLiteral("重新批改")), &QAction::triggered, this,
            [this, i] { remarkWork(i); });
    menu.exec(at);
}

void form1::showStatusMenu(const QPoint& at)
{
    // A lab behind one address (NAT) reaches the limit of new rows at once:
    // the teacher lets that address add rows for the rest of the run.
    QMenu menu(this);
    for (const QString& source : m_book->overQuotaSources()) {
        QAction* allow = menu.addAction(QStringLiteral("允许") + source +
                                        QStringLiteral("添加更多成绩（一个机房共用此地址时）"));
        connect(allow, &QAction::triggered, this, [this, source] { m_book->allowSource(source); });
    }
    if (!menu.isEmpty()) {
        menu.exec(m_lbl_host->mapToGlobal(at));
    }
}

void form1::setStatusWarning(const QString& text)
{
    // A warning needs the whole width of the status line; a journal that
    // cannot be written is shown in red, since scores are not confirmed.
    m_lbl_host->setGeometry(twipsRect(480, 6720, 8535, 255));
    m_lbl_host->setText(text);
    m_lbl_host->setStyleSheet(m_book->isJournalling() ? QString()
                                                      : QStringLiteral("color: #C00000;"));
}

void form1::reportListenFailure()
{
    if (m_listenReported) {
        return;
    }
    m_listenReported = true;
    if (!m_listenProblem.isEmpty()) {
        prompt(this, Prompt{QStringLiteral("错误"),
                            m_listenProblem,
                            QMessageBox::Critical,
                            QMessageBox::Ok,
                            QMessageBox::Ok,
                            {}});
    }
    if (!m_book->isJournalling() && m_receiver->isListening()) {
        // A score that is not on the disk is never confirmed to a student.
        prompt(this,
               Prompt{QStringLiteral("提示"),
                      QStringLiteral("无法写入成绩日志（") + m_book->journalProblem() +
                          QStringLiteral("）。\r收到的成绩仍会显示，但不会向学生机确认，"
                                         "学生机会提示教师机没有确认收到。\r请关闭其他Velcoll，"
                                         "或检查文件夹“") +
                          QDir::toNativeSeparators(m_book->journalFolder()) +
                          QStringLiteral("”后重新启动本程序。"),
                      QMessageBox::Warning,
                      QMessageBox::Ok,
                      QMessageBox::Ok,
                      {}});
    }
}

void form1::reportFullList()
{
    prompt(this, Prompt{QStringLiteral("提示"),
                        QStringLiteral("成绩列表已满（") + QString::number(ScoreTable::kMaxRows) +
                            QStringLiteral("条），无法再接收新的成绩。\r请先保存成绩，然后删除"
                                           "不需要的行（删除后即可继续接收），或重新启动Velcoll。"),
                        QMessageBox::Information,
                        QMessageBox::Ok,
                        QMessageBox::Ok,
                        {}});
}

void form1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if ((!m_listenProblem.isEmpty() || !m_book->isJournalling()) && !m_listenReported) {
        // After the window has appeared, so the message has it as its owner.
        QMetaObject::invokeMethod(this, &form1::reportListenFailure, Qt::QueuedConnection);
    }
}

bool form1::isListening() const
{
    return m_receiver->isListening();
}

quint16 form1::listeningPort() const
{
    return m_receiver->localPort();
}

void form1::setSaveFileChooser(SaveFileChooser chooser)
{
    m_chooseSaveFile = std::move(chooser);
}

void form1::setSpreadsheetStarter(Handoff::Starter starter)
{
    m_startSpreadsheet = std::move(starter);
}

void form1::setDocumentOpener(Handoff::Starter opener)
{
    m_openDocument = std::move(opener);
}

void form1::setProgramFolder(const QString& folder)
{
    m_workbook = Handoff::workbookPath(folder);
    m_Label3->setText(m_workbook);
}

void form1::correctName(int i, const QString& text)
{
    m_book->correctName(i, text);
}

void form1::correctScore(int i, const QString& text)
{
    m_book->correctScore(i, text);
}

void form1::beginEdit(int i)
{
    // Unlocked until each box has had the focus and lost it again.
    m_Picture1->beginEdit(i);
}

void form1::deleteRow(int i)
{
    if (!table().isValidRow(i) || table().row(i).deleted) {
        return;
    }
    const auto answer = prompt(this, Prompt{QStringLiteral("删除"),
                                            QStringLiteral("你确定要删除吗？"),
                                            QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::Yes,
                                            {}});
    if (answer == QMessageBox::Yes) {
        m_book->deleteRow(i);
    }
}

ExportTarget form1::chooseSaveFile()
{
    // Like the system dialog asked to confirm new files: a name that does not
    // exist yet is created only after a Yes; No goes back to the choice.
    for (;;) {
        const SaveChoice choice = m_chooseSaveFile ? m_chooseSaveFile(this) : SaveChoice();
        if (choice.path.isEmpty()) {
            return {};
        }
        const ExportTarget target = ListExport::target(choice);
        const QString& path = target.path;
        if (QFileInfo::exists(path)) {
            return target;
        }
        const auto answer =
            prompt(this, Prompt{QStringLiteral("保存文件"),
                                QDir::toNativeSeparators(path) +
                                    QStringLiteral("\r该文件不存在。\r要创建该文件吗？"),
                                QMessageBox::Question,
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Yes,
                                {}});
        if (answer == QMessageBox::Yes) {
            return target;
        }
    }
}

void form1::save()
{
    const ExportTarget target = chooseSaveFile();
    const QString& path = target.path;
    if (path.isEmpty()) {
        return; // cancelled: nothing written
    }
    const WriteResult written = ListExport::write(table(), target);
    if (written.ok) {
        // The journal of a saved list is not offered for restoring.
        m_book->markSaved();
    } else {
        // The old file, if any, is left untouched; the teacher can choose again.
        prompt(this, Prompt{QStringLiteral("提示"),
                            QStringLiteral("无法保存成绩文件“") + QDir::toNativeSeparators(path) +
                                QStringLiteral("”：\r") + writeFailureText(path, written),
                            QMessageBox::Warning,
                            QMessageBox::Ok,
                            QMessageBox::Ok,
                            {}});
        return;
    }
    if (target.type != ExportType::Text) {
        offerToOpen(path);
    }
}

void form1::offerToOpen(const QString& path)
{
    const auto answer = prompt(this, Prompt{QStringLiteral("保存文件"),
                                            ListExport::openQuestion(),
                                            QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::Yes,
                                            {}});
    if (answer != QMessageBox::Yes || (m_openDocument && m_openDocument(path))) {
        return;
    }
    prompt(this, Prompt{QStringLiteral("提示"),
                        ListExport::notOpenedText(path),
                        QMessageBox::Information,
                        QMessageBox::Ok,
                        QMessageBox::Ok,
                        {}});
}

void form1::handoff()
{
    const QString text = Handoff::run(m_workbook, m_startSpreadsheet, m_openDocument);
    if (!text.isEmpty()) {
        prompt(this, Prompt{QStringLiteral("提示"),
                            text,
                            QMessageBox::Information,
                            QMessageBox::Ok,
                            QMessageBox::Ok,
                            {}});
    }
}

void form1::showHelp()
{
    prompt(this, Prompt{QStringLiteral("帮助"),
                        helpText(),
                        QMessageBox::NoIcon,
                        QMessageBox::Ok,
                        QMessageBox::Ok,
                        {}});
}

void form1::showAbout()
{
    prompt(this, Prompt{QStringLiteral("关于"),
                        aboutText(),
                        QMessageBox::NoIcon,
                        QMessageBox::Ok,
                        QMessageBox::Ok,
                        {}});
}

void form1::showAddressLine()
{
    m_Label3->hide();
    m_lbl_host->show();
}

void form1::showWorkbookLine()
{
    m_lbl_host->hide();
    m_Label3->show();
}

void form1::closeEvent(QCloseEvent* event)
{
    // No is the default: a stray Enter must not throw the scores away.
    const auto answer = prompt(this, Prompt{QStringLiteral("警告"),
                                            QStringLiteral("确定要退出吗？"),
                                            QMessageBox::Warning,
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::No,
                                            {}});
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    m_receiver->close();
    event->accept();
}

} // namespace velmora::collector
