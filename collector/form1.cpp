// SPDX-License-Identifier: MIT
#include "form1.h"

#include "AnsiFile.h"
#include "CollectorArt.h"
#include "Gbk.h"
#include "Platform.h"
#include "Prompter.h"
#include "QQButton.h"
#include "QQForm.h"
#include "RowIcon.h"
#include "ScoreReceiver.h"
#include "Twips.h"
#include "UiFont.h"
#include "Version.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

namespace velmora::collector {

namespace {

const QColor kCellBackground(227, 243, 255);
const QColor kGreyText(128, 128, 128);

// Chinese Windows' "宋体"; where it is missing, the installed CJK family
// chosen at start-up.
QFont songFont(qreal points)
{
    return chineseUiFont(points);
}

void setBackground(QWidget* w, const QColor& color, QPalette::ColorRole role = QPalette::Window)
{
    QPalette pal = w->palette();
    pal.setColor(role, color);
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

QString designName(const char* array, int i)
{
    return QLatin1String(array) + u'(' + QString::number(i) + u')';
}

constexpr const char* kCellNames[kRowCellCount] = {
    "Image1", "lbl_ip",    "Image2",  "lbl_hostname", "Image3",  "lbl_stname",
    "Image4", "lbl_score", "lbl_tao", "Img_edit",     "Img_del",
};

constexpr int kMaxEditLength = 1 << 20; // never cut a long received field

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
    return QStringLiteral("[使用帮助]") + cr +
           QStringLiteral("1.点击“保存成绩(.txt)”将接收到的学生成绩保存为文本格式(.txt)。") + cr +
           QStringLiteral("2.点击“汇总成绩(.xls)”打开EXCEL文件“汇总成绩.xls”(若无法自动打开，"
                          "可在软件安装目录下手动打开)。") +
           cr +
           QStringLiteral("3.点击EXCEL文件里面的“汇总成绩”按钮打开刚才的文本文件，"
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

form1::form1(quint16 port, QWidget* parent)
    : QWidget(parent), m_chooseSaveFile(&defaultSaveFileChooser),
      m_startSpreadsheet(&platform::startSpreadsheet), m_openDocument(&openWithDesktop)
{
    setObjectName(QStringLiteral("form1"));
    setWindowTitle(windowCaption());
    setWindowIcon(CollectorArt::windowIcon());
    resize(twipsSize(9255, 7020));

    // The frame first, so that it lies under every other control.
    m_QQForm1 = new QQForm(this);
    m_QQForm1->setObjectName(QStringLiteral("QQForm1"));
    m_QQForm1->setGeometry(twipsRect(0, 0, 9255, 7020));
    connect(m_QQForm1, &QQForm::MouseMove, this, &form1::showAddressLine);

    buildHeader();
    buildList();
    buildButtons();

    m_lbl_exam_info = plainLabel(this, m_table.counterText());
    m_lbl_exam_info->setObjectName(QStringLiteral("lbl_exam_info"));
    m_lbl_exam_info->setGeometry(twipsRect(4320, 6285, 1575, 255));

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

    // Start-up: socket, status line, template row, panel, scroll bar, workbook line.
    m_receiver = new ScoreReceiver([this](const ScoreDatagram& d) { return recordScore(d); }, this);
    // What reception turned away (too long, too many new rows from one
    // source) follows the address on the status line.
    connect(m_receiver, &ScoreReceiver::statusChanged, this, [this] {
        setStatusWarning(m_addressText + QStringLiteral("  ") + m_receiver->statusText());
    });
    startListening(port);
    buildTemplateRow();
    m_Picture2->move(0, 0);
    m_VScroll1->setRange(0, 0);
    m_VScroll1->setPageStep(RowLayout::kScrollLargeChange);
    m_VScroll1->setSingleStep(RowLayout::kScrollSmallChange);
    m_VScroll1->setFocusPolicy(Qt::NoFocus);
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

    const QFont font = songFont(10.5);
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
    m_Picture1 = new QWidget(this);
    m_Picture1->setObjectName(QStringLiteral("Picture1"));
    m_Picture1->setGeometry(twipsRect(480, 960, 8175, 5055));
    setBackground(m_Picture1, Qt::white);

    m_Picture2 = new QWidget(m_Picture1);
    m_Picture2->setObjectName(QStringLiteral("Picture2"));
    m_Picture2->setGeometry(twipsRect(0, 0, 8175, m_panelHeight));
    setBackground(m_Picture2, palette().color(QPalette::Base));

    m_VScroll1 = new QScrollBar(Qt::Vertical, this);
    m_VScroll1->setObjectName(QStringLiteral("VScroll1"));
    m_VScroll1->setGeometry(twipsRect(8640, 960, 255, 5055));
    // The panel follows the value, not the box while it is dragged.
    m_VScroll1->setTracking(false);
    connect(m_VScroll1, &QScrollBar::valueChanged, this, &form1::scroll);

    // The wheel over the list turns the scroll bar.
    m_Picture1->installEventFilter(this);
    m_Picture2->installEventFilter(this);
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
    const QFont font = songFont(9);
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

void form1::buildTemplateRow()
{
    // Element 0 of every row array: never shown, the source of every row's
    // size, font, colours, picture and tool tip.
    std::array<QWidget*, kRowCellCount> row{};
    const QFont font = songFont(10.5);
    for (int c = 0; c < kRowCellCount; ++c) {
        const auto cell = static_cast<RowCell>(c);
        QWidget* w = nullptr;
        switch (cell) {
        case RowCell::Image1:
        case RowCell::Image2:
            w = imageLabel(m_Picture2, CollectorArt::computerIcon());
            break;
        case RowCell::Image3:
            w = imageLabel(m_Picture2, CollectorArt::personIcon());
            break;
        case RowCell::Image4:
            w = imageLabel(m_Picture2, CollectorArt::scorePicture());
            break;
        case RowCell::lbl_ip:
        case RowCell::lbl_hostname:
        case RowCell::lbl_tao:
            w = plainLabel(m_Picture2);
            setBackground(w, kCellBackground);
            break;
        case RowCell::lbl_stname:
        case RowCell::lbl_score: {
            auto* edit = new QLineEdit(m_Picture2);
            edit->setFrame(false);
            edit->setReadOnly(true);
            edit->setMaxLength(kMaxEditLength);
            edit->setTextMargins(0, 0, 0, 0);
            edit->setContentsMargins(0, 0, 0, 0);
            setBackground(edit, kCellBackground, QPalette::Base);
            w = edit;
            break;
        }
        case RowCell::Img_edit:
            w = new RowIcon(m_Picture2);
            static_cast<RowIcon*>(w)->setPixmap(CollectorArt::editPicture());
            w->setToolTip(
                QStringLiteral("点击即可对“姓名”和“分数”进行修改一次。主要防止学生输入错误姓名。"));
            w->setAccessibleName(QStringLiteral("编辑"));
            break;
        case RowCell::Img_del:
            w = new RowIcon(m_Picture2);
            static_cast<RowIcon*>(w)->setPixmap(CollectorArt::deletePicture());
            w->setToolTip(QStringLiteral("点击即可删除此条成绩。"));
            w->setAccessibleName(QStringLiteral("删除"));
            break;
        }
        w->setFont(font);
        w->setObjectName(designName(kCellNames[c], 0));
        w->setGeometry(twipsRect(
            RowLayout::templateRect(cell).left(), RowLayout::templateRect(cell).top(),
            RowLayout::templateRect(cell).width(), RowLayout::templateRect(cell).height()));
        w->hide();
        row[static_cast<size_t>(c)] = w;
    }
    qobject_cast<QLabel*>(row[static_cast<size_t>(RowCell::lbl_ip)])
        ->setText(QStringLiteral("IP地址"));
    qobject_cast<QLabel*>(row[static_cast<size_t>(RowCell::lbl_hostname)])
        ->setText(QStringLiteral("机器名"));
    qobject_cast<QLineEdit*>(row[static_cast<size_t>(RowCell::lbl_stname)])
        ->setText(QStringLiteral("姓名"));
    qobject_cast<QLineEdit*>(row[static_cast<size_t>(RowCell::lbl_score)])
        ->setText(QStringLiteral("分数"));
    qobject_cast<QLabel*>(row[static_cast<size_t>(RowCell::lbl_tao)])
        ->setText(QStringLiteral("第一套"));
    m_rows = {row};
}

void form1::startListening(quint16 port)
{
    QString portText = QString::number(port);
    if (m_receiver->listen(port)) {
        portText = QString::number(m_receiver->localPort());
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

void form1::setStatusWarning(const QString& text)
{
    // A warning needs the whole width of the status line.
    m_lbl_host->setGeometry(twipsRect(480, 6720, 8535, 255));
    m_lbl_host->setText(text);
}

void form1::reportListenFailure()
{
    if (m_listenProblem.isEmpty() || m_listenReported) {
        return;
    }
    m_listenReported = true;
    prompt(this, Prompt{QStringLiteral("错误"),
                        m_listenProblem,
                        QMessageBox::Critical,
                        QMessageBox::Ok,
                        QMessageBox::Ok,
                        {}});
}

void form1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_listenProblem.isEmpty() && !m_listenReported) {
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

QWidget* form1::cell(int i, RowCell c) const
{
    if (i < 0 || i >= m_rows.size()) {
        return nullptr;
    }
    return m_rows.at(i)[static_cast<size_t>(c)];
}

QLabel* form1::Image1(int i) const
{
    return qobject_cast<QLabel*>(cell(i, RowCell::Image1));
}
QLabel* form1::lbl_ip(int i) const
{
    return qobject_cast<QLabel*>(cell(i, RowCell::lbl_ip));
}
QLabel* form1::lbl_hostname(int i) const
{
    return qobject_cast<QLabel*>(cell(i, RowCell::lbl_hostname));
}
QLineEdit* form1::lbl_stname(int i) const
{
    return qobject_cast<QLineEdit*>(cell(i, RowCell::lbl_stname));
}
QLineEdit* form1::lbl_score(int i) const
{
    return qobject_cast<QLineEdit*>(cell(i, RowCell::lbl_score));
}
QLabel* form1::lbl_tao(int i) const
{
    return qobject_cast<QLabel*>(cell(i, RowCell::lbl_tao));
}
RowIcon* form1::Img_edit(int i) const
{
    return qobject_cast<RowIcon*>(cell(i, RowCell::Img_edit));
}
RowIcon* form1::Img_del(int i) const
{
    return qobject_cast<RowIcon*>(cell(i, RowCell::Img_del));
}

bool form1::recordScore(const ScoreDatagram& datagram)
{
    const RecordResult result = m_table.recordScore(datagram);
    switch (result.outcome) {
    case RecordOutcome::Full:
        // The rows on screen stay as they are; the sender gets no
        // acknowledgement, so the student learns that the score did not arrive.
        if (!m_fullReported) {
            m_fullReported = true;
            m_addressText += QStringLiteral("  成绩列表已满(") +
                             QString::number(ScoreTable::kMaxRows) +
                             QStringLiteral("条)，无法再接收新的成绩！");
            setStatusWarning(m_addressText);
            showAddressLine();
        }
        return false;
    case RecordOutcome::Updated:
        lbl_score(result.row)->setText(m_table.row(result.row).score);
        lbl_score(result.row)->setCursorPosition(0); // show the start of a long text
        break;
    case RecordOutcome::Created:
        createRow(result.row);
        break;
    }
    m_lbl_exam_info->setText(m_table.counterText());
    return true;
}

QWidget* form1::copyTemplate(RowCell c)
{
    const QWidget* model = cell(0, c);
    QWidget* w = nullptr;
    if (auto* edit = qobject_cast<const QLineEdit*>(model)) {
        auto* copy = new QLineEdit(m_Picture2);
        copy->setFrame(edit->hasFrame());
        copy->setReadOnly(true);
        copy->setMaxLength(edit->maxLength());
        copy->setTextMargins(edit->textMargins());
        copy->setContentsMargins(edit->contentsMargins());
        w = copy;
    } else if (auto* icon = qobject_cast<const RowIcon*>(model)) {
        auto* copy = new RowIcon(m_Picture2);
        copy->setPixmap(icon->pixmap());
        copy->setAccessibleName(icon->accessibleName());
        w = copy;
    } else {
        auto* label = qobject_cast<const QLabel*>(model);
        auto* copy = new QLabel(m_Picture2);
        copy->setTextFormat(Qt::PlainText);
        copy->setWordWrap(false);
        copy->setAlignment(label->alignment());
        if (!label->pixmap().isNull()) {
            copy->setPixmap(label->pixmap());
        }
        w = copy;
    }
    w->setFont(model->font());
    w->setPalette(model->palette());
    w->setAutoFillBackground(model->autoFillBackground());
    w->setToolTip(model->toolTip());
    return w;
}

void form1::createRow(int n)
{
    Q_ASSERT(n == m_rows.size());
    const ScoreRow& data = m_table.row(n);
    const auto rects = RowLayout::rowRects(n);
    std::array<QWidget*, kRowCellCount> row{};
    for (int c = 0; c < kRowCellCount; ++c) {
        const auto cellKind = static_cast<RowCell>(c);
        QWidget* w = copyTemplate(cellKind);
        w->setObjectName(designName(kCellNames[c], n));
        const QRect& r = rects[static_cast<size_t>(c)];
        w->setGeometry(twipsRect(r.left(), r.top(), r.width(), r.height()));
        row[static_cast<size_t>(c)] = w;
    }
    m_rows.append(row);

    lbl_ip(n)->setText(data.address);
    lbl_hostname(n)->setText(data.computer);
    lbl_stname(n)->setText(data.name);
    lbl_score(n)->setText(data.score);
    lbl_tao(n)->setText(data.set);
    for (QLineEdit* edit : {lbl_stname(n), lbl_score(n)}) {
        edit->setCursorPosition(0);
        edit->installEventFilter(this);
    }
    // Corrections go into the table as they are typed.
    connect(lbl_stname(n), &QLineEdit::textEdited, this,
            [this, n](const QString& text) { m_table.setName(n, text); });
    connect(lbl_score(n), &QLineEdit::textEdited, this,
            [this, n](const QString& text) { m_table.setScore(n, text); });
    connect(Img_edit(n), &RowIcon::clicked, this, [this, n] { beginEdit(n); });
    connect(Img_del(n), &RowIcon::clicked, this, [this, n] { deleteRow(n); });
    for (QWidget* w : row) {
        w->show();
    }

    m_panelHeight = RowLayout::panelHeight(n);
    m_Picture2->resize(twipsSize(8175, m_panelHeight));
    m_VScroll1->setMaximum(RowLayout::kScrollMaximum);
}

void form1::scroll(int value)
{
    m_VScroll1->setMaximum(RowLayout::kScrollMaximum);
    m_Picture2->move(0, twipsToPixels(RowLayout::panelTop(m_panelHeight, value)));
}

void form1::beginEdit(int i)
{
    if (i < 1 || i >= m_rows.size() || !Img_edit(i)->isEnabled()) {
        return;
    }
    // Unlocked until each box has had the focus and lost it again.
    lbl_stname(i)->setReadOnly(false);
    lbl_score(i)->setReadOnly(false);
}

void form1::deleteRow(int i)
{
    if (i < 1 || i >= m_rows.size() || m_table.row(i).deleted) {
        return;
    }
    const auto answer = prompt(this, Prompt{QStringLiteral("删除"),
                                            QStringLiteral("你确定要删除吗？"),
                                            QMessageBox::Question,
                                            QMessageBox::Yes | QMessageBox::No,
                                            QMessageBox::Yes,
                                            {}});
    if (answer != QMessageBox::Yes || !m_table.deleteRow(i)) {
        return;
    }
    const QString& marker = ScoreTable::deletedMarker();
    lbl_ip(i)->setText(marker);
    lbl_hostname(i)->setText(marker);
    lbl_score(i)->setText(marker);
    lbl_stname(i)->setText(marker);
    lbl_tao(i)->clear();
    lbl_score(i)->setCursorPosition(0);
    lbl_stname(i)->setCursorPosition(0);
    Img_del(i)->hide();
    Img_edit(i)->hide();
    Img_edit(i)->setEnabled(false);
    m_lbl_exam_info->setText(m_table.counterText());
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
    m_saveText = m_table.exportText();
    const ExportTarget target = chooseSaveFile();
    const QString& path = target.path;
    if (path.isEmpty()) {
        return; // cancelled: nothing written
    }
    const WriteResult written = ListExport::write(m_table, target);
    if (!written.ok) {
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

bool form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            edit->setReadOnly(true);
        }
    } else if (event->type() == QEvent::Wheel && (watched == m_Picture1 || watched == m_Picture2)) {
        QCoreApplication::sendEvent(m_VScroll1, event);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmora::collector
