// SPDX-License-Identifier: MIT
#include "AddressCheck.h"
#include "CollectorArt.h"
#include "Gbk.h"
#include "Handoff.h"
#include "ListExport.h"
#include "ListScrollBar.h"
#include "Platform.h"
#include "QQButton.h"
#include "QQForm.h"
#include "ScoreDatagram.h"
#include "ScoreListView.h"
#include "ScoreReceiver.h"
#include "ScriptedPrompter.h"
#include "Twips.h"
#include "XlsxCells.h"
#include "form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QWheelEvent>

#include <cmath>

#include <memory>

using namespace velmora;
using namespace velmora::collector;

namespace {

QByteArray gbk(const QString& text)
{
    return toGbk(text);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A window listening on a free port, its prompts answered by a script, and a
// student-side socket that sends to it.
struct Fixture
{
    ScriptedPrompter prompter;
    QTemporaryDir journal;
    std::unique_ptr<form1> window;
    QUdpSocket student;
    QStringList chosenFiles; // answers of the save dialog, in order
    QString chosenFilter;    // the type selected in it; empty: the first
    int chooserCalls = 0;
    QStringList started; // workbooks the spreadsheet starter was asked to open
    bool starterWorks = false;
    QStringList opened; // files handed to the desktop's default program
    bool openerWorks = false;

    explicit Fixture(quint16 port = 0)
    {
        open(port);
        student.bind(QHostAddress::LocalHost, 0);
        student.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                QVariant(ScoreReceiver::kReceiveBufferBytes));
    }

    // A new window on the same journal folder, as a restart finds it.
    void open(quint16 port = 0)
    {
        window = std::make_unique<form1>(port, journal.path());
        window->setSaveFileChooser([this](QWidget*) {
            ++chooserCalls;
            return SaveChoice(chosenFiles.isEmpty() ? QString() : chosenFiles.takeFirst(),
                              chosenFilter);
        });
        window->setSpreadsheetStarter([this](const QString& w) {
            started << w;
            return starterWorks;
        });
        window->setDocumentOpener([this](const QString& file) {
            opened << file;
            return openerWorks;
        });
    }

    ~Fixture()
    {
        if (window->isVisible()) {
            prompter.answers = {QMessageBox::Yes};
            window->close();
        }
    }

    int handled() const { return window->receiver().readCount(); }

    // Sends one datagram and waits until the window has dealt with it.
    bool send(const QByteArray& payload)
    {
        const int before = handled();
        student.writeDatagram(payload, QHostAddress::LocalHost, window->listeningPort());
        return QTest::qWaitFor([&] { return handled() > before; }, 5000);
    }
    bool send(const QString& text) { return send(gbk(text)); }

    QList<QByteArray> acks()
    {
        QList<QByteArray> out;
        while (student.hasPendingDatagrams()) {
            out << student.receiveDatagram().data();
        }
        return out;
    }

    // Chinese arrives through the input method, as committed text.
    static void type(QWidget* w, const QString& text)
    {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(w, &commit);
    }

    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    ScoreListView* list() const { return window->Picture1(); }
    // A click on a cell of a row of the list.
    void click(int row, RowCell cell)
    {
        QTest::mouseClick(list(), Qt::LeftButton, {}, list()->cellRect(row, cell).center());
    }
    QLineEdit* box(int row, RowCell cell) const { return list()->editor(row, cell); }

    // Types into a cell the way a teacher does: unlock, click in, replace, leave.
    void retype(RowCell cell, int row, const QString& text)
    {
        click(row, RowCell::Img_edit);
        QLineEdit* edit = box(row, cell);
        QVERIFY(edit);
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        type(edit, text);
        edit->clearFocus();
    }

    // ui script: rec <text> | del N | nodel N | name N text | score N text
    void run(const QStringList& steps)
    {
        for (const QString& step : steps) {
            const QString op = step.section(u' ', 0, 0);
            const QString rest = step.section(u' ', 1);
            const int row = rest.section(u' ', 0, 0).toInt();
            const QString arg = rest.section(u' ', 1);
            if (op == u"rec") {
                QVERIFY2(send(rest), qPrintable(step));
            } else if (op == u"del" || op == u"nodel") {
                prompter.answers = {op == u"del" ? QMessageBox::Yes : QMessageBox::No};
                click(row, RowCell::Img_del);
            } else if (op == u"name") {
                retype(RowCell::lbl_stname, row, arg);
            } else if (op == u"score") {
                retype(RowCell::lbl_score, row, arg);
            } else {
                QFAIL(qPrintable(u"bad step " + step));
            }
        }
    }
};

QString row(int i, const QString& name = {}, const QString& score = {}, const QString& set = {})
{
    // 192.168.1.1 to 192.168.1.255, then on into 192.168.2.x
    return QStringLiteral("192.168.%1.%2#PC%3#%4#%5#%6")
        .arg(1 + (i - 1) / 255)
        .arg((i - 1) % 255 + 1)
        .arg(i)
        .arg(score.isEmpty() ? QString::number(i % 26) : score,
             name.isEmpty() ? QStringLiteral("学生%1").arg(i) : name,
             set.isEmpty() ? QStringLiteral("第一套") : set);
}

// Sends rows 1 to `rows` at once and waits until the list holds them all.
bool fillRows(Fixture& f, int rows)
{
    for (int i = 1; i <= rows; ++i) {
        f.student.writeDatagram(gbk(row(i)), QHostAddress::LocalHost, f.window->listeningPort());
    }
    return QTest::qWaitFor([&] { return f.window->table().rec_count() == rows; }, 10000);
}

} // namespace

class TestCollectorWindow : public QObject
{
    Q_OBJECT

private slots:
    // window and start-up
    void designGeometry_data();
    void designGeometry();
    void startupState();
    void statusLineFollowsPointer();
    void portInUse();

    // rows
    void rowGeometry_data();
    void rowGeometry();
    void lookMatchesReference_data();
    void lookMatchesReference();
    void counterLooksLikeAPlainLabel();
    void scrollBarRepaintsForItsBox_data();
    void scrollBarRepaintsForItsBox();
    void receivedTextIsPlain_data();
    void receivedTextIsPlain();
    void uploadsAndCorrections_data();
    void uploadsAndCorrections();
    void editLocking();
    void uploadDuringEdit_data();
    void uploadDuringEdit();
    void editEnds_data();
    void editEnds();
    void scrollSteps_data();
    void scrollSteps();
    void forgedAddress();
    void restoreAfterCrash_data();
    void restoreAfterCrash();
    void restoreWhileReceiving();
    void deleteRow_data();
    void deleteRow();
    void scrolling_data();
    void scrolling();
    void fullList();

    // saving
    void save_data();
    void save();
    void saveCancelledOrDeclined_data();
    void saveCancelledOrDeclined();
    void saveErrors_data();
    void saveErrors();
    void saveTypes_data();
    void saveTypes();

    // hand-off, help, about, exit
    void handoff_data();
    void handoff();
    void shippedWorkbook();
    void helpAndAbout_data();
    void helpAndAbout();
    void exitConfirmation_data();
    void exitConfirmation();
};

void TestCollectorWindow::designGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("QQForm1") << QStringLiteral("QQForm1") << QRect(0, 0, 9255, 7020);
    QTest::newRow("Picture3") << QStringLiteral("Picture3") << QRect(300, 480, 8415, 375);
    QTest::newRow("Picture1") << QStringLiteral("Picture1") << QRect(480, 960, 8175, 5055);
    QTest::newRow("VScroll1") << QStringLiteral("VScroll1") << QRect(8640, 960, 255, 5055);
    QTest::newRow("QQButton1") << QStringLiteral("QQButton1") << QRect(480, 6120, 1695, 495);
    QTest::newRow("QQButton2") << QStringLiteral("QQButton2") << QRect(2280, 6120, 1695, 495);
    QTest::newRow("lbl_exam_info")
        << QStringLiteral("lbl_exam_info") << QRect(4320, 6285, 1575, 255);
    QTest::newRow("QQButton4") << QStringLiteral("QQButton4") << QRect(6240, 6120, 1215, 495);
    QTest::newRow("QQButton3") << QStringLiteral("QQButton3") << QRect(7680, 6120, 1215, 495);
    QTest::newRow("lbl_host") << QStringLiteral("lbl_host") << QRect(480, 6720, 4215, 255);
    QTest::newRow("Label3") << QStringLiteral("Label3") << QRect(480, 6720, 8535, 255);
    QTest::newRow("header I1") << QStringLiteral("I1") << QRect(240, 120, 240, 240);
    QTest::newRow("header l1") << QStringLiteral("l1") << QRect(480, 120, 1695, 255);
    QTest::newRow("header l2") << QStringLiteral("l2") << QRect(2400, 120, 1215, 255);
    QTest::newRow("header I4") << QStringLiteral("I4") << QRect(4800, 120, 300, 300);
    QTest::newRow("header Label2") << QStringLiteral("Label2") << QRect(7370, 120, 615, 255);
}

