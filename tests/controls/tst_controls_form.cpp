// SPDX-License-Identifier: MIT
#include "Artwork.h"
#include "FrameButton.h"
#include "QQForm.h"
#include "Twips.h"
#include "UiFont.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace velmora;

namespace {

// Refuses every close request of the window it watches, like a host whose
// unload handling says no.
class CloseRefuser : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return false;
    }
};

QColor rgb(int r, int g, int b)
{
    return QColor(r, g, b);
}

bool near(const QColor& a, const QColor& b, int tolerance = 2)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

QIcon solidIcon(const QColor& c)
{
    QPixmap pm(16, 16);
    pm.fill(c);
    return QIcon(pm);
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestQQForm : public QObject
{
    Q_OBJECT

    int m_moves = 0;

    struct Fixture
    {
        std::unique_ptr<QWidget> host;
        QQForm* frame = nullptr;
        FrameButton* close = nullptr;
        FrameButton* min = nullptr;
        FrameButton* max = nullptr;
        QWidget* title = nullptr;
    };

    Fixture make(QSize size = QSize(400, 300), bool show = true)
    {
        Fixture f;
        f.host = std::make_unique<QWidget>();
        f.host->resize(size);
        f.host->setWindowTitle(QStringLiteral("Title"));
        f.frame = new QQForm(f.host.get());
        f.frame->setObjectName(QStringLiteral("QQForm1"));
        f.close = f.frame->findChild<FrameButton*>(QStringLiteral("ImgClose"));
        f.min = f.frame->findChild<FrameButton*>(QStringLiteral("ImgMin"));
        f.max = f.frame->findChild<FrameButton*>(QStringLiteral("ImgMax"));
        f.title = f.frame->findChild<QWidget*>(QStringLiteral("LbMove"));
        if (show) {
            f.host->move(100, 100);
            f.host->show();
            if (!QTest::qWaitForWindowExposed(f.host.get())) {
                qWarning("host window not exposed");
            }
        }
        return f;
    }

private slots:
    void frameCoversHostAndMakesItFrameless()
    {
        Fixture f = make(QSize(420, 310));
        QVERIFY(f.host->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(f.frame->geometry(), QRect(0, 0, 420, 310));
        f.host->resize(500, 350);
        QTRY_COMPARE(f.frame->size(), QSize(500, 350));
        QCOMPARE(f.frame->surface().size(), QSize(500, 350));
        // A control added later lies on top of the frame.
        auto* later = new QLabel(f.host.get());
        QVERIFY(f.host->children().indexOf(later) > f.host->children().indexOf(f.frame));
    }

    void buttonLayout_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("minButton");
        QTest::addColumn<bool>("maxButton");
        QTest::addColumn<int>("closeLeftTwips");
        QTest::addColumn<int>("maxLeftTwips"); // -1: hidden
        QTest::addColumn<int>("minLeftTwips"); // -1: hidden

        // Widths in pixels; W = 15 * width twips. Close at W - 240 - 70, each
        // further button 240 + 30 twips to the left of its neighbour.
        QTest::newRow("all three") << 400 << true << true << 6000 - 310 << 6000 - 580 << 6000 - 850;
        QTest::newRow("no max: min beside close")
            << 400 << true << false << 6000 - 310 << -1 << 6000 - 580;
        QTest::newRow("close only") << 400 << false << false << 6000 - 310 << -1 << -1;
        QTest::newRow("max without min") << 400 << false << true << 6000 - 310 << 6000 - 580 << -1;
        QTest::newRow("odd width") << 333 << true << true << 4995 - 310 << 4995 - 580 << 4995 - 850;
    }

    void buttonLayout()
    {
        QFETCH(int, width);
        QFETCH(bool, minButton);
        QFETCH(bool, maxButton);
        QFETCH(int, closeLeftTwips);
        QFETCH(int, maxLeftTwips);
        QFETCH(int, minLeftTwips);

        Fixture f = make(QSize(width, 240));
        f.frame->setMinButton(minButton);
        f.frame->setMaxButton(maxButton);
        f.frame->Refresh();

        QCOMPARE(f.close->geometry(), QRect(twipsPoint(closeLeftTwips, 50), QSize(16, 16)));
        QVERIFY(f.close->isVisible());
        QCOMPARE(f.max->isVisible(), maxLeftTwips >= 0);
        QCOMPARE(f.min->isVisible(), minLeftTwips >= 0);
        if (maxLeftTwips >= 0) {
            QCOMPARE(f.max->pos(), twipsPoint(maxLeftTwips, 50));
        }
        if (minLeftTwips >= 0) {
            QCOMPARE(f.min->pos(), twipsPoint(minLeftTwips, 50));
        }
        // The title band spans the width less 15 twips, 290 twips high.
        QCOMPARE(f.title->geometry(),
                 QRect(0, 0, twipsToPixels(width * 15 - 15), twipsToPixels(290)));
    }

    void captionPosition_data()
    {
        QTest::addColumn<bool>("withIcon");
        QTest::addColumn<int>("captionXTwips");
        QTest::newRow("no icon") << false << 100;
        QTest::newRow("with icon") << true << 360;
    }

    void captionPosition()
    {
        QFETCH(bool, withIcon);
        QFETCH(int, captionXTwips);
        Fixture f = make(QSize(400, 200), false);
        if (withIcon) {
            f.host->setWindowIcon(solidIcon(QColor(255, 0, 0)));
        }
        f.host->setWindowTitle(QStringLiteral("HHHH"));
        f.frame->Refresh();
        const QImage img = f.frame->surface().toImage();

        // The caption is the only white in the title band: find its extent.
        int left = -1;
        int top = -1;
        const int bandRows = 20; // the title band proper, above its closing line
        for (int x = 0; x < 200 && left < 0; ++x) {
            for (int y = 0; y < bandRows; ++y) {
                if (near(img.pixelColor(x, y), Qt::white, 10)) {
                    left = x;
                    break;
                }
            }
        }
        for (int y = 0; y < bandRows && top < 0; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (near(img.pixelColor(x, y), Qt::white, 10)) {
                    top = y;
                    break;
                }
            }
        }
        const QPoint at = twipsPoint(captionXTwips, 90);
        QVERIFY2(left >= at.x() && left <= at.x() + 3, qPrintable(QString::number(left)));
        QVERIFY2(top >= at.y() && top <= at.y() + 6, qPrintable(QString::number(top)));
        // The icon sits at (50, 50) twips, 16 x 16.
        const QColor iconSpot = img.pixelColor(twipsPoint(50, 50) + QPoint(8, 8));
        QCOMPARE(near(iconSpot, QColor(255, 0, 0)), withIcon);
    }

    void framePixels_data()
    {
        QTest::addColumn<int>("x"); // negative: from the right edge
        QTest::addColumn<int>("y"); // negative: from the bottom edge
        QTest::addColumn<QColor>("expected");
        QTest::newRow("top outline") << 100 << 0 << rgb(30, 62, 147);
        QTest::newRow("pale row under outline") << 100 << 1 << rgb(153, 213, 246);
        QTest::newRow("title band top") << 100 << 3 << rgb(21, 119, 211);
        QTest::newRow("title band bottom") << 100 << 19 << rgb(104, 182, 247);
        QTest::newRow("title closing line") << 100 << 20 << rgb(79, 147, 213);
        QTest::newRow("body top white") << 100 << 23 << rgb(255, 255, 255);
        QTest::newRow("left outline") << 0 << 150 << rgb(30, 62, 147);
        QTest::newRow("left pale line") << 1 << 150 << rgb(170, 225, 255);
        QTest::newRow("left blue line") << 2 << 150 << rgb(78, 167, 237);
        QTest::newRow("right outline") << -1 << 150 << rgb(30, 62, 147);
        QTest::newRow("right pale line") << -2 << 150 << rgb(170, 225, 255);
        QTest::newRow("right blue line") << -3 << 150 << rgb(78, 167, 237);
        QTest::newRow("bottom outline") << 100 << -1 << rgb(30, 62, 147);
        QTest::newRow("bottom pale row") << 100 << -2 << rgb(107, 206, 245);
        QTest::newRow("bottom blue row") << 100 << -3 << rgb(67, 155, 237);
    }

    void framePixels()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QColor, expected);
        Fixture f = make(QSize(400, 300), false);
        f.host->setWindowTitle(QString());
        f.frame->Refresh();
        const QImage img = f.frame->surface().toImage();
        const QPoint at(x < 0 ? img.width() + x : x, y < 0 ? img.height() + y : y);
        QVERIFY2(near(img.pixelColor(at), expected, 3),
                 qPrintable(img.pixelColor(at).name() + QStringLiteral(" at ") +
                            QString::number(at.x()) + u',' + QString::number(at.y())));
    }

    void bodyFadesDownwards()
    {
        Fixture f = make(QSize(300, 400), false);
        f.frame->Refresh();
        const QImage img = f.frame->surface().toImage();
        const QColor top = img.pixelColor(150, 30);
        const QColor low = img.pixelColor(150, 380);
        QVERIFY(top.red() > low.red());
        QVERIFY(near(low, rgb(204, 235, 255), 6));
    }

    void roundRegion_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("window") << QSize(400, 300);
        QTest::newRow("small") << QSize(30, 20);
    }

    void roundRegion()
    {
        QFETCH(QSize, size);
        const QRegion r = QQForm::roundRegion(size, 5);
        const int w = size.width();
        const int h = size.height();
        // Corner pixels are cut off, in each corner alike.
        for (const QPoint& p :
             {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(w - 1, 0), QPoint(w - 2, 0),
              QPoint(w - 1, 1), QPoint(0, h - 1), QPoint(1, h - 1), QPoint(0, h - 2),
              QPoint(w - 1, h - 1), QPoint(w - 2, h - 1), QPoint(w - 1, h - 2)}) {
            QVERIFY2(!r.contains(p),
                     qPrintable(QString::number(p.x()) + u',' + QString::number(p.y())));
        }
        for (const QPoint& p : {QPoint(2, 0), QPoint(1, 1), QPoint(0, 2), QPoint(w - 3, 0),
                                QPoint(w - 2, 1), QPoint(w - 1, h - 3), QPoint(w / 2, h / 2)}) {
            QVERIFY2(r.contains(p),
                     qPrintable(QString::number(p.x()) + u',' + QString::number(p.y())));
        }
        QCOMPARE(r.boundingRect(), QRect(QPoint(0, 0), size));
    }

    void hostAndFrameAreRounded()
    {
        Fixture f = make(QSize(300, 200));
        QCOMPARE(f.host->mask(), QQForm::roundRegion(QSize(300, 200), 5));
        QCOMPARE(f.frame->mask(), QQForm::roundRegion(QSize(300, 200), 5));
        // Rendered through its mask, the window's corner stays clear.
        QImage img(f.host->size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        f.host->render(&img, QPoint(), f.host->mask());
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(299, 199)), 0);
        QCOMPARE(qAlpha(img.pixel(150, 100)), 255);
    }

    void maximiseRestore_data()
    {
        QTest::addColumn<bool>("byTitleDoubleClick");
        QTest::newRow("maximise button") << false;
        QTest::newRow("title band double-click") << true;
    }

    void maximiseRestore()
    {
        QFETCH(bool, byTitleDoubleClick);
        Fixture f = make(QSize(300, 200));
        QSignalSpy maxSpy(f.frame, &QQForm::MaxClick);
        QCOMPARE(f.frame->pictureIndex(QQForm::Button::Max), 1);
        QCOMPARE(f.max->toolTip(), QStringLiteral("最大化"));

        auto toggle = [&] {
            if (byTitleDoubleClick) {
                QTest::mouseDClick(f.title, Qt::LeftButton, {}, QPoint(40, 8));
            } else {
                QTest::mouseClick(f.max, Qt::LeftButton, {}, QPoint(8, 8));
            }
        };
        toggle();
        QVERIFY(f.host->windowState().testFlag(Qt::WindowMaximized));
        QCOMPARE(maxSpy.count(), 1);
        QCOMPARE(f.frame->pictureIndex(QQForm::Button::Max), 4);
        QCOMPARE(f.max->toolTip(), QStringLiteral("向下还原"));
        QCOMPARE(f.max->accessibleName(), QStringLiteral("向下还原"));
        QTRY_COMPARE(f.frame->size(), f.host->size());

        toggle();
        QVERIFY(!f.host->windowState().testFlag(Qt::WindowMaximized));
        QCOMPARE(maxSpy.count(), 2);
        QCOMPARE(f.frame->pictureIndex(QQForm::Button::Max), 1);
        QCOMPARE(f.max->toolTip(), QStringLiteral("最大化"));
        QTRY_COMPARE(f.frame->size(), f.host->size());
    }

    void titleDoubleClickWithoutMaxButtonDoesNothing()
    {
        Fixture f = make(QSize(300, 200));
        f.frame->setMaxButton(false);
        QSignalSpy maxSpy(f.frame, &QQForm::MaxClick);
        QTest::mouseDClick(f.title, Qt::LeftButton, {}, QPoint(40, 8));
        QCOMPARE(maxSpy.count(), 0);
        QCOMPARE(f.host->windowState(), Qt::WindowNoState);
    }

    void closeAndMinimise_data()
    {
        QTest::addColumn<bool>("refuse");
        QTest::newRow("host closes") << false;
        QTest::newRow("host refuses, event still raised") << true;
    }

    void closeAndMinimise()
    {
        QFETCH(bool, refuse);
        Fixture f = make(QSize(300, 200));
        CloseRefuser refuser;
        if (refuse) {
            f.host->installEventFilter(&refuser);
        }
        QSignalSpy closeSpy(f.frame, &QQForm::CloseClick);
        QSignalSpy minSpy(f.frame, &QQForm::MinClick);

        // A right click is no click.
        QTest::mouseClick(f.close, Qt::RightButton, {}, QPoint(8, 8));
        QCOMPARE(closeSpy.count(), 0);
        QVERIFY(f.host->isVisible());

        QTest::mouseClick(f.min, Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(minSpy.count(), 1);
        QVERIFY(f.host->windowState().testFlag(Qt::WindowMinimized));
        f.host->setWindowState(Qt::WindowNoState);

        QTest::mouseClick(f.close, Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(closeSpy.count(), 1);
        QCOMPARE(f.host->isVisible(), refuse);
    }

    void buttonPictures_data()
    {
        QTest::addColumn<QString>("steps"); // f: move over frame, c/m: move over close/min,
                                            // p: press on close, r: release on close
        QTest::addColumn<int>("closeIndex");
        QTest::addColumn<int>("minIndex");
        QTest::addColumn<bool>("atRest");

        QTest::newRow("created: nothing lit") << QString() << 1 << 1 << false;
        QTest::newRow("button without crossing the frame stays dark") << u"c"_qs << 1 << 1 << false;
        QTest::newRow("frame then button lights it") << u"fc"_qs << 2 << 1 << false;
        QTest::newRow("straight on to the next button lights nothing")
            << u"fcm"_qs << 2 << 1 << false;
        QTest::newRow("back over the frame rests all") << u"fcf"_qs << 1 << 1 << true;
        QTest::newRow("frame, min lights min") << u"fm"_qs << 1 << 2 << false;
        QTest::newRow("press shows pressed") << u"fcp"_qs << 3 << 1 << false;
        QTest::newRow("release shows normal") << u"fcpr"_qs << 1 << 1 << false;
    }

    void buttonPictures()
    {
        QFETCH(QString, steps);
        QFETCH(int, closeIndex);
        QFETCH(int, minIndex);
        QFETCH(bool, atRest);
        Fixture f = make(QSize(300, 200));
        // Keep the close button's click from closing the host.
        CloseRefuser refuser;
        f.host->installEventFilter(&refuser);
        QSignalSpy moveSpy(f.frame, &QQForm::MouseMove);
        int frameMoves = 0;
        for (const QChar s : steps) {
            switch (s.unicode()) {
            case 'f':
                // A move to where the pointer already is would be dropped, so
                // every frame move goes to a fresh point.
                QTest::mouseMove(f.frame, QPoint(100 + m_moves++ % 100, 100));
                ++frameMoves;
                break;
            case 'c':
                QTest::mouseMove(f.close, QPoint(8, 8));
                break;
            case 'm':
                QTest::mouseMove(f.min, QPoint(8, 8));
                break;
            case 'p':
                QTest::mousePress(f.close, Qt::LeftButton, {}, QPoint(8, 8));
                break;
            case 'r':
                QTest::mouseRelease(f.close, Qt::LeftButton, {}, QPoint(8, 8));
                break;
            }
        }
        QCOMPARE(f.frame->pictureIndex(QQForm::Button::Close), closeIndex);
        QCOMPARE(f.frame->pictureIndex(QQForm::Button::Min), minIndex);
        QCOMPARE(f.frame->buttonsAtRest(), atRest);
        QCOMPARE(f.close->picture().toImage(),
                 f.frame->picture(QQForm::Button::Close, closeIndex).toImage());
        // Moves over the buttons are not the frame's.
        QCOMPARE(moveSpy.count(), frameMoves);
        if (steps.endsWith(u'p')) {
            QTest::mouseRelease(f.close, Qt::LeftButton, {}, QPoint(8, 8));
        }
    }

    // The caption buttons are buttons: a screen reader finds them by name and
    // presses them; the second press of a double-click does not act again.
    void frameButtonsAreButtons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("accessibleName");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<Qt::WindowState>("state");
        QTest::newRow("close, pressed by a screen reader")
            << u"ImgClose"_qs << u"关闭"_qs << false << Qt::WindowNoState;
        QTest::newRow("minimise, pressed by a screen reader")
            << u"ImgMin"_qs << u"最小化"_qs << false << Qt::WindowMinimized;
        QTest::newRow("maximise, pressed by a screen reader")
            << u"ImgMax"_qs << u"最大化"_qs << false << Qt::WindowMaximized;
        QTest::newRow("close, double-clicked: once")
            << u"ImgClose"_qs << u"关闭"_qs << true << Qt::WindowNoState;
        QTest::newRow("minimise, double-clicked: once")
            << u"ImgMin"_qs << u"最小化"_qs << true << Qt::WindowMinimized;
    }

    void frameButtonsAreButtons()
    {
        QFETCH(QString, name);
        QFETCH(QString, accessibleName);
        QFETCH(bool, doubleClick);
        QFETCH(Qt::WindowState, state);
        Fixture f = make(QSize(300, 200));
        CloseRefuser refuser;
        f.host->installEventFilter(&refuser);
        QSignalSpy closeSpy(f.frame, &QQForm::CloseClick);
        QSignalSpy minSpy(f.frame, &QQForm::MinClick);
        QSignalSpy maxSpy(f.frame, &QQForm::MaxClick);
        auto* button = f.frame->findChild<QAbstractButton*>(name);
        QVERIFY(button);
        // Not a tab stop, as a system window's caption buttons are not.
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::Button);
        QCOMPARE(iface->text(QAccessible::Name), accessibleName);
        if (doubleClick) { // press, release, the second press, release
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8));
            QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(8, 8));
            QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(8, 8));
        } else {
            iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
        QTRY_COMPARE(closeSpy.count() + minSpy.count() + maxSpy.count(), 1);
        QCOMPARE(closeSpy.count(), name == u"ImgClose" ? 1 : 0);
        QCOMPARE(minSpy.count(), name == u"ImgMin" ? 1 : 0);
        QCOMPARE(f.host->windowState(), Qt::WindowStates(state));
        QVERIFY(f.host->isVisible()); // the refuser kept it open
    }

    void maximisedButtonUsesRestorePictures()
    {
        Fixture f = make(QSize(300, 200));
        QTest::mouseClick(f.max, Qt::LeftButton, {}, QPoint(8, 8));
        QTRY_COMPARE(f.frame->size(), f.host->size());
        QTest::mouseMove(f.frame, QPoint(150, 100));
        QTest::mouseMove(f.max, QPoint(8, 8));
        QCOMPARE(f.frame->pictureIndex(QQForm::Button::Max), 5);
        QTest::mousePress(f.max, Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(f.frame->pictureIndex(QQForm::Button::Max), 6);
    }

    void drag_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<bool>("moves");
        QTest::newRow("left button, normal window") << Qt::LeftButton << false << true;
        QTest::newRow("right button does not drag") << Qt::RightButton << false << false;
        QTest::newRow("maximised window is not dragged") << Qt::LeftButton << true << false;
    }

    void drag()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, maximised);
        QFETCH(bool, moves);
        Fixture f = make(QSize(300, 200));
        if (maximised) {
            f.host->setWindowState(Qt::WindowMaximized);
            QTRY_COMPARE(f.frame->size(), f.host->size());
        }
        const QPoint start = f.host->pos();
        const QPoint local(40, 8);
        const QPoint global = f.title->mapToGlobal(local);
        const QPoint travel(37, 21);
        sendMouse(f.title, QEvent::MouseButtonPress, local, global, button, button);
        if (moves) {
            QCOMPARE(f.frame->cursor().shape(), Qt::SizeAllCursor);
        }
        sendMouse(f.title, QEvent::MouseMove, local + travel, global + travel, Qt::NoButton,
                  button);
        sendMouse(f.title, QEvent::MouseButtonRelease, local + travel, global + travel, button,
                  Qt::NoButton);
        QCOMPARE(f.host->pos(), moves ? start + travel : start);
        QCOMPARE(f.frame->cursor().shape(), Qt::ArrowCursor);
    }

    void framePicturesLookRight()
    {
        // Hover pictures are lighter, pressed darker than the normal one.
        auto lightness = [](const QPixmap& pm) {
            const QImage img = pm.toImage();
            qint64 sum = 0;
            for (int y = 0; y < img.height(); ++y) {
                for (int x = 0; x < img.width(); ++x) {
                    sum += qGray(img.pixel(x, y)) * qAlpha(img.pixel(x, y)) / 255;
                }
            }
            return sum;
        };
        Fixture f = make(QSize(300, 200), false);
        const QList<QPair<QQForm::Button, int>> sets = {{QQForm::Button::Close, 1},
                                                        {QQForm::Button::Min, 1},
                                                        {QQForm::Button::Max, 1},
                                                        {QQForm::Button::Max, 4}};
        for (const auto& [button, first] : sets) {
            const QPixmap normal = f.frame->picture(button, first);
            QCOMPARE(normal.size(), QSize(16, 16));
            QVERIFY(lightness(f.frame->picture(button, first + 1)) > lightness(normal));
            QVERIFY(lightness(f.frame->picture(button, first + 2)) < lightness(normal));
        }
        // Close is orange-red, minimise blue.
        const QColor close = f.frame->picture(QQForm::Button::Close, 1).toImage().pixelColor(3, 8);
        QVERIFY(close.red() > 180 && close.blue() < 100);
        const QColor min = f.frame->picture(QQForm::Button::Min, 1).toImage().pixelColor(3, 5);
        QVERIFY(min.blue() > 180 && min.red() < 140);
        QCOMPARE(artwork::frameCursorPixmap().size(), QSize(32, 32));
        QCOMPARE(f.close->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(f.min->cursor().pixmap().toImage(), f.close->cursor().pixmap().toImage());
    }

    // The frame's skin is stretched by hand instead of by QPainter: the
    // pixels must be exactly QPainter's, whatever the scale and the cut.
    void stretchMatchesPainter_data()
    {
        QTest::addColumn<QRect>("target");
        QTest::addColumn<QRect>("source");
        QTest::addColumn<bool>("rowsOfOneColour");
        // Rows of one colour with two columns of another near each side, as
        // in the frame skin: parts of rows are filled, others sampled.
        QTest::newRow("rows, inside the side columns")
            << QRect(3, 23, 394, 272) << QRect(13, 21, 239, 134) << true;
        QTest::newRow("rows, over a side column")
            << QRect(0, 0, 300, 280) << QRect(0, 10, 60, 100) << true;
        QTest::newRow("rows, ending on a side column")
            << QRect(20, 0, 13, 290) << QRect(245, 59, 9, 3) << true;
        QTest::newRow("same size") << QRect(5, 7, 30, 20) << QRect(10, 10, 30, 20) << false;
        QTest::newRow("wider") << QRect(28, 0, 372, 40) << QRect(28, 0, 8, 40) << false;
        QTest::newRow("taller") << QRect(0, 0, 13, 300) << QRect(0, 59, 13, 3) << false;
        QTest::newRow("both ways, odd factors")
            << QRect(3, 23, 394, 272) << QRect(13, 21, 239, 134) << false;
        QTest::newRow("shrunk") << QRect(0, 0, 100, 50) << QRect(0, 0, 256, 159) << false;
        QTest::newRow("cut at the left and top")
            << QRect(-50, -9, 200, 60) << QRect(140, 0, 111, 29) << false;
        QTest::newRow("cut at the right and bottom")
            << QRect(350, 280, 111, 35) << QRect(145, 124, 110, 35) << false;
        QTest::newRow("one pixel") << QRect(9, 9, 1, 1) << QRect(100, 100, 1, 1) << false;
        QTest::newRow("outside") << QRect(500, 0, 10, 10) << QRect(0, 0, 10, 10) << false;
    }

    void stretchMatchesPainter()
    {
        QFETCH(QRect, target);
        QFETCH(QRect, source);
        QFETCH(bool, rowsOfOneColour);
        // Otherwise every pixel differs, so a neighbour taken shows.
        QImage src(256, 159, QImage::Format_RGB32);
        for (int y = 0; y < src.height(); ++y) {
            for (int x = 0; x < src.width(); ++x) {
                const bool side = x == 1 || x == 2 || x == 253 || x == 254;
                src.setPixel(x, y,
                             rowsOfOneColour ? (side ? qRgb(x, 0, 0) : qRgb(y, 255 - y, 7))
                                             : qRgb(x, y, (x * 7 + y * 13) & 0xFF));
            }
        }
        QImage want(400, 300, QImage::Format_RGB32);
        want.fill(Qt::white);
        QImage got = want.copy();
        {
            QPainter p(&want);
            p.drawImage(target, src, source);
        }
        artwork::stretchImage(got, target, src, source);
        for (int y = 0; y < want.height(); ++y) {
            for (int x = 0; x < want.width(); ++x) {
                if (got.pixel(x, y) != want.pixel(x, y)) {
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, QPainter gives %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(got.pixel(x, y), 8, 16)
                                         .arg(want.pixel(x, y), 8, 16)));
                }
            }
        }
    }

    // The Chinese user-interface family: "宋体" wherever it exists, then
    // the free CJK families in order, answered as the system spells them.
    void chineseFamily_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("chineseCapable");
        QTest::addColumn<QString>("expected");
        const QString song = QStringLiteral("宋体");
        const QString wqy = QStringLiteral("WenQuanYi Micro Hei");
        const QString noto = QStringLiteral("Noto Sans CJK SC");
        QTest::newRow("Chinese Windows")
            << QStringList{QStringLiteral("Arial"), QStringLiteral("SimSun"), song}
            << QStringList{QStringLiteral("SimSun"), song} << song;
        QTest::newRow("only the Latin name")
            << QStringList{QStringLiteral("Arial"), QStringLiteral("SimSun")} << QStringList{}
            << QStringLiteral("SimSun");
        QTest::newRow("free families in their order")
            << QStringList{noto, QStringLiteral("DejaVu Sans"), wqy} << QStringList{noto, wqy}
            << wqy;
        QTest::newRow("spelt in another case")
            << QStringList{QStringLiteral("wenquanyi micro hei")} << QStringList{}
            << QStringLiteral("wenquanyi micro hei");
        QTest::newRow("AR PL only") << QStringList{QStringLiteral("AR PL UKai CN")} << QStringList{}
                                    << QStringLiteral("AR PL UKai CN");
        QTest::newRow("an unlisted family that has Chinese")
            << QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Some Hei")}
            << QStringList{QStringLiteral("Some Hei")} << QStringLiteral("Some Hei");
        QTest::newRow("nothing Chinese")
            << QStringList{QStringLiteral("DejaVu Sans")} << QStringList{} << QString();
    }

    void chineseFamily()
    {
        QFETCH(QStringList, installed);
        QFETCH(QStringList, chineseCapable);
        QFETCH(QString, expected);
        QCOMPARE(pickChineseFamily(preferredChineseFamilies(), installed, chineseCapable),
                 expected);
    }
};

QTEST_MAIN(TestQQForm)
#include "tst_controls_form.moc"
