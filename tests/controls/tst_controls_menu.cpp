// SPDX-License-Identifier: MIT
#include "MenuButton.h"
#include "PropertyBag.h"
#include "RecordingPropertyBag.h"
#include "Twips.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace velmora;

class TestMenuButton : public QObject
{
    Q_OBJECT

    int m_moves = 0;

    struct Fixture
    {
        std::unique_ptr<QWidget> host;
        MenuButton* menu = nullptr;
        QWidget* other = nullptr;
    };

    Fixture make()
    {
        Fixture f;
        f.host = std::make_unique<QWidget>();
        f.host->resize(300, 200);
        f.menu = new MenuButton(f.host.get());
        f.menu->setGeometry(twipsRect(300, 300, 1800, 900));
        f.other = new QWidget(f.host.get());
        f.other->setFocusPolicy(Qt::StrongFocus);
        f.other->setGeometry(250, 150, 20, 20);
        f.host->show();
        QApplication::setActiveWindow(f.host.get());
        if (!QTest::qWaitForWindowActive(f.host.get())) {
            qWarning("host window not active");
        }
        return f;
    }

private slots:
    void newControl()
    {
        Fixture f = make();
        QCOMPARE(f.menu->caption(), u"Label1"_qs);
        QCOMPARE(f.menu->borderColor(), kSystemWindowText);
        QCOMPARE(f.menu->borderStyle(), 1);
        QCOMPARE(f.menu->borderWidth(), 1);
        // The caption keeps its place and size when the control grows.
        f.menu->resize(250, 120);
        QCOMPARE(f.menu->label()->geometry(), twipsRect(120, 120, 975, 375));
        // The outline follows the control: its edge pixels are window-text coloured.
        QImage img(f.menu->size(), QImage::Format_RGB32);
        f.menu->render(&img);
        const QColor text = f.menu->palette().color(QPalette::WindowText);
        QCOMPARE(img.pixelColor(0, 60), text);
        QCOMPARE(img.pixelColor(249, 60), text);
        QCOMPARE(img.pixelColor(120, 119), text);
    }

    void hoverColours_data()
    {
        QTest::addColumn<QString>("steps"); // m: move over margin, l: move over label,
                                            // h: held move outside, f: focus elsewhere
        QTest::addColumn<quint32>("border");
        QTest::addColumn<int>("moveEvents");

        QTest::newRow("untouched") << QString() << quint32(kSystemWindowText) << 0;
        QTest::newRow("margin turns magenta") << u"m"_qs << quint32(0xFF11FF) << 1;
        QTest::newRow("label does not react") << u"l"_qs << quint32(kSystemWindowText) << 0;
        QTest::newRow("held move outside turns green") << u"mh"_qs << quint32(0x11FF11) << 2;
        QTest::newRow("focus loss turns green") << u"mf"_qs << quint32(0x11FF11) << 1;
    }

    void hoverColours()
    {
        QFETCH(QString, steps);
        QFETCH(quint32, border);
        QFETCH(int, moveEvents);
        Fixture f = make();
        f.menu->setFocus();
        QSignalSpy moves(f.menu, &MenuButton::MouseMove);
        for (const QChar s : steps) {
            switch (s.unicode()) {
            case 'm':
                QTest::mouseMove(f.menu, QPoint(2, 50 + m_moves++ % 5));
                break;
            case 'l':
                QTest::mouseMove(f.menu->label(), QPoint(10, 10 + m_moves++ % 5));
                break;
            case 'h': {
                // With a button held the control keeps getting the moves, also
                // beyond its edge.
                QMouseEvent move(QEvent::MouseMove, QPointF(-4, 50),
                                 QPointF(f.menu->mapToGlobal(QPoint(-4, 50))), Qt::NoButton,
                                 Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(f.menu, &move);
                break;
            }
            case 'f':
                f.other->setFocus();
                break;
            }
        }
        QCOMPARE(f.menu->borderColor(), border);
        QCOMPARE(moves.count(), moveEvents);
        // The outline is drawn in the border colour.
        QImage img(f.menu->size(), QImage::Format_RGB32);
        f.menu->render(&img);
        QCOMPARE(img.pixelColor(0, 30), resolveColor(border, f.menu->palette()));
    }

    void clicksOnMarginOnly_data()
    {
        QTest::addColumn<bool>("onLabel");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("clicks");
        QTest::newRow("left on margin") << false << Qt::LeftButton << 1;
        QTest::newRow("left on label") << true << Qt::LeftButton << 0;
        QTest::newRow("right on margin") << false << Qt::RightButton << 0;
    }

    void clicksOnMarginOnly()
    {
        QFETCH(bool, onLabel);
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, clicks);
        Fixture f = make();
        QSignalSpy spy(f.menu, &MenuButton::Click);
        QSignalSpy down(f.menu, &MenuButton::MouseDown);
        if (onLabel) {
            QTest::mouseClick(f.menu->label(), button, {}, QPoint(10, 10));
        } else {
            QTest::mouseClick(f.menu, button, {}, QPoint(3, 50));
        }
        QCOMPARE(spy.count(), clicks);
        QCOMPARE(down.count(), onLabel ? 0 : 1);
    }