void TestCollectorWindow::designGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    auto* w = f.window->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(f.window->size(), twipsSize(9255, 7020));
}

void TestCollectorWindow::startupState()
{
    Fixture f;
    form1& w = *f.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Velmora系统(Velcoll程序)"));
    QVERIFY(w.isListening());
    QCOMPARE(w.lbl_host()->text(), QStringLiteral("服务器IP:") + platform::ownIPv4() +
                                       QStringLiteral(" 端口:") +
                                       QString::number(w.listeningPort()));
    QCOMPARE(w.lbl_host()->textFormat(), Qt::PlainText);
    QVERIFY(!w.lbl_host()->isHidden());
    QVERIFY(w.Label3()->isHidden());
    QCOMPARE(w.Label3()->text(), w.workbookPath());
    QVERIFY(w.Label3()->text().endsWith(QDir::toNativeSeparators(QStringLiteral("/汇总成绩.xls"))));
    QCOMPARE(w.lbl_exam_info()->text(), QStringLiteral("已提交成绩0"));
    QCOMPARE(w.VScroll1()->minimum(), 0);
    QCOMPARE(w.VScroll1()->maximum(), 0);
    QCOMPARE(w.VScroll1()->pageStep(), 200);
    QCOMPARE(w.VScroll1()->singleStep(), 50);
    QCOMPARE(w.VScroll1()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(w.Picture1()->panelTopTwips(), 0);
    QCOMPARE(w.Picture1()->panelHeightTwips(), 1815);
    // the list paints its rows: no widget per cell, no line edit while locked
    QCOMPARE(w.Picture1()->findChildren<QWidget*>().size(), 0);
    QCOMPARE(w.QQButton1()->caption(), QStringLiteral("1.保存成绩(.txt)"));
    QCOMPARE(w.QQButton2()->caption(), QStringLiteral("2.汇总成绩(.xls)"));
    QCOMPARE(w.QQButton3()->caption(), QStringLiteral("关于"));
    QCOMPARE(w.QQButton4()->caption(), QStringLiteral("帮助"));

    // A score sent before anyone touches the window is recorded at once.
    QVERIFY(f.send(row(1)));
    QCOMPARE(w.lbl_exam_info()->text(), QStringLiteral("已提交成绩1"));
    QVERIFY(f.prompter.shown.isEmpty());
}

void TestCollectorWindow::statusLineFollowsPointer()
{
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseMove(w.QQButton2(), w.QQButton2()->rect().center());
    QTRY_VERIFY(!w.Label3()->isHidden());
    QVERIFY(w.lbl_host()->isHidden());
    // Other controls leave it as it is.
    QTest::mouseMove(w.QQButton1(), w.QQButton1()->rect().center());
    QTest::qWait(20);
    QVERIFY(!w.Label3()->isHidden());
    // The window background brings the address back.
    QTest::mouseMove(w.QQForm1(), twipsPoint(150, 3000));
    QTRY_VERIFY(!w.lbl_host()->isHidden());
    QVERIFY(w.Label3()->isHidden());
}

void TestCollectorWindow::portInUse()
{
    QUdpSocket blocker;
    QVERIFY(blocker.bind(QHostAddress::AnyIPv4, 0));
    Fixture f(blocker.localPort());
    form1& w = *f.window;
    QVERIFY(!w.isListening());
    QVERIFY2(w.lbl_host()->text().contains(QStringLiteral("已被占用")),
             qPrintable(w.lbl_host()->text()));
    QVERIFY(w.lbl_host()->text().contains(QStringLiteral("无法接收成绩")));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(f.prompter.shown.size(), 1);
    QCOMPARE(f.prompter.shown.first().title, QStringLiteral("错误"));
    QVERIFY(f.prompter.shown.first().text.contains(QString::number(blocker.localPort())));
    // once only, however often the window is shown again
    w.hide();
    w.show();
    bool queuedRan = false; // posted after whatever the window queued
    QMetaObject::invokeMethod(
        &w, [&queuedRan] { queuedRan = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(queuedRan);
    QCOMPARE(f.prompter.shown.size(), 1);
    // the rest of the window still works
    f.click(w.QQButton4());
    QCOMPARE(f.prompter.shown.size(), 2);
    QCOMPARE(f.prompter.shown.last().title, QStringLiteral("帮助"));
}

void TestCollectorWindow::rowGeometry_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("top");
    QTest::newRow("first row") << 1 << 50;
    QTest::newRow("seventeenth row") << 17 << 4690;
}

void TestCollectorWindow::rowGeometry()
{
    QFETCH(int, row);
    QFETCH(int, top);
    Fixture f;
    for (int i = 1; i <= 17; ++i) {
        QVERIFY(f.send(::row(i)));
    }
    form1& w = *f.window;
    const int lefts[kRowCellCount] = {50,   290,  1985, 2225, 3440, 3680,
                                      4655, 4955, 5570, 6625, 7125};
    const int widths[kRowCellCount] = {240, 1695, 240, 1215, 240, 975, 300, 615, 855, 270, 240};
    const int heights[kRowCellCount] = {240, 210, 240, 210, 240, 210, 300, 210, 210, 270, 240};
    for (int c = 0; c < kRowCellCount; ++c) {
        const auto cell = static_cast<RowCell>(c);
        QCOMPARE(f.list()->cellRect(row, cell), twipsRect(lefts[c], top, widths[c], heights[c]));
        // what lies there is that cell
        RowCell found = RowCell::Img_del;
        QCOMPARE(f.list()->rowAt(f.list()->cellRect(row, cell).center(), &found), row);
        QCOMPARE(found, cell);
    }
    QCOMPARE(w.Picture1()->panelHeightTwips(), 290 * 16 + 490);
    QCOMPARE(w.VScroll1()->maximum(), 32767);
    // the seventeenth row still lies inside the viewport
    QVERIFY(w.Picture1()->rect().contains(f.list()->cellRect(17, RowCell::Image1)));
    QVERIFY(!f.box(row, RowCell::lbl_stname));
    QVERIFY(!f.box(row, RowCell::lbl_score));
    const QPoint edit = f.list()->cellRect(row, RowCell::Img_edit).center();
    const QPoint del = f.list()->cellRect(row, RowCell::Img_del).center();
    QCOMPARE(f.list()->toolTipAt(edit),
             QStringLiteral("点击即可对“姓名”和“分数”进行修改一次。主要防止学生输入错误姓名。"));
    QCOMPARE(f.list()->toolTipAt(del), QStringLiteral("点击即可删除此条成绩。"));
    QCOMPARE(f.list()->toolTipAt(f.list()->cellRect(row, RowCell::lbl_ip).center()), QString());
}

// The rows of tests/collector/reference/score_list.png, a picture of the list
// as it was built from one widget per cell: row 3 deleted, row 2 with a name
// and a computer name longer than their cells.
const QStringList kReferenceRows = {
    QStringLiteral("192.168.1.11#PC-11#25#张三#第一套"),
    QStringLiteral("192.168.100.222#A-VERY-LONG-COMPUTER-NAME-0123456789#7#"
                   "欧阳长长长长长长长长名字#第二套"),
    QStringLiteral("192.168.1.13#PC-13#18#李四#第三套"),
    QStringLiteral("10.0.0.4#PC-4#0#王五#第九套"),
};

// The counter paints the frame beneath itself: pixel for pixel what a plain
// label over the frame shows, however many rows came.
void TestCollectorWindow::counterLooksLikeAPlainLabel()
{
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int i = 1; i <= 12; ++i) {
        QVERIFY(f.send(row(i)));
    }
    QImage painted(w.size(), QImage::Format_ARGB32);
    painted.fill(Qt::black);
    w.render(&painted);
    const QLabel* counter = w.lbl_exam_info();
    QCOMPARE(counter->text(), QStringLiteral("已提交成绩12"));
    const QRect at = counter->geometry();

    QImage expected =
        w.QQForm1()->surface().toImage().copy(at).convertToFormat(QImage::Format_ARGB32);
    QLabel plain;
    plain.setTextFormat(Qt::PlainText);
    plain.setFont(counter->font());
    plain.setPalette(counter->palette());
    plain.setText(counter->text());
    plain.resize(at.size());
    plain.render(&expected, {}, {}, QWidget::DrawChildren);
    QCOMPARE(painted.copy(at), expected);
}

void TestCollectorWindow::scrollBarRepaintsForItsBox_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("boxMoves");
    QTest::newRow("a short list: the box shrinks with a new row") << 3 << true;
    QTest::newRow("a long list: the box is at its shortest") << 400 << false;
}

// A new row sets the scroll steps for the taller panel. The bar repaints when
// its box changes, and not for steps that show no difference; the counter's
// repaint for the same row tells when the window has painted.
void TestCollectorWindow::scrollBarRepaintsForItsBox()
{
    QFETCH(int, rows);
    QFETCH(bool, boxMoves);
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(fillRows(f, rows));
    auto* bar = qobject_cast<ListScrollBar*>(w.VScroll1());
    QVERIFY(bar);
    // Everything asked for so far is painted.
    w.repaint();
    QCoreApplication::sendPostedEvents();

    struct PaintCount : QObject
    {
        QObject* watched = nullptr;
        int paints = 0;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            paints += o == watched && e->type() == QEvent::Paint;
            return false;
        }
    };
    PaintCount barPaints;
    barPaints.watched = bar;
    bar->installEventFilter(&barPaints);
    PaintCount counterPaints;
    counterPaints.watched = w.lbl_exam_info();
    w.lbl_exam_info()->installEventFilter(&counterPaints);

    const QRect box = bar->boxRect();
    const int pageStep = bar->pageStep();
    QVERIFY(f.send(row(rows + 1)));
    QTRY_VERIFY(counterPaints.paints > 0);
    // The steps follow the panel in either case.
    QVERIFY(bar->pageStep() < pageStep);
    QCOMPARE(bar->boxRect() != box, boxMoves);
    QCOMPARE(barPaints.paints > 0, boxMoves);
}

void TestCollectorWindow::lookMatchesReference_data()
{
    QTest::addColumn<QRect>("area");   // window pixels
    QTest::addColumn<double>("share"); // of pixels that must match
    QTest::newRow("header strip") << twipsRect(300, 480, 8415, 375) << 0.97;
    // The scroll box is larger now that a page click moves a page.
    QTest::newRow("scroll bar up arrow") << twipsRect(8640, 960, 255, 255) << 0.97;
    QTest::newRow("scroll bar down arrow") << twipsRect(8640, 5760, 255, 255) << 0.97;
    QTest::newRow("list below the rows")
        << twipsRect(480, 960 + 290 * 4 + 100, 8175, 5055 - 290 * 4 - 100) << 0.995;
    const char* names[kRowCellCount] = {"Image1",  "lbl_ip",     "Image2", "lbl_hostname",
                                        "Image3",  "lbl_stname", "Image4", "lbl_score",
                                        "lbl_tao", "Img_edit",   "Img_del"};
    for (int row = 1; row <= 4; ++row) {
        for (int c = 0; c < kRowCellCount; ++c) {
            const QRect cell = RowLayout::cellRect(row, static_cast<RowCell>(c));
            const bool text = c == 1 || c == 3 || c == 5 || c == 7 || c == 8;
            QTest::addRow("row %d %s", row, names[c])
                << twipsRect(480 + cell.x(), 960 + cell.y(), cell.width(), cell.height())
                << (text ? 0.8 : 0.95);
        }
    }
}

// Pixel samples of the painted list against the picture of the old one,
// tolerant of font smoothing: most pixels of each area within a small
// distance of the old colour.
void TestCollectorWindow::lookMatchesReference()
{
#ifdef Q_OS_WIN
    QSKIP("the reference picture holds text drawn by the Linux font rasteriser");
#endif
    QFETCH(QRect, area);
    QFETCH(double, share);
    const QImage reference(
        QStringLiteral(VELMORA_SOURCE_DIR "/tests/collector/reference/score_list.png"));
    QVERIFY(!reference.isNull());
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (const QString& r : kReferenceRows) {
        QVERIFY(f.send(r));
    }
    f.prompter.answers = {QMessageBox::Yes};
    w.deleteRow(3);
    QImage painted(w.size(), QImage::Format_ARGB32);
    painted.fill(Qt::white);
    w.render(&painted);
    QCOMPARE(painted.size(), reference.size());
    int same = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor a = painted.pixelColor(x, y);
            const QColor b = reference.pixelColor(x, y);
            same += std::abs(a.red() - b.red()) <= 48 && std::abs(a.green() - b.green()) <= 48 &&
                    std::abs(a.blue() - b.blue()) <= 48;
        }
    }
    const double got = double(same) / (area.width() * area.height());
    if (got < share) {
        painted.save(QDir::temp().filePath(QStringLiteral("velcoll_list_painted.png")));
    }
    QVERIFY2(got >= share, qPrintable(QString::number(got)));
}

void TestCollectorWindow::receivedTextIsPlain_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("bold markup") << QStringLiteral("<b>粗体</b>");
    QTest::newRow("image markup") << QStringLiteral("<img src=\"x.png\">");
    QTest::newRow("entity") << QStringLiteral("&lt;&amp;");
    QTest::newRow("rich text header") << QStringLiteral("<html><body>x</body></html>");
}

void TestCollectorWindow::receivedTextIsPlain()
{
    QFETCH(QString, field);
    Fixture f;
    // The address must be a dotted IPv4 address and the set one of the nine
    // for a new row, so markup reaches the other fields.
    QVERIFY(f.send(QStringLiteral("10.0.0.5#") + field + QStringLiteral("#5#") + field +
                   QStringLiteral("#第一套")));
    for (RowCell c : {RowCell::lbl_hostname, RowCell::lbl_stname}) {
        // drawn as the characters themselves (cut to the cell when too long)
        const QString shown = f.list()->shownText(1, c);
        QVERIFY2(!shown.isEmpty() && field.startsWith(shown), qPrintable(shown));
    }
}

void TestCollectorWindow::uploadsAndCorrections_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("names");  // lbl_stname of every row
    QTest::addColumn<QStringList>("scores"); // lbl_score of every row
    QTest::addColumn<QString>("counter");

    QTest::newRow("same key replaces only the score")
        << QStringList{u"rec " + row(1, QStringLiteral("张三"), QStringLiteral("10")),
                       QStringLiteral("rec 192.168.1.1#OTHER#20#李四#第一套")}
        << QStringList{QStringLiteral("张三")} << QStringList{QStringLiteral("20")}
        << QStringLiteral("已提交成绩1");
    QTest::newRow("hand-corrected name stays, score replaced by upload")
        << QStringList{u"rec " + row(1, QStringLiteral("张三"), QStringLiteral("10")),
                       QStringLiteral("name 1 张叁"), QStringLiteral("score 1 12"),
                       u"rec " + row(1, QStringLiteral("张三"), QStringLiteral("22"))}
        << QStringList{QStringLiteral("张叁")} << QStringList{QStringLiteral("22")}
        << QStringLiteral("已提交成绩1");
    QTest::newRow("other set gives a new row")
        << QStringList{u"rec " + row(1), u"rec " + row(1, {}, {}, QStringLiteral("第二套"))}
        << QStringList{QStringLiteral("学生1"), QStringLiteral("学生1")}
        << QStringList{QStringLiteral("1"), QStringLiteral("1")} << QStringLiteral("已提交成绩2");
    QTest::newRow("deleted key re-created at the bottom")
        << QStringList{u"rec " + row(1), u"rec " + row(2), u"rec " + row(3),
                       QStringLiteral("del 2"), u"rec " + row(2, {}, QStringLiteral("9"))}
        << QStringList{QStringLiteral("学生1"), QStringLiteral("已删除"), QStringLiteral("学生3"),
                       QStringLiteral("学生2")}
        << QStringList{QStringLiteral("1"), QStringLiteral("已删除"), QStringLiteral("3"),
                       QStringLiteral("9")}
        << QStringLiteral("已提交成绩3");
    QTest::newRow("malformed datagrams change nothing")
        << QStringList{u"rec " + row(1), QStringLiteral("rec "), QStringLiteral("rec a#b#c#d")}
        << QStringList{QStringLiteral("学生1")} << QStringList{QStringLiteral("1")}
        << QStringLiteral("已提交成绩1");
}