    void storedOrder_data()
    {
        QTest::addColumn<bool>("changeAll");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("defaults store nothing") << false << QStringList();
        QTest::newRow("all thirteen in order")
            << true
            << QStringList{u"BackColor"_qs, u"ForeColor"_qs,   u"Enabled"_qs,  u"Font"_qs,
                           u"BackStyle"_qs, u"BorderStyle"_qs, u"Caption"_qs,  u"BorderColor"_qs,
                           u"Alignment"_qs, u"BorderWidth"_qs, u"FontName"_qs, u"FontSize"_qs,
                           u"Shape"_qs};
    }

    void storedOrder()
    {
        QFETCH(bool, changeAll);
        QFETCH(QStringList, stored);
        Fixture f = make();
        MenuButton* m = f.menu;
        if (changeAll) {
            QFont font = m->captionFont();
            font.setPointSize(font.pointSize() + 4);
            m->setShape(4);
            m->setFontSize(10.5f);
            m->setFontName(u"宋体"_qs);
            m->setBorderWidth(3);
            m->setAlignment(2);
            m->setBorderColor(0x123456);
            m->setCaption(u"菜单"_qs);
            m->setBorderStyle(2);
            m->setBackStyle(1);
            m->setCaptionFont(font);
            m->setEnabled(false);
            m->setForeColor(0x00FF00);
            m->setBackColor(0xFFFFFF);
        }
        PropertyBag bag;
        bool bagEmptyAtEvent = false;
        connect(m, &MenuButton::WriteProperties, this,
                [&bagEmptyAtEvent](PropertyBag& b) { bagEmptyAtEvent = b.names().isEmpty(); });
        m->writeProperties(bag);
        QVERIFY(bagEmptyAtEvent);
        QCOMPARE(bag.names(), stored);

        const auto copy = PropertyBag::fromBytes(bag.toBytes());
        QVERIFY(copy.has_value());
        auto* other = new MenuButton(f.host.get());
        RecordingPropertyBag read(*copy);
        other->readProperties(read);
        QCOMPARE(read.reads(),
                 (QStringList{u"BackColor"_qs, u"ForeColor"_qs, u"Enabled"_qs, u"Font"_qs,
                              u"BackStyle"_qs, u"BorderStyle"_qs, u"Caption"_qs, u"BorderColor"_qs,
                              u"Alignment"_qs, u"BorderWidth"_qs, u"FontName"_qs, u"FontSize"_qs,
                              u"Shape"_qs}));
        for (const char* name :
             {"BackColor", "ForeColor", "Enabled", "Font", "BackStyle", "BorderStyle", "Caption",
              "BorderColor", "Alignment", "BorderWidth", "FontName", "FontSize", "Shape"}) {
            QCOMPARE(other->property(name), m->property(name));
        }
    }

    void bagRewriteKeepsOrder()
    {
        PropertyBag bag;
        bag.writeProperty(u"A"_qs, 1, 0);
        bag.writeProperty(u"B"_qs, 2, 0);
        bag.writeProperty(u"A"_qs, 3, 0);
        QCOMPARE(bag.names(), (QStringList{u"A"_qs, u"B"_qs}));
        QCOMPARE(bag.readProperty(u"A"_qs, 0).toInt(), 3);
        bag.writeProperty(u"A"_qs, 0, 0); // back to the default: no longer stored
        QCOMPARE(bag.names(), QStringList{u"B"_qs});
        QCOMPARE(bag.readProperty(u"A"_qs, 7).toInt(), 7);
    }

    void bagRejectsBadBytes_data()
    {
        PropertyBag bag;
        bag.writeProperty(u"Caption"_qs, u"x"_qs, QString());
        bag.writeProperty(u"Style"_qs, 1, 0);
        const QByteArray good = bag.toBytes();

        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("wrong magic") << QByteArray("XXXXXXXXXXXXXXXX");
        QTest::newRow("truncated") << good.left(good.size() - 3);
        QTest::newRow("trailing bytes") << good + QByteArray("\x01\x02", 2);
        QByteArray hugeCount = good;
        hugeCount[4] = '\x7F';
        QTest::newRow("absurd count") << hugeCount;
    }

    void bagRejectsBadBytes()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!PropertyBag::fromBytes(bytes).has_value());
    }
};

QTEST_MAIN(TestMenuButton)
#include "tst_controls_menu.moc"