void TestCollectorWindow::uploadsAndCorrections()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, names);
    QFETCH(QStringList, scores);
    QFETCH(QString, counter);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.run(steps);
    form1& w = *f.window;
    QCOMPARE(w.table().rec_count(), names.size());
    for (int i = 1; i <= names.size(); ++i) {
        QCOMPARE(w.table().row(i).name, names.at(i - 1));
        QCOMPARE(w.table().row(i).score, scores.at(i - 1));
        // the list shows what the table holds
        QCOMPARE(f.list()->shownText(i, RowCell::lbl_stname), names.at(i - 1));
        QCOMPARE(f.list()->shownText(i, RowCell::lbl_score), scores.at(i - 1));
    }
    QCOMPARE(w.lbl_exam_info()->text(), counter);
}

void TestCollectorWindow::editLocking()
{
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(f.send(row(1)));
    QVERIFY(f.send(row(2)));

    // locked: a click on the name gives no box, typing changes nothing
    f.click(1, RowCell::lbl_stname);
    QVERIFY(!f.box(1, RowCell::lbl_stname));
    QTest::keyClicks(f.list(), QStringLiteral("x"));
    QCOMPARE(w.table().row(1).name, QStringLiteral("学生1"));

    f.click(1, RowCell::Img_edit);
    QLineEdit* name = f.box(1, RowCell::lbl_stname);
    QLineEdit* score = f.box(1, RowCell::lbl_score);
    QVERIFY(name && score);
    QCOMPARE(name->geometry(), f.list()->cellRect(1, RowCell::lbl_stname));
    QCOMPARE(name->text(), QStringLiteral("学生1"));
    QVERIFY(!f.box(2, RowCell::lbl_stname));         // only that row
    QCOMPARE(QApplication::focusWidget(), f.list()); // the icon does not take the focus

    name->setFocus(Qt::MouseFocusReason);
    name->end(false);
    Fixture::type(name, QStringLiteral("甲"));
    QCOMPARE(w.table().row(1).name, QStringLiteral("学生1甲")); // written as typed
    f.list()->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(!f.box(1, RowCell::lbl_stname));
    QVERIFY(f.box(1, RowCell::lbl_score)); // never had the focus: still open
    score->setFocus(Qt::MouseFocusReason);
    f.list()->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(!f.box(1, RowCell::lbl_score));
    QTest::keyClicks(f.list(), QStringLiteral("y"));
    QCOMPARE(w.table().row(1).name, QStringLiteral("学生1甲"));
    QCOMPARE(f.list()->shownText(1, RowCell::lbl_stname), QStringLiteral("学生1甲"));
}

void TestCollectorWindow::uploadDuringEdit_data()
{
    QTest::addColumn<QString>("before"); // typed before the upload arrives
    QTest::addColumn<QString>("after");  // typed after it
    QTest::addColumn<QString>("saved");  // the score the table (and save) holds at the end
    QTest::newRow("typed, then an upload: the typed value is kept")
        << u"99"_qs << QString() << u"99"_qs;
    QTest::newRow("typing goes on after the upload: the typed text is kept")
        << u"9"_qs << u"9"_qs << u"99"_qs;
    QTest::newRow("box opened, nothing typed: the box shows the upload")
        << QString() << QString() << u"21"_qs;
}

// An upload for a row whose score box is open never mixes with the typed text
// and never replaces it; the box, the list and a save always agree.
void TestCollectorWindow::uploadDuringEdit()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, saved);
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(f.send(row(1, {}, u"10"_qs)));
    f.click(1, RowCell::Img_edit);
    QLineEdit* score = f.box(1, RowCell::lbl_score);
    QVERIFY(score);
    score->setFocus(Qt::MouseFocusReason);
    if (!before.isEmpty()) {
        score->selectAll();
        QTest::keyClick(score, Qt::Key_Delete);
        QTest::keyClicks(score, before);
    }
    QVERIFY(f.send(row(1, {}, u"21"_qs)));
    const QString shown = before.isEmpty() ? u"21"_qs : before;
    QCOMPARE(score->text(), shown);
    QCOMPARE(w.table().row(1).score, shown);
    if (!before.isEmpty()) {
        // the teacher's cursor stays, and the upload is named
        QCOMPARE(score->cursorPosition(), before.size());
        QCOMPARE(f.list()->toolTipAt(f.list()->cellRect(1, RowCell::lbl_score).center()),
                 ScoreListView::uploadDuringEditToolTip(u"21"_qs, before));
    }
    // what a save writes now is what the box shows
    QTemporaryDir early;
    f.chosenFiles = {early.filePath(u"e.txt"_qs)};
    f.prompter.answers = {QMessageBox::Yes};
    w.save();
    QCOMPARE(fromGbk(readAll(early.filePath(u"e.txt"_qs))).section(u'#', 3, 3), shown);
    QTest::keyClicks(score, after);
    QCOMPARE(score->text(), shown + after);
    f.click(2 /* below the rows */, RowCell::lbl_ip);
    QTRY_VERIFY(!f.box(1, RowCell::lbl_score));
    QCOMPARE(w.table().row(1).score, saved);
    QCOMPARE(f.list()->shownText(1, RowCell::lbl_score), saved);
    f.prompter.answers = {QMessageBox::Yes};
    QTemporaryDir dir;
    f.chosenFiles = {dir.filePath(u"s.txt"_qs)};
    w.save();
    QCOMPARE(fromGbk(readAll(dir.filePath(u"s.txt"_qs))).section(u'#', 3, 3), saved);
}

void TestCollectorWindow::editEnds_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("ends");
    QTest::newRow("click on the list background") << u"background"_qs << true;
    QTest::newRow("click on another row's address") << u"other row"_qs << true;
    QTest::newRow("click on the same row's address") << u"same row"_qs << true;
    QTest::newRow("another row's edit icon leaves the focus") << u"other icon"_qs << false;
    QTest::newRow("another window becomes active") << u"other window"_qs << false;
}

void TestCollectorWindow::editEnds()
{
    QFETCH(QString, action);
    QFETCH(bool, ends);
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(f.send(row(1)));
    QVERIFY(f.send(row(2)));
    f.click(1, RowCell::Img_edit);
    QLineEdit* name = f.box(1, RowCell::lbl_stname);
    QVERIFY(name);
    name->setFocus(Qt::MouseFocusReason);
    name->end(false);
    QWidget other;
    if (action == u"background") {
        QTest::mouseClick(f.list(), Qt::LeftButton, {}, QPoint(100, f.list()->height() - 10));
    } else if (action == u"other row") {
        f.click(2, RowCell::lbl_ip);
    } else if (action == u"same row") {
        f.click(1, RowCell::lbl_ip);
    } else if (action == u"other icon") {
        f.click(2, RowCell::Img_edit);
    } else {
        other.resize(100, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    QTest::qWait(10);
    QCOMPARE(f.box(1, RowCell::lbl_stname) == nullptr, ends);
    // typing goes into the box only while it is open
    QTest::keyClicks(QApplication::focusWidget(), u"z"_qs);
    QCOMPARE(w.table().row(1).name, ends ? u"学生1"_qs : u"学生1z"_qs);
}

void TestCollectorWindow::scrollSteps_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("movedRows"); // rows the list moves up (a page: 5055 twips)
    QTest::newRow("arrow click: one row") << 40 << u"arrow"_qs << 1;
    QTest::newRow("page click: one page") << 40 << u"page"_qs << -1;
    QTest::newRow("wheel notch: three rows") << 40 << u"wheel"_qs << 3;
    QTest::newRow("Page Down key: one page") << 40 << u"PgDn"_qs << -1;
    QTest::newRow("End key: the last row at the bottom") << 40 << u"End"_qs << -2;
    QTest::newRow("Home key after a page: back to the top") << 40 << u"Home"_qs << 0;
    QTest::newRow("steps follow new rows: one row of 300") << 300 << u"arrow"_qs << 1;
    QTest::newRow("wheel with 300 rows") << 300 << u"wheel"_qs << 3;
}

void TestCollectorWindow::scrollSteps()
{
    QFETCH(int, rows);
    QFETCH(QString, input);
    QFETCH(int, movedRows);
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(fillRows(f, rows));
    QScrollBar* bar = w.VScroll1();
    const QPoint down(bar->width() / 2, bar->height() - 5);
    f.list()->setFocus(Qt::TabFocusReason);
    if (input == u"arrow") {
        QTest::mouseClick(bar, Qt::LeftButton, {}, down);
    } else if (input == u"page") {
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 30));
    } else if (input == u"wheel") {
        QWheelEvent wheel(QPointF(100, 100), f.list()->mapToGlobal(QPointF(100, 100)), {},
                          QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.list(), &wheel);
    } else if (input == u"PgDn") {
        QTest::keyClick(f.list(), Qt::Key_PageDown);
    } else if (input == u"End") {
        QTest::keyClick(f.list(), Qt::Key_End);
    } else {
        QTest::keyClick(f.list(), Qt::Key_PageDown);
        QTest::keyClick(f.list(), Qt::Key_Home);
    }
    const int height = 290 * (rows - 1) + 490;
    // The linear mapping of 0..32767 onto the panel top is kept.
    QCOMPARE(f.list()->panelTopTwips(), -int(std::lround(float(height) / 32767 * bar->value())));
    const int expected = movedRows == -1 ? 5055 : movedRows == -2 ? height - 5055 : 290 * movedRows;
    QVERIFY2(std::abs(-f.list()->panelTopTwips() - expected) <= 2,
             qPrintable(QString::number(f.list()->panelTopTwips())));
}

void TestCollectorWindow::forgedAddress()
{
    Fixture f;
    form1& w = *f.window;
    // The test's datagrams come from 127.0.0.1: with no address counted as
    // this computer's, a field naming another address is forged.
    w.setAddressCheck(AddressCheck(QList<QHostAddress>()));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(f.send(u"127.0.0.1#PC1#20#张三#第一套"_qs));
    QVERIFY(f.send(u"10.0.0.99#PC2#20#李四#第一套"_qs));
    const QPoint honest = f.list()->cellRect(1, RowCell::Image1).center();
    const QPoint forged = f.list()->cellRect(2, RowCell::Image1).center();
    QCOMPARE(f.list()->toolTipAt(honest), QString());
    QCOMPARE(f.list()->toolTipAt(forged), u"成绩来自 127.0.0.1，与所报地址不符"_qs);
    QVERIFY2(w.lbl_host()->text().contains(u"地址不符的成绩1条"_qs),
             qPrintable(w.lbl_host()->text()));
    // the first icon is the warning picture
    QImage painted(f.list()->size(), QImage::Format_ARGB32);
    f.list()->render(&painted);
    const QRect icon = f.list()->cellRect(2, RowCell::Image1);
    QImage warning(icon.size(), QImage::Format_ARGB32);
    warning.fill(f.list()->palette().color(QPalette::Base));
    QPainter(&warning).drawPixmap(0, 0, CollectorArt::warningIcon());
    QCOMPARE(painted.copy(icon), warning);
    QVERIFY(painted.copy(f.list()->cellRect(1, RowCell::Image1)) != painted.copy(icon));
    // the export does not change
    QVERIFY(w.table().exportText().contains(u"10.0.0.99#PC2#李四#20#第一套\r\n"_qs));
    // a deleted row no longer counts
    f.prompter.answers = {QMessageBox::Yes};
    w.deleteRow(2);
    QVERIFY(!w.lbl_host()->text().contains(u"地址不符"_qs));
}

void TestCollectorWindow::restoreAfterCrash_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("saved"); // the list was saved before the end
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    const QStringList lesson{u"rec "_qs + row(1),
                             u"rec "_qs + row(2),
                             u"rec "_qs + row(3),
                             u"name 1 王小明"_qs,
                             u"score 3 优"_qs,
                             u"del 2"_qs,
                             u"rec "_qs + row(3, {}, u"24"_qs),
                             u"rec "_qs + row(2)};
    QTest::newRow("yes rebuilds the list") << lesson << false << QMessageBox::Yes;
    QTest::newRow("no starts empty, the journal kept") << lesson << false << QMessageBox::No;
    QTest::newRow("a saved list is not offered") << lesson << true << QMessageBox::Yes;
    QTest::newRow("nothing received: not offered") << QStringList() << false << QMessageBox::Yes;
}

// The window is dropped without its close question, as a killed program
// ends; a new window on the same journal folder offers what was unsaved.
void TestCollectorWindow::restoreAfterCrash()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, saved);
    QFETCH(QMessageBox::StandardButton, answer);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.run(steps);
    QTemporaryDir dir;
    if (saved) {
        f.chosenFiles = {dir.filePath(u"s.txt"_qs)};
        f.prompter.answers = {QMessageBox::Yes};
        f.window->save();
    }
    const QString before = f.window->table().exportText();
    const QString counter = f.window->lbl_exam_info()->text();
    const int rows = f.window->table().liveCount();
    f.window.reset();

    f.prompter.shown.clear();
    f.prompter.answers = {answer};
    f.open();
    const bool asked = !steps.isEmpty() && !saved;
    // The question comes from the event loop, while the port already listens.
    QVERIFY(f.window->isListening());
    if (asked) {
        QTRY_COMPARE(f.prompter.shown.size(), 1);
    }
    bool queuedRan = false; // posted after whatever the window queued
    QMetaObject::invokeMethod(
        f.window.get(), [&queuedRan] { queuedRan = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(queuedRan);
    QCOMPARE(f.prompter.shown.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(f.prompter.shown.first().text, u"上次的成绩尚未保存，是否恢复？"_qs);
        QCOMPARE(f.prompter.shown.first().buttons, QMessageBox::Yes | QMessageBox::No);
    }
    const form1& w = *f.window;
    const bool restored = asked && answer == QMessageBox::Yes;
    // The live rows come back in their order; deleted ones are left out.
    QCOMPARE(w.table().rec_count(), restored ? rows : 0);
    QCOMPARE(w.table().exportText(), restored ? before : QString());
    QCOMPARE(w.lbl_exam_info()->text(), restored ? counter : u"已提交成绩0"_qs);
    if (restored) {
        QCOMPARE(f.list()->panelHeightTwips(), 290 * (rows - 1) + 490);
    }
    // the last run's journal is kept under a dated name
    const QStringList dated =
        QDir(f.journal.path()).entryList({u"scores-*.journal"_qs}, QDir::Files);
    QCOMPARE(dated.size(), steps.isEmpty() ? 0 : 1);
    // what is restored is journalled again: a second crash loses nothing
    if (restored) {
        f.window.reset();
        f.prompter.answers = {QMessageBox::Yes};
        f.open();
        QTRY_COMPARE(f.window->table().exportText(), before);
    }
}

// While the restore question waits, scores are received and acknowledged;
// Yes brings the last run's rows back under them, the newer upload winning.
void TestCollectorWindow::restoreWhileReceiving()
{
    Fixture f;
    f.run({u"rec " + row(1, {}, u"5"_qs), u"rec " + row(2, {}, u"6"_qs)});
    QList<QByteArray> firstRun;
    QTRY_COMPARE((firstRun += f.acks()).size(), 2);
    f.window.reset(); // a crash: nothing saved

    QList<QByteArray> acks;
    f.prompter.answers = {QMessageBox::Yes};
    f.prompter.onShow = [&](const Prompt&) {
        // The teacher has walked away; the class goes on uploading.
        QVERIFY(f.window->isListening());
        f.student.writeDatagram(gbk(row(1, {}, u"20"_qs)), QHostAddress::LocalHost,
                                f.window->listeningPort());
        f.student.writeDatagram(gbk(row(3, {}, u"7"_qs)), QHostAddress::LocalHost,
                                f.window->listeningPort());
        QTRY_COMPARE((acks += f.acks()).size(), 2);
    };
    f.open();
    QTRY_COMPARE(f.prompter.shown.size(), 1);
    const ScoreTable& t = f.window->table();
    QTRY_COMPARE(t.liveCount(), 3);
    QCOMPARE(t.row(t.findLive(u"192.168.1.1"_qs, u"第一套"_qs)).score, u"20"_qs);
    QCOMPARE(t.row(t.findLive(u"192.168.1.2"_qs, u"第一套"_qs)).score, u"6"_qs);
    QCOMPARE(t.row(t.findLive(u"192.168.1.3"_qs, u"第一套"_qs)).score, u"7"_qs);
    QCOMPARE(f.window->lbl_exam_info()->text(), u"已提交成绩3"_qs);
    // and all of it survives the next crash
    f.prompter.onShow = {};
    f.window.reset();
    f.prompter.answers = {QMessageBox::Yes};
    f.open();
    QTRY_COMPARE(f.window->table().liveCount(), 3);
}

void TestCollectorWindow::deleteRow_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("answer yes") << true;
    QTest::newRow("answer no") << false;
}

void TestCollectorWindow::deleteRow()
{
    QFETCH(bool, yes);
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(f.send(row(1)));
    QVERIFY(f.send(row(2)));
    const QRect row2 = f.list()->cellRect(2, RowCell::lbl_ip);
    f.click(1, RowCell::Img_edit); // an open row is closed by its deletion
    f.run({(yes ? QStringLiteral("del 1") : QStringLiteral("nodel 1"))});
    QCOMPARE(f.prompter.shown.size(), 1);
    QCOMPARE(f.prompter.shown.first().title, QStringLiteral("删除"));
    QCOMPARE(f.prompter.shown.first().text, QStringLiteral("你确定要删除吗？"));
    QCOMPARE(f.prompter.shown.first().buttons, QMessageBox::Yes | QMessageBox::No);

    const QString marker = yes ? QStringLiteral("已删除") : QString();
    auto shown = [&](RowCell c) { return f.list()->shownText(1, c); };
    QCOMPARE(shown(RowCell::lbl_ip), yes ? marker : QStringLiteral("192.168.1.1"));
    QCOMPARE(shown(RowCell::lbl_hostname), yes ? marker : QStringLiteral("PC1"));
    QCOMPARE(shown(RowCell::lbl_stname), yes ? marker : QStringLiteral("学生1"));
    QCOMPARE(shown(RowCell::lbl_score), yes ? marker : QStringLiteral("1"));
    QCOMPARE(shown(RowCell::lbl_tao), yes ? QString() : QStringLiteral("第一套"));
    QCOMPARE(f.box(1, RowCell::lbl_stname) == nullptr, yes);
    // the icons are gone: no tool tip, no click
    const QPoint edit = f.list()->cellRect(1, RowCell::Img_edit).center();
    QCOMPARE(f.list()->toolTipAt(edit).isEmpty(), yes);
    QCOMPARE(w.table().arr_ip(1), yes ? QString() : QStringLiteral("192.168.1.1"));
    QCOMPARE(w.lbl_exam_info()->text(),
             yes ? QStringLiteral("已提交成绩1") : QStringLiteral("已提交成绩2"));
    // the row keeps its place, rows below do not move
    QCOMPARE(f.list()->cellRect(2, RowCell::lbl_ip), row2);
    if (yes) {
        // cannot be unlocked or deleted again
        f.click(1, RowCell::Img_edit);
        QVERIFY(!f.box(1, RowCell::lbl_stname));
        f.click(1, RowCell::Img_del);
        w.deleteRow(1);
        QCOMPARE(f.prompter.shown.size(), 1);
        QCOMPARE(w.table().del_count(), 1);
    }
}

void TestCollectorWindow::scrolling_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("values"); // set one after the other
    QTest::addColumn<int>("panelTopTwips");
    QTest::addColumn<int>("added"); // rows that arrive after the scrolling
    QTest::newRow("no rows: the bar does nothing") << 0 << QList<int>{5000} << 0 << 0;
    QTest::newRow("to the end: every row out of view")
        << 20 << QList<int>{32767} << -(290 * 19 + 490) << 0;
    QTest::newRow("half way") << 20 << QList<int>{16384} << -3000 << 0;
    QTest::newRow("to the end and back") << 20 << QList<int>{32767, 0} << 0 << 0;
    // Scrolled away from the end, new rows leave the view where it is.
    QTest::newRow("half way of 235, 56 new rows: the view stays")
        << 235 << QList<int>{16384} << -int(std::lround(float(290 * 234 + 490) / 32767 * 16384))
        << 56;
    QTest::newRow("at the top, new rows: the view stays") << 20 << QList<int>{0} << 0 << 30;
    QTest::newRow("at the end, new rows: still at the end")
        << 20 << QList<int>{32767} << -(290 * 49 + 490) << 30;
}

void TestCollectorWindow::scrolling()
{
    QFETCH(int, rows);
    QFETCH(QList<int>, values);
    QFETCH(int, panelTopTwips);
    QFETCH(int, added);
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(fillRows(f, rows));
    for (int v : values) {
        w.VScroll1()->setValue(v);
    }
    // The first row in view and where it is drawn.
    const auto topRow = [&] {
        for (int i = 1; i <= w.table().rec_count(); ++i) {
            const QRect r = f.list()->cellRect(i, RowCell::Image1);
            if (r.bottom() >= 0) {
                return std::pair(i, r.top());
            }
        }
        return std::pair(0, 0);
    };
    const auto before = topRow();
    for (int i = rows + 1; i <= rows + added; ++i) {
        QVERIFY(f.send(row(i)));
    }
    rows += added;
    QCOMPARE(w.Picture1()->panelTopTwips(), panelTopTwips);
    QCOMPARE(topRow(), before);
    if (rows > 0) {
        const QRect first = f.list()->cellRect(1, RowCell::Image1);
        const QRect last = f.list()->cellRect(rows, RowCell::Image1);
        if (values.last() == 32767) {
            QVERIFY(!w.Picture1()->rect().intersects(last));
        } else if (values.last() == 0) {
            QCOMPARE(first.topLeft(), twipsPoint(50, 50));
        }
    } else {
        QCOMPARE(w.VScroll1()->value(), 0);
    }
}

void TestCollectorWindow::fullList()
{
    Fixture f;
    form1& w = *f.window;
    // a burst: all sent before the window reads any
    for (int i = 1; i <= ScoreTable::kMaxRows; ++i) {
        f.student.writeDatagram(gbk(row(i)), QHostAddress::LocalHost, w.listeningPort());
    }
    QTRY_COMPARE_WITH_TIMEOUT(w.table().rec_count(), ScoreTable::kMaxRows, 20000);
    QList<QByteArray> burstAcks;
    QTRY_COMPARE_WITH_TIMEOUT((burstAcks += f.acks()).size(), ScoreTable::kMaxRows, 10000);
    QCOMPARE(burstAcks.first(), ackFor(gbk(row(1))));
    QCOMPARE(w.lbl_exam_info()->text(), QStringLiteral("已提交成绩500"));
    QCOMPARE(w.table().row(500).address, QStringLiteral("192.168.2.245"));
    QVERIFY(!w.lbl_host()->text().contains(QStringLiteral("已满")));

    const QString refused = row(501);
    QVERIFY(f.send(refused));
    QCOMPARE(w.table().rec_count(), ScoreTable::kMaxRows);
    QVERIFY(w.lbl_host()->text().contains(QStringLiteral("成绩列表已满")));
    QVERIFY(!w.lbl_host()->isHidden());
    // one notice: the list is full, save, start Velcoll again
    QTRY_COMPARE(f.prompter.shown.size(), 1);
    QCOMPARE(f.prompter.shown.first().title, QStringLiteral("提示"));
    for (const char* part : {"已满", "保存", "重新启动Velcoll"}) {
        QVERIFY(f.prompter.shown.first().text.contains(QString::fromUtf8(part)));
    }
    QVERIFY(f.send(row(502)));
    bool queuedRan = false; // posted after whatever the window queued
    QMetaObject::invokeMethod(
        &w, [&queuedRan] { queuedRan = true; }, Qt::QueuedConnection);
    QTRY_VERIFY(queuedRan);
    QCOMPARE(f.prompter.shown.size(), 1);

    // updates still work and are acknowledged; the refused one never is
    QVERIFY(f.send(row(250, {}, QStringLiteral("25"))));
    QCOMPARE(f.list()->shownText(250, RowCell::lbl_score), QStringLiteral("25"));
    QTRY_VERIFY(f.student.hasPendingDatagrams());
    const QList<QByteArray> acks = f.acks();
    QCOMPARE(acks, QList<QByteArray>{ackFor(gbk(row(250, {}, QStringLiteral("25"))))});
    QCOMPARE(w.lbl_exam_info()->text(), QStringLiteral("已提交成绩500"));

    // a deleted row frees its place: the refused student's retry now lands
    f.prompter.answers = {QMessageBox::Yes};
    w.deleteRow(1);
    QCOMPARE(w.lbl_exam_info()->text(), QStringLiteral("已提交成绩499"));
    QVERIFY(f.send(refused));
    QCOMPARE(w.table().liveCount(), ScoreTable::kMaxRows);
    QCOMPARE(w.table().row(501).address, QStringLiteral("192.168.2.246"));
    QList<QByteArray> retryAcks;
    QTRY_COMPARE((retryAcks += f.acks()), QList<QByteArray>{ackFor(gbk(refused))});
}

void TestCollectorWindow::save_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("oldContent"); // null: no file before
    QTest::addColumn<QByteArray>("expected");

    const QByteArray set1 = gbk(QStringLiteral("第一套"));
    QTest::newRow("three rows, row 2 deleted, row 1 renamed")
        << QStringList{u"rec " + row(1), u"rec " + row(2), u"rec " + row(3),
                       QStringLiteral("del 2"), QStringLiteral("name 1 王小明")}
        << QStringLiteral("scores.txt") << QByteArray()
        << QByteArray("192.168.1.1#PC1#" + gbk(QStringLiteral("王小明")) + "#1#" + set1 +
                      "\r\n192.168.1.3#PC3#" + gbk(QStringLiteral("学生3")) + "#3#" + set1 +
                      "\r\n");
    QTest::newRow("score replaced by a second upload")
        << QStringList{u"rec " + row(1), u"rec " + row(1, {}, QStringLiteral("24"))}
        << QStringLiteral("a.txt") << QByteArray()
        << QByteArray("192.168.1.1#PC1#" + gbk(QStringLiteral("学生1")) + "#24#" + set1 + "\r\n");
    QTest::newRow("hand-corrected score")
        << QStringList{u"rec " + row(1), QStringLiteral("score 1 优")} << QStringLiteral("a.txt")
        << QByteArray()
        << QByteArray("192.168.1.1#PC1#" + gbk(QStringLiteral("学生1")) + "#" +
                      gbk(QStringLiteral("优")) + "#" + set1 + "\r\n");
    QTest::newRow("no rows: empty file")
        << QStringList() << QStringLiteral("empty.txt") << QByteArray() << QByteArray("");
    QTest::newRow("all rows deleted: empty file")
        << QStringList{u"rec " + row(1), QStringLiteral("del 1")} << QStringLiteral("e.txt")
        << QByteArray() << QByteArray("");
    QTest::newRow("overwrite of a longer file")
        << QStringList{u"rec " + row(1)} << QStringLiteral("old.txt") << QByteArray(5000, 'x')
        << QByteArray("192.168.1.1#PC1#" + gbk(QStringLiteral("学生1")) + "#1#" + set1 + "\r\n");
    QTest::newRow("name without extension kept as typed")
        << QStringList{u"rec " + row(1)} << QStringLiteral("成绩") << QByteArray()
        << QByteArray("192.168.1.1#PC1#" + gbk(QStringLiteral("学生1")) + "#1#" + set1 + "\r\n");
}

void TestCollectorWindow::save()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, oldContent);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName);
    if (!oldContent.isNull()) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(oldContent);
    }
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.run(steps);
    const int promptsBefore = f.prompter.shown.size();
    f.chosenFiles = {path};
    f.prompter.answers = {QMessageBox::Yes}; // create the file when asked
    f.click(f.window->QQButton1());
    QCOMPARE(f.chooserCalls, 1);
    QCOMPARE(readAll(path), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{fileName});
    // a new file is created only after the create question; nothing after saving
    const qsizetype asked = oldContent.isNull() ? 1 : 0;
    QCOMPARE(f.prompter.shown.size(), promptsBefore + asked);
    if (asked) {
        QCOMPARE(f.prompter.shown.last().title, QStringLiteral("保存文件"));
        QVERIFY(f.prompter.shown.last().text.contains(QStringLiteral("要创建该文件吗？")));
    }
}

void TestCollectorWindow::saveCancelledOrDeclined_data()
{
    QTest::addColumn<QStringList>("choices"); // %1 = folder
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("dialog cancelled")
        << QStringList() << QList<QMessageBox::StandardButton>() << QStringList();
    QTest::newRow("create declined, then cancelled")
        << QStringList{QStringLiteral("%1/a.txt")}
        << QList<QMessageBox::StandardButton>{QMessageBox::No} << QStringList();
    QTest::newRow("create declined, another name accepted")
        << QStringList{QStringLiteral("%1/a.txt"), QStringLiteral("%1/b.txt")}
        << QList<QMessageBox::StandardButton>{QMessageBox::No, QMessageBox::Yes}
        << QStringList{QStringLiteral("b.txt")};
}

void TestCollectorWindow::saveCancelledOrDeclined()
{
    QFETCH(QStringList, choices);
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(QStringList, written);
    QTemporaryDir dir;
    Fixture f;
    QVERIFY(f.send(row(1)));
    for (const QString& c : choices) {
        f.chosenFiles << c.arg(dir.path());
    }
    f.prompter.answers = answers;
    f.window->save();
    QCOMPARE(f.prompter.shown.size(), answers.size());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), written);
}

void TestCollectorWindow::saveErrors_data()
{
    QTest::addColumn<QString>("target"); // %1 = folder
    QTest::newRow("error: folder missing") << QStringLiteral("%1/missing/scores.txt");
    QTest::newRow("error: name is a folder") << QStringLiteral("%1/sub");
    QTest::newRow("error: workbook into a missing folder")
        << QStringLiteral("%1/missing/scores.xlsx");
    QTest::newRow("error: CSV over a folder") << QStringLiteral("%1/sub.csv");
}

void TestCollectorWindow::saveErrors()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub.csv")));
    const QString path = target.arg(dir.path());
    Fixture f;
    QVERIFY(f.send(row(1)));
    f.chosenFiles = {path};
    f.prompter.answers = {QMessageBox::Yes, QMessageBox::Ok};
    f.window->save();
    QVERIFY(!f.prompter.shown.isEmpty());
    const Prompt& report = f.prompter.shown.last();
    QCOMPARE(report.title, QStringLiteral("提示"));
    QVERIFY2(report.text.contains(QDir::toNativeSeparators(path)), qPrintable(report.text));
    QVERIFY(report.text.size() > QDir::toNativeSeparators(path).size() + 12); // a reason follows
    // nothing half-written anywhere
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden),
             QStringList());
    QVERIFY(f.opened.isEmpty()); // a failed save offers nothing to open
}

void TestCollectorWindow::saveTypes_data()
{
    QTest::addColumn<int>("filter"); // index of the type selected in the dialog
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers"); // after the create question
    QTest::addColumn<bool>("openerWorks");
    QTest::addColumn<QStringList>("titles"); // prompts after the create question
    QTest::addColumn<bool>("opened");

    using Answers = QList<QMessageBox::StandardButton>;
    QTest::newRow("text type: as ever, nothing asked")
        << 0 << QStringLiteral("成绩") << QStringLiteral("成绩") << Answers() << true
        << QStringList() << false;
    QTest::newRow("workbook type: extension added, opened")
        << 1 << QStringLiteral("成绩") << QStringLiteral("成绩.xlsx") << Answers{QMessageBox::Yes}
        << true << QStringList{QStringLiteral("保存文件")} << true;
    QTest::newRow(".csv typed with the text type, not opened")
        << 0 << QStringLiteral("a.csv") << QStringLiteral("a.csv") << Answers{QMessageBox::No}
        << true << QStringList{QStringLiteral("保存文件")} << false;
    QTest::newRow("CSV type: nothing opens it, one note")
        << 2 << QStringLiteral("b") << QStringLiteral("b.csv")
        << Answers{QMessageBox::Yes, QMessageBox::Ok} << false
        << QStringList{QStringLiteral("保存文件"), QStringLiteral("提示")} << true;
}

void TestCollectorWindow::saveTypes()
{
    QFETCH(int, filter);
    QFETCH(QString, typed);
    QFETCH(QString, file);
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(bool, openerWorks);
    QFETCH(QStringList, titles);
    QFETCH(bool, opened);
    QTemporaryDir dir;
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QVERIFY(f.send(row(1, QStringLiteral("张,\"三\""))));
    QVERIFY(f.send(row(2)));
    f.run({QStringLiteral("del 2")});
    f.chosenFiles = {dir.filePath(typed)};
    f.chosenFilter = ListExport::filters().at(filter);
    f.openerWorks = openerWorks;
    f.prompter.answers = QList<QMessageBox::StandardButton>{QMessageBox::Yes} + answers;
    const qsizetype before = f.prompter.shown.size();
    f.window->save();
    const QString path = dir.filePath(file);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{file});
    QStringList shown;
    for (qsizetype i = before + 1; i < f.prompter.shown.size(); ++i) {
        shown << f.prompter.shown.at(i).title;
    }
    QCOMPARE(shown, titles);
    if (!titles.isEmpty()) {
        QCOMPARE(f.prompter.shown.at(before + 1).text, QStringLiteral("已保存。是否现在打开？"));
        QCOMPARE(f.prompter.shown.at(before + 1).buttons, QMessageBox::Yes | QMessageBox::No);
    }
    if (titles.size() > 1) {
        QVERIFY(f.prompter.shown.last().text.contains(QDir::toNativeSeparators(path)));
    }
    QCOMPARE(f.opened, opened ? QStringList{path} : QStringList());

    // The live row, read back from the file in its own type.
    const QString name = QStringLiteral("张,\"三\"");
    const QByteArray bytes = readAll(path);
    if (file.endsWith(u".xlsx")) {
        VELMORA_REQUIRE_XLSX_READER();
        QString error;
        const QList<XlsxSheet> sheets = readXlsx(path, &error);
        QVERIFY2(!sheets.isEmpty(), qPrintable(error));
        QCOMPARE(sheets.first().joined(),
                 (QStringList{QStringLiteral("IP地址|机器名|姓名|分数|套题|复核分|作业"),
                              u"192.168.1.1|PC1|" + name + u"|1|第一套"}));
    } else if (file.endsWith(u".csv")) {
        QCOMPARE(bytes, QByteArray("\xEF\xBB\xBF") +
                            QStringLiteral("IP地址,机器名,姓名,分数,套题,复核分,作业\r\n"
                                           "192.168.1.1,PC1,\"张,\"\"三\"\"\",1,第一套,,\r\n")
                                .toUtf8());
    } else {
        QCOMPARE(bytes, gbk(u"192.168.1.1#PC1#" + name + u"#1#第一套\r\n"));
    }
}

void TestCollectorWindow::handoff_data()
{
    QTest::addColumn<bool>("workbookPresent");
    QTest::addColumn<bool>("starterWorks");
    QTest::addColumn<QString>("message"); // %1 = workbook path; empty: no message
    QTest::newRow("spreadsheet started") << true << true << QString();
    QTest::newRow("error: no spreadsheet program")
        << true << false
        << QStringLiteral("请打开\"%1\"，并按其中“使用说明”工作表的步骤导入成绩进行汇总！");
    QTest::newRow("error: workbook missing")
        << false << true << QStringLiteral("找不到“%1”，无法进行成绩汇总，请重新安装本软件！");
}

void TestCollectorWindow::handoff()
{
    QFETCH(bool, workbookPresent);
    QFETCH(bool, starterWorks);
    QFETCH(QString, message);
    QTemporaryDir dir;
    if (workbookPresent) {
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_BIN_DIR "/汇总成绩.xls"),
                            dir.filePath(QStringLiteral("汇总成绩.xls"))));
    }
    Fixture f;
    f.starterWorks = starterWorks;
    f.window->setProgramFolder(dir.path());
    const QString workbook = f.window->workbookPath();
    QCOMPARE(f.window->Label3()->text(), workbook);
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.click(f.window->QQButton2());
    QCOMPARE(f.started, workbookPresent ? QStringList{workbook} : QStringList());
    // the desktop's default program is tried only after the fixed places
    QCOMPARE(f.opened, workbookPresent && !starterWorks ? QStringList{workbook} : QStringList());
    if (message.isEmpty()) {
        QVERIFY(f.prompter.shown.isEmpty());
    } else {
        QCOMPARE(f.prompter.shown.size(), 1);
        QCOMPARE(f.prompter.shown.first().title, QStringLiteral("提示"));
        QCOMPARE(f.prompter.shown.first().text, message.arg(workbook));
        QCOMPARE(f.prompter.shown.first().buttons, QMessageBox::Ok);
    }
}

void TestCollectorWindow::shippedWorkbook()
{
    // The build puts a real Excel 97-2003 workbook beside the program.
    const QByteArray bytes = readAll(QStringLiteral(VELMORA_BIN_DIR "/汇总成绩.xls"));
    QVERIFY(bytes.size() > 1024);
    QVERIFY(bytes.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))); // compound file
    QCOMPARE(bytes, readAll(QStringLiteral(VELMORA_SOURCE_DIR "/collector/汇总成绩.xls")));
}

void TestCollectorWindow::helpAndAbout_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("help")
        << QStringLiteral("QQButton4") << QStringLiteral("帮助")
        << QStringList{
               QStringLiteral("[使用帮助]"),
               QStringLiteral("1.点击“保存成绩(.txt)”将接收到的学生成绩保存为文本格式(.txt)。"),
               QStringLiteral("  保存类型也可选“Excel 工作簿 (*.xlsx)”：得到的工作簿已含全部成绩、"
                              "班级汇总和未交名单，不必再导入；或选“CSV UTF-8 (*.csv)”，"
                              "可用任何电子表格程序打开。"),
               QStringLiteral("2.点击“汇总成绩(.xls)”打开EXCEL文件“汇总成绩.xls”("
                              "若无法自动打开，可在软件安装目录下手动打开)。"),
               QStringLiteral("3.按EXCEL文件里面“使用说明”工作表的步骤打开刚才的文本文件，"
                              "即可将文本中的成绩导入到Excel中。"),
               QString(),
               QStringLiteral(
                   "[注意]最好将“汇总成绩.xls”中的数据另存或备份，以免在下次汇总成绩时被覆盖。"),
               QString()};
    QTest::newRow("about") << QStringLiteral("QQButton3") << QStringLiteral("关于")
                           << QStringList{QStringLiteral("Velmora系统 Velcoll程序 V1.0"),
                                          QString()};
}

void TestCollectorWindow::helpAndAbout()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(QStringList, lines);
    Fixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.click(f.window->findChild<QQButton*>(button));
    QCOMPARE(f.prompter.shown.size(), 1);
    QCOMPARE(f.prompter.shown.first().title, title);
    QCOMPARE(f.prompter.shown.first().buttons, QMessageBox::Ok);
    const QString text = f.prompter.shown.first().text;
    QVERIFY(!text.contains(u'\n')); // lines end with a lone CR
    const QStringList got = text.split(u'\r');
    if (button == u"QQButton4") {
        QCOMPARE(got, lines);
        // every type the save dialog offers is named as the dialog names it
        for (const QString& type : ListExport::filters().mid(1)) {
            QVERIFY2(text.contains(type), qPrintable(type));
        }
    } else {
        // product line, empty line, three author lines, empty line, rights line
        QCOMPARE(got.size(), 7);
        QCOMPARE(got.mid(0, 2), lines);
        QVERIFY(got.at(5).isEmpty());
        QVERIFY(!got.at(6).isEmpty());
    }
}

void TestCollectorWindow::exitConfirmation_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("no keeps the window listening") << false;
    QTest::newRow("yes closes the socket") << true;
}

void TestCollectorWindow::exitConfirmation()
{
    QFETCH(bool, yes);
    Fixture f;
    form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(f.send(row(1)));
    const quint16 port = w.listeningPort();
    f.prompter.answers = {yes ? QMessageBox::Yes : QMessageBox::No};
    // the frame's close button asks the window to close
    auto* closeImage = w.QQForm1()->findChild<QWidget*>(QStringLiteral("ImgClose"));
    QVERIFY(closeImage);
    QTest::mousePress(closeImage, Qt::LeftButton, {}, closeImage->rect().center());
    QTest::mouseRelease(closeImage, Qt::LeftButton, {}, closeImage->rect().center());
    QTRY_COMPARE(f.prompter.shown.size(), 1);
    const Prompt& asked = f.prompter.shown.first();
    QCOMPARE(asked.title, QStringLiteral("警告"));
    QCOMPARE(asked.text, QStringLiteral("确定要退出吗？"));
    QCOMPARE(asked.icon, QMessageBox::Warning);
    QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(w.isVisible(), !yes);
    QCOMPARE(w.isListening(), !yes);
    if (!yes) {
        f.acks();
        QVERIFY(f.send(row(2)));
        QCOMPARE(w.table().rec_count(), 2);
        QList<QByteArray> acks;
        QTRY_COMPARE((acks += f.acks()), QList<QByteArray>{ackFor(gbk(row(2)))});
    } else {
        // the port is free again
        QUdpSocket again;
        QVERIFY(again.bind(QHostAddress::AnyIPv4, port));
    }
}

QTEST_MAIN(TestCollectorWindow)
#include "tst_collector_window.moc"
